#include "archive_damage.h"

#include <algorithm>
#include <cstring>

#include "vfs/rar_writer.h"

namespace faults {
namespace {

constexpr std::uint8_t kMarker[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
constexpr std::size_t kBlockHeaderSize = 7;
constexpr std::size_t kFileHeaderSize = 32;
constexpr std::uint8_t kFileHeader = 0x74;
constexpr std::uint8_t kEndBlock = 0x7B;
constexpr std::uint16_t kHasData = 0x8000;
constexpr std::uint16_t kFolderBits = 0x00E0;

std::uint16_t U16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(U16(p)) | static_cast<std::uint32_t>(U16(p + 2)) << 16;
}

}  // namespace

std::optional<std::vector<ArchiveEntry>> ReadEntries(std::span<const std::uint8_t> image) {
    if (image.size() < sizeof kMarker + kBlockHeaderSize ||
        std::memcmp(image.data(), kMarker, sizeof kMarker) != 0) {
        return std::nullopt;
    }
    std::vector<ArchiveEntry> entries;
    std::size_t at = sizeof kMarker + U16(image.data() + sizeof kMarker + 5);
    while (at + kBlockHeaderSize <= image.size()) {
        const std::uint8_t* block = image.data() + at;
        const std::uint8_t type = block[2];
        const std::uint16_t flags = U16(block + 3);
        const std::size_t headSize = U16(block + 5);
        if (type == kEndBlock) {
            return entries;
        }
        if (headSize < kBlockHeaderSize || at + headSize > image.size()) {
            return std::nullopt;
        }
        std::size_t dataSize = 0;
        if (flags & kHasData) {
            if (headSize < kBlockHeaderSize + 4) {
                return std::nullopt;
            }
            dataSize = U32(block + 7);
        }
        if (at + headSize + dataSize > image.size()) {
            return std::nullopt;
        }
        if (type == kFileHeader) {
            const std::size_t nameSize = U16(block + 26);
            if (headSize < kFileHeaderSize + nameSize) {
                return std::nullopt;
            }
            ArchiveEntry entry;
            entry.name.assign(reinterpret_cast<const char*>(block + kFileHeaderSize), nameSize);
            entry.folder = (flags & kFolderBits) == kFolderBits;
            entry.bytes.assign(block + headSize, block + headSize + dataSize);
            entries.push_back(std::move(entry));
        }
        at += headSize + dataSize;
    }
    return std::nullopt;
}

std::vector<std::uint8_t> Pack(const std::vector<ArchiveEntry>& entries) {
    vfs::RarWriter writer;
    for (const ArchiveEntry& entry : entries) {
        if (entry.folder) {
            writer.addFolder(entry.name);
        } else {
            writer.addFile(entry.name, entry.bytes);
        }
    }
    return writer.finish();
}

std::vector<std::uint8_t> Damaged(std::vector<std::uint8_t> bytes, Damage damage) {
    switch (damage) {
        case Damage::LeftOut:
            break;
        case Damage::Truncated:
            bytes.resize(bytes.size() / 2);
            break;
        case Damage::Flipped: {
            const std::size_t count = std::min(kFlippedBytes, bytes.size());
            const std::size_t first = (bytes.size() - count) / 2;
            for (std::size_t i = first; i < first + count; ++i) {
                bytes[i] ^= 0xFF;
            }
            break;
        }
    }
    return bytes;
}

std::vector<std::uint8_t> PackDamaged(const std::vector<ArchiveEntry>& entries, std::size_t index,
                                      Damage damage) {
    std::vector<ArchiveEntry> changed = entries;
    if (damage == Damage::LeftOut) {
        changed.erase(changed.begin() + static_cast<std::ptrdiff_t>(index));
    } else {
        changed[index].bytes = Damaged(std::move(changed[index].bytes), damage);
    }
    return Pack(changed);
}

std::string_view DamageName(Damage damage) {
    switch (damage) {
        case Damage::LeftOut:
            return "left out";
        case Damage::Truncated:
            return "truncated";
        case Damage::Flipped:
            return "flipped";
    }
    return "?";
}

std::string BaseName(std::string_view entryName) {
    const std::size_t slash = entryName.find_last_of("\\/");
    return std::string(slash == std::string_view::npos ? entryName : entryName.substr(slash + 1));
}

}  // namespace faults
