#include "vfs/rar_archive.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "core/ascii.h"
#include "vfs/mem_file.h"

namespace vfs {

namespace {

constexpr std::uint8_t kMarker[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
constexpr std::uint32_t kMainHeaderSize = 13;
constexpr std::uint32_t kBlockHeaderSize = 32;
constexpr std::uint8_t kFileHeader = 0x74;
constexpr std::uint8_t kEndSearch = 0x77;
constexpr std::uint16_t kHasData = 0x8000;
constexpr std::uint16_t kSolid = 0x0008;
constexpr std::uint8_t kStored = 0x30;
constexpr std::uint8_t kMinVersion = 13;
constexpr std::uint8_t kMaxVersion = 20;
constexpr std::uint32_t kNameLimit = 259;
constexpr std::size_t kCompareLimit = 512;
constexpr std::size_t kWindowSize = 1 << 20;

std::uint16_t u16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

char foldName(char c) {
    if (c == '\\' || c == '/') {
        return '_';
    }
    return core::AsciiUpper(c);
}

struct BlockHeader {
    std::uint8_t type = 0;
    std::uint16_t flags = 0;
    std::uint16_t headSize = 0;
    std::uint32_t packSize = 0;
    std::uint32_t unpSize = 0;
    std::uint32_t fileCrc = 0;
    std::uint8_t unpVer = 0;
    std::uint8_t method = 0;
    std::uint16_t nameSize = 0;

    explicit BlockHeader(const std::uint8_t* p)
        : type(p[2]),
          flags(u16(p + 3)),
          headSize(u16(p + 5)),
          packSize(u32(p + 7)),
          unpSize(u32(p + 11)),
          fileCrc(u32(p + 16)),
          unpVer(p[24]),
          method(p[25]),
          nameSize(u16(p + 26)) {}
};

}  // namespace

RarArchive::~RarArchive() {
    unmount();
}

bool RarArchive::mount(FileSource source) {
    unmount();
    bool share = true;
    core::EngineString bytes;
    if (!source.readWholeFile(bytes, share)) {
        return false;
    }
    image_ = std::move(bytes);
    data_ = reinterpret_cast<const std::uint8_t*>(image_.data());
    size_ = image_.size();
    borrowed_ = image_.borrowed();
    return true;
}

void RarArchive::unmount() {
    image_ = {};
    data_ = nullptr;
    size_ = 0;
    offset_ = 0;
}

bool RarArchive::exists(std::string_view) {
    return true;
}

std::unique_ptr<Stream> RarArchive::open(std::string_view name, std::uint32_t mode) {
    core::EngineString bytes;
    if (!extract(name, bytes)) {
        return nullptr;
    }
    auto file = std::make_unique<MemFile>();
    file->open(name, mode);
    file->assign(std::move(bytes));
    return file;
}

bool RarArchive::namesEqual(std::string_view a, std::string_view b) {
    a = a.substr(0, std::min(a.size(), kCompareLimit));
    b = b.substr(0, std::min(b.size(), kCompareLimit));
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldName(a[i]) != foldName(b[i])) {
            return false;
        }
    }
    return true;
}

bool RarArchive::readBytes(void* out, std::uint32_t n) {
    if (n == 0 || n > size_ || offset_ > size_ - n) {
        return false;
    }
    std::memcpy(out, data_ + offset_, n);
    offset_ += n;
    return true;
}

bool RarArchive::extract(std::string_view name, core::EngineString& bytes) {
    bytes = {};
    offset_ = 0;
    std::uint8_t marker[sizeof kMarker];
    if (!readBytes(marker, sizeof marker) || std::memcmp(marker, kMarker, sizeof marker) != 0) {
        return false;
    }
    std::uint8_t mainHeader[kMainHeaderSize];
    if (!readBytes(mainHeader, kMainHeaderSize)) {
        return false;
    }
    const bool solid = (u16(mainHeader + 3) & kSolid) != 0;
    const std::uint32_t mainSize = u16(mainHeader + 5);

    // The unpacking window is taken for every lookup, stored entries included.
    std::unique_ptr<std::uint8_t[]> window(new (std::nothrow) std::uint8_t[kWindowSize]);
    if (!window) {
        return false;
    }

    offset_ = static_cast<std::uint32_t>(sizeof kMarker) + mainSize;
    for (;;) {
        const std::uint32_t start = offset_;
        std::uint8_t raw[kBlockHeaderSize];
        if (!readBytes(raw, kBlockHeaderSize)) {
            return false;
        }
        const BlockHeader header(raw);
        if (header.headSize < 7) {
            return false;
        }
        // Positions are summed in 64 bits so that a huge size can't wrap around to an earlier
        // block and make the walk go round forever.
        std::uint64_t next = static_cast<std::uint64_t>(start) + header.headSize;
        if (header.flags & kHasData) {
            next += header.packSize;
        }
        if (next <= start) {
            return false;
        }
        if (header.type == kEndSearch) {
            return false;
        }
        if (header.type != kFileHeader) {
            if (next > size_) {
                return false;
            }
            offset_ = static_cast<std::uint32_t>(next);
            continue;
        }

        char entryName[kNameLimit];
        const std::uint32_t nameLength = std::min<std::uint32_t>(header.nameSize, kNameLimit);
        if (nameLength > 0 && !readBytes(entryName, nameLength)) {
            return false;
        }
        const bool wanted = namesEqual(std::string_view(entryName, nameLength), name);
        if (wanted || solid) {
            if (header.unpVer < kMinVersion || header.unpVer > kMaxVersion) {
                return false;
            }
            // Only stored entries are extracted. A stored entry's size must equal its packed
            // size and its data must lie inside the image; anything else is refused before a
            // byte is allocated for it.
            const std::uint64_t dataStart =
                static_cast<std::uint64_t>(start) + kBlockHeaderSize + header.nameSize;
            if (header.method != kStored || header.unpSize != header.packSize ||
                dataStart + header.packSize > size_) {
                return false;
            }
            if (wanted) {
                const auto* first = reinterpret_cast<const char*>(data_ + dataStart);
                if (static_cast<std::uint32_t>(crc32(0L, data_ + dataStart, header.packSize)) !=
                    header.fileCrc) {
                    return false;
                }
                bytes = core::EngineString(std::string_view(first, header.unpSize));
                offset_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(next, size_));
                return true;
            }
        }
        if (next > size_) {
            return false;
        }
        offset_ = static_cast<std::uint32_t>(next);
    }
}

}  // namespace vfs
