// Turns one fuzz input into a few files in a mounted archive, so that the names an input makes
// (an include, a texture description's picture) are looked up among files it also makes. The
// parts are cut at the marker "\n@@\n": the first is the file read first, the others take the
// names below in order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "vfs/rar_archive.h"
#include "vfs/rar_writer.h"
#include "vfs/search_paths.h"

namespace fuzz {

inline constexpr std::string_view kPartMarker = "\n@@\n";
inline constexpr std::array<std::string_view, 6> kPartNames = {
    "a.props", "b.ts", "c.tga", "Sub\\d.props", "Sub/e.ts", "f.bmp"};

class ArchiveFiles {
public:
    // `firstName` names the first part.
    ArchiveFiles(std::span<const std::uint8_t> input, std::string_view firstName) {
        const std::string_view text(reinterpret_cast<const char*>(input.data()), input.size());
        vfs::RarWriter writer;
        std::size_t start = 0;
        for (std::size_t part = 0; part <= kPartNames.size() && start <= text.size(); ++part) {
            std::size_t end = text.find(kPartMarker, start);
            if (end == std::string_view::npos || part == kPartNames.size()) {
                end = text.size();
            }
            const auto bytes = input.subspan(start, end - start);
            writer.addFile(part == 0 ? firstName : kPartNames[part - 1], bytes);
            start = end + kPartMarker.size();
        }
        image_ = writer.finish();
        if (archive_.mount(vfs::FileSource(image_.data(), std::uint32_t(image_.size())))) {
            vfs::FileSource mount(&archive_, core::EngineString(""));
            mount.flags = vfs::kSourceArchive;
            paths_.add(mount);
        }
    }

    const vfs::SearchPaths& Paths() const { return paths_; }
    // An archive source for `name`, as the program names its media.
    vfs::FileSource Source(std::string_view name) {
        vfs::FileSource source(&archive_, core::EngineString(std::string(name)));
        source.flags = vfs::kSourceArchive;
        return source;
    }

private:
    std::vector<std::uint8_t> image_;
    vfs::RarArchive archive_;
    vfs::SearchPaths paths_;
};

}  // namespace fuzz
