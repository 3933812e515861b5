#include "vfs/rar_writer.h"

#include <zlib.h>

#include <cstdint>

namespace vfs {

namespace {

constexpr std::uint8_t kMarker[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
constexpr std::uint8_t kMainHeader = 0x73;
constexpr std::uint8_t kFileHeader = 0x74;
constexpr std::uint8_t kEndBlock = 0x7B;
constexpr std::uint16_t kHasData = 0x8000;
constexpr std::uint16_t kFolderBits = 0x00E0;
constexpr std::uint16_t kEndFlags = 0x4000;
constexpr std::uint8_t kHostWin32 = 2;
constexpr std::uint32_t kAttrFolder = 0x10;
constexpr std::uint32_t kAttrArchive = 0x20;
constexpr std::size_t kFileHeaderSize = 32;

void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, static_cast<std::uint16_t>(v));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

// A header's CRC is the low half of the CRC-32 of its bytes after the CRC field.
void sealHeader(std::vector<std::uint8_t>& out, std::size_t start) {
    const auto crc = static_cast<std::uint32_t>(
        crc32(0L, out.data() + start + 2, static_cast<uInt>(out.size() - start - 2)));
    out[start] = static_cast<std::uint8_t>(crc);
    out[start + 1] = static_cast<std::uint8_t>(crc >> 8);
}

}  // namespace

RarWriter::RarWriter() {
    image_.assign(std::begin(kMarker), std::end(kMarker));
    const std::size_t start = image_.size();
    put16(image_, 0);
    image_.push_back(kMainHeader);
    put16(image_, 0);
    put16(image_, 13);
    put16(image_, 0);
    put32(image_, 0);
    sealHeader(image_, start);
}

RarWriter::Placement RarWriter::addFolder(std::string_view name) {
    Placement placement;
    addEntry(name, {}, true, &placement);
    return placement;
}

bool RarWriter::addFile(std::string_view name, std::span<const std::uint8_t> bytes,
                        Placement* placement) {
    return addEntry(name, bytes, false, placement);
}

bool RarWriter::addEntry(std::string_view name, std::span<const std::uint8_t> bytes, bool folder,
                         Placement* placement) {
    const std::size_t headSize = kFileHeaderSize + name.size();
    if (headSize > UINT16_MAX || image_.size() + headSize + bytes.size() + 7 > UINT32_MAX) {
        return false;
    }
    const auto size = static_cast<std::uint32_t>(bytes.size());
    const std::size_t start = image_.size();
    put16(image_, 0);
    image_.push_back(kFileHeader);
    put16(image_, static_cast<std::uint16_t>(kHasData | (folder ? kFolderBits : 0)));
    put16(image_, static_cast<std::uint16_t>(headSize));
    put32(image_, size);
    put32(image_, size);
    image_.push_back(kHostWin32);
    put32(image_, static_cast<std::uint32_t>(crc32(0L, bytes.data(), size)));
    put32(image_, kFileTime);
    image_.push_back(kVersion);
    image_.push_back(kMethodStored);
    put16(image_, static_cast<std::uint16_t>(name.size()));
    put32(image_, folder ? kAttrFolder : kAttrArchive);
    image_.insert(image_.end(), name.begin(), name.end());
    sealHeader(image_, start);
    const std::size_t data = image_.size();
    image_.insert(image_.end(), bytes.begin(), bytes.end());
    if (placement) {
        placement->header = static_cast<std::uint32_t>(start);
        placement->data = static_cast<std::uint32_t>(data);
    }
    return true;
}

std::vector<std::uint8_t> RarWriter::finish() const {
    std::vector<std::uint8_t> out = image_;
    const std::size_t start = out.size();
    put16(out, 0);
    out.push_back(kEndBlock);
    put16(out, kEndFlags);
    put16(out, 7);
    sealHeader(out, start);
    return out;
}

}  // namespace vfs
