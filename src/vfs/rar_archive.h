// RarArchive: the media archive, a RAR image (version 2.0 block headers) kept in memory. It has
// no index; every open walks the blocks from the start and extracts the one entry asked for.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/engine_string.h"
#include "vfs/archive.h"
#include "vfs/file_source.h"

namespace vfs {

class RarArchive final : public Archive {
public:
    RarArchive() = default;
    ~RarArchive() override;
    RarArchive(const RarArchive&) = delete;
    RarArchive& operator=(const RarArchive&) = delete;

    bool mount(FileSource source) override;
    void unmount() override;
    // Always true: whether an entry is really there only shows when it is opened.
    bool exists(std::string_view name) override;
    // The entry's bytes as a MemFile opened with mode, or null. Not reentrant.
    std::unique_ptr<Stream> open(std::string_view name, std::uint32_t mode) override;

    // One lookup: the first entry named name, extracted and checked. False (bytes empty) when it
    // isn't there or can't be extracted.
    bool extract(std::string_view name, core::EngineString& bytes);

    // Entry names compare cut to 512 bytes, with "\" and "/" both as "_", ASCII letters folded.
    static bool namesEqual(std::string_view a, std::string_view b);

    const std::uint8_t* data() const { return data_; }
    std::uint32_t size() const { return size_; }
    bool borrowed() const { return borrowed_; }

private:
    bool readBytes(void* out, std::uint32_t n);

    core::EngineString image_;
    const std::uint8_t* data_ = nullptr;
    std::uint32_t size_ = 0;
    std::uint32_t offset_ = 0;
    bool borrowed_ = true;
};

}  // namespace vfs
