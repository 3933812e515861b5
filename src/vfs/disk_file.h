// DiskFile: a Stream over one buffered standard-library file.
#pragma once

#include <cstdio>

#include "vfs/stream.h"

namespace vfs {

class DiskFile final : public Stream {
public:
    DiskFile() = default;
    ~DiskFile() override;
    DiskFile(const DiskFile&) = delete;
    DiskFile& operator=(const DiskFile&) = delete;

    // Mode text: "r" for bit 1, "w" for bit 2, then "b".
    bool open(std::string_view name, std::uint32_t mode) override;
    bool close() override;
    std::uint32_t tell() override;
    std::uint32_t size() override;
    // Origin 0 from the start, 1 from the current position, anything else from the end.
    bool seek(std::int32_t offset, int origin) override;
    bool eof() override;
    // 1 when all n bytes moved, else 0.
    int read(void* buffer, std::uint32_t n) override;
    int write(const void* buffer, std::uint32_t n) override;

protected:
    bool movedAll(int result, std::uint32_t n) const override;

private:
    std::FILE* file_ = nullptr;
};

}  // namespace vfs
