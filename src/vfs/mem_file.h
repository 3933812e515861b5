// MemFile: a Stream over bytes in memory, either a read-only block (owned or borrowed) or a
// growable write buffer kept in chunks.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/engine_string.h"
#include "vfs/stream.h"

namespace vfs {

class MemFile final : public Stream {
public:
    static constexpr std::uint32_t kChunkSize = 16384;

    MemFile() = default;
    ~MemFile() override = default;
    MemFile(const MemFile&) = delete;
    MemFile& operator=(const MemFile&) = delete;

    // Stores the mode and rewinds; the name is ignored.
    bool open(std::string_view name, std::uint32_t mode) override;
    bool close() override;
    std::uint32_t tell() override;
    // The write buffer's length in write mode, the block's otherwise.
    std::uint32_t size() override;
    bool seek(std::int32_t offset, int origin) override;
    bool eof() override;
    int read(void* buffer, std::uint32_t n) override;
    int write(const void* buffer, std::uint32_t n) override;

    // Hands the file its bytes after open: copied into the write buffer when the mode has the
    // write bit, else kept as the block (a borrowed block stays borrowed, an owned one is taken).
    void assign(core::EngineString bytes);

    // The offset the first byte has in a larger file; tell and seek from the start count from it.
    void setBase(std::uint32_t base) { base_ = base; }
    std::uint32_t base() const { return base_; }

    std::uint32_t mode() const { return mode_; }
    const core::EngineString& block() const { return block_; }
    // The write buffer's bytes in one piece.
    std::vector<std::uint8_t> bufferBytes() const;

private:
    std::uint32_t length() const;

    core::EngineString block_;
    std::vector<std::unique_ptr<std::uint8_t[]>> chunks_;
    std::uint32_t bufferLength_ = 0;
    std::uint32_t mode_ = 0;
    std::uint32_t base_ = 0;
    std::uint32_t position_ = 0;
    bool atEnd_ = false;
};

}  // namespace vfs
