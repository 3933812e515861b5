// What the font targets share: a recording device to load glyph pictures on, and an archive in
// memory holding the input beside a small picture and two charsets that fonts may name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "recording_device.h"
#include "vfs/file_source.h"
#include "vfs/rar_archive.h"
#include "vfs/rar_writer.h"

namespace fuzz {

class FontFixture {
public:
    FontFixture(std::string_view inputName, const std::uint8_t* data, std::size_t size) {
        vfs::RarWriter writer;
        writer.addFile(inputName, std::span<const std::uint8_t>(data, size));
        writer.addFile("g.tga", Picture());
        writer.addFile("a.css", Text("Name = \"g.tga\"; CharsPerLine = 4; CharWidth = 4;"
                                     "CharHeight = 4; EndChar = 15; Sizes = array(1, 2, 3);"
                                     "ColorKey = array(255, 0, 255);"));
        writer.addFile("b.css", Text("CharsPerLine = 16; StartChar = 32; Rects[\"A\"] = "
                                     "array(0, 0, 3, 3);"));
        image_ = writer.finish();
        archive_.mount(vfs::FileSource(image_.data(), std::uint32_t(image_.size())));
    }
    vfs::Archive* Archive() { return &archive_; }

private:
    static std::vector<std::uint8_t> Text(std::string_view text) {
        return {text.begin(), text.end()};
    }
    // A 16 x 16 TGA, magenta with a white diagonal.
    static std::vector<std::uint8_t> Picture() {
        std::vector<std::uint8_t> out = {0, 0, 2, 0,  0, 0,  0, 0,  0,
                                         0, 0, 0, 16, 0, 16, 0, 32, 0x28};
        for (int i = 0; i < 256; ++i) {
            const bool white = i % 17 == 0;
            out.insert(out.end(), {255, std::uint8_t(white ? 255 : 0), 255, 255});
        }
        return out;
    }

    // Made first, released last: glyph pictures load on it.
    RecordingDevice device_{16};
    std::vector<std::uint8_t> image_;
    vfs::RarArchive archive_;
};

}  // namespace fuzz
