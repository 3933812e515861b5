// GIF through giflib: the first frame, on a canvas of the file's screen size, with the
// transparent colour its graphics control block names.
#include <algorithm>
#include <vector>

#include <gif_lib.h>

#include "platform/gfx/d3d_types.h"
#include "render/textures/image/image_formats.h"

namespace render {
namespace {

struct Reader {
    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;
};

// Short reads at the end of the data make giflib fail the record it is reading.
int ReadData(GifFileType* gif, GifByteType* out, int count) {
    auto* reader = static_cast<Reader*>(gif->UserData);
    const std::size_t n =
        std::min(std::size_t(std::max(count, 0)), reader->bytes.size() - reader->at);
    std::copy_n(reader->bytes.data() + reader->at, n, out);
    reader->at += n;
    return int(n);
}

// Reads records up to the first image descriptor; the last graphics control block before it
// gives the transparent index (-1 for none).
bool FindFirstFrame(GifFileType* gif, int& transparent) {
    transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &record) == GIF_ERROR) {
            return false;
        }
        if (record == IMAGE_DESC_RECORD_TYPE) {
            return DGifGetImageDesc(gif) != GIF_ERROR;
        }
        if (record != EXTENSION_RECORD_TYPE) {
            return false;
        }
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) {
            return false;
        }
        if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] == 4) {
            GraphicsControlBlock control{};
            if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) {
                transparent = control.TransparentColor;
            }
        }
        while (block) {
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) {
                return false;
            }
        }
    }
}

bool ReadFrame(GifFileType* gif, Image& image) {
    int transparent = NO_TRANSPARENT_COLOR;
    if (!FindFirstFrame(gif, transparent)) {
        return false;
    }
    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!map || !map->Colors || frame.Width <= 0 || frame.Height <= 0 || frame.Left < 0 ||
        frame.Top < 0 ||
        !ImageSizeAcceptable(std::uint32_t(frame.Width), std::uint32_t(frame.Height))) {
        return false;
    }
    // A screen of size 0 (some writers leave it so) takes the frame's size.
    std::uint32_t width = std::uint32_t(gif->SWidth), height = std::uint32_t(gif->SHeight);
    if (width == 0 || height == 0) {
        width = std::uint32_t(frame.Left + frame.Width);
        height = std::uint32_t(frame.Top + frame.Height);
    }
    if (!ImageSizeAcceptable(width, height)) {
        return false;
    }

    std::uint32_t palette[256];
    for (int i = 0; i < 256; ++i) {
        const bool inMap = i < map->ColorCount;
        const GifColorType c = inMap ? map->Colors[i] : GifColorType{0, 0, 0};
        palette[i] = i == transparent ? 0u
                                      : 0xFF000000u | std::uint32_t(c.Red) << 16 |
                                            std::uint32_t(c.Green) << 8 | c.Blue;
    }

    // What the first frame leaves uncovered is transparent.
    image.width = width;
    image.height = height;
    image.pixels.assign(std::size_t(width) * height, 0);
    std::vector<GifPixelType> line(std::size_t(frame.Width));
    auto store = [&](int row) {
        const std::int64_t y = std::int64_t(frame.Top) + row;
        if (y >= height) {
            return;
        }
        for (int column = 0; column < frame.Width; ++column) {
            const std::int64_t x = std::int64_t(frame.Left) + column;
            if (x < width) {
                image.at(std::uint32_t(x), std::uint32_t(y)) = palette[line[column]];
            }
        }
    };
    if (frame.Interlace) {
        constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (int row = kStart[pass]; row < frame.Height; row += kStep[pass]) {
                if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) {
                    return false;
                }
                store(row);
            }
        }
    } else {
        for (int row = 0; row < frame.Height; ++row) {
            if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) {
                return false;
            }
            store(row);
        }
    }
    return true;
}

}  // namespace

bool DecodeGif(std::span<const std::uint8_t> bytes, Image& image, ImageInfo& info) {
    Reader reader{bytes};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, ReadData, &error);
    if (!gif) {
        return false;
    }
    const bool ok = ReadFrame(gif, image);
    DGifCloseFile(gif, &error);
    if (!ok) {
        return false;
    }
    info.Width = image.width;
    info.Height = image.height;
    // Any GIF may have a transparent colour, so the texture keeps an alpha channel.
    info.Format = gfx::D3DFMT_A8R8G8B8;
    info.ImageFileFormat = ImageFileGif;
    return true;
}

}  // namespace render
