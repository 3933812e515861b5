// RarWriter: builds a store-only RAR image (version 2.0 block headers) in memory, in the layout
// the RarArchive reads: marker, main header, one header per entry with its data, end block.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace vfs {

class RarWriter {
public:
    // Where an entry landed in the image, for callers that inspect or alter it.
    struct Placement {
        std::uint32_t header = 0;
        std::uint32_t data = 0;
    };

    static constexpr std::uint8_t kVersion = 20;
    static constexpr std::uint8_t kMethodStored = 0x30;
    // 2020-01-01 00:00:00 in DOS form, so that the same files always give the same image.
    static constexpr std::uint32_t kFileTime = 0x50210000;

    RarWriter();

    // A folder entry (no data). Names use "\" between folders.
    Placement addFolder(std::string_view name);
    // A stored file entry; false when the name or the image would exceed what the format holds.
    bool addFile(std::string_view name, std::span<const std::uint8_t> bytes,
                 Placement* placement = nullptr);

    // The image with its closing block; the writer is left as it was.
    std::vector<std::uint8_t> finish() const;

private:
    bool addEntry(std::string_view name, std::span<const std::uint8_t> bytes, bool folder,
                  Placement* placement);

    std::vector<std::uint8_t> image_;
};

}  // namespace vfs
