#include "image_encoders.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

namespace render::test {
namespace {

std::uint8_t Red(std::uint32_t c) {
    return std::uint8_t(c >> 16);
}
std::uint8_t Green(std::uint32_t c) {
    return std::uint8_t(c >> 8);
}
std::uint8_t Blue(std::uint32_t c) {
    return std::uint8_t(c);
}
std::uint8_t Alpha(std::uint32_t c) {
    return std::uint8_t(c >> 24);
}

void PngWrite(png_structp png, png_bytep data, png_size_t size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}

void PngFlush(png_structp) {}

int GifWrite(GifFileType* gif, const GifByteType* data, int size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + size);
    return size;
}

}  // namespace

std::vector<std::uint8_t> EncodeJpeg(const Picture& picture, JpegKind kind) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr error{};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = picture.width;
    cinfo.image_height = picture.height;
    const int channels = kind == JpegKind::Grey ? 1 : kind == JpegKind::Cmyk ? 4 : 3;
    cinfo.input_components = channels;
    cinfo.in_color_space = kind == JpegKind::Grey   ? JCS_GRAYSCALE
                           : kind == JpegKind::Cmyk ? JCS_CMYK
                                                    : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    if (kind == JpegKind::Progressive) {
        jpeg_simple_progression(&cinfo);
    }
    // Full-resolution colour, so that single texels keep their colour.
    for (int i = 0; i < cinfo.num_components; ++i) {
        cinfo.comp_info[i].h_samp_factor = 1;
        cinfo.comp_info[i].v_samp_factor = 1;
    }
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(std::size_t(picture.width) * channels);
    while (cinfo.next_scanline < cinfo.image_height) {
        const std::uint32_t* in =
            picture.argb.data() + std::size_t(cinfo.next_scanline) * picture.width;
        JSAMPLE* p = row.data();
        for (std::uint32_t x = 0; x < picture.width; ++x) {
            const std::uint32_t c = in[x];
            if (kind == JpegKind::Grey) {
                *p++ = Green(c);
            } else if (kind == JpegKind::Cmyk) {
                *p++ = Red(c);
                *p++ = Green(c);
                *p++ = Blue(c);
                *p++ = 255;
            } else {
                *p++ = Red(c);
                *p++ = Green(c);
                *p++ = Blue(c);
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

std::vector<std::uint8_t> EncodePng(const Picture& picture, PngKind kind) {
    std::vector<std::uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, PngWrite, PngFlush);
    const int colourType = kind == PngKind::Rgba || kind == PngKind::Interlaced
                               ? PNG_COLOR_TYPE_RGBA
                           : kind == PngKind::Rgb    ? PNG_COLOR_TYPE_RGB
                           : kind == PngKind::Grey16 ? PNG_COLOR_TYPE_GRAY
                                                     : PNG_COLOR_TYPE_PALETTE;
    png_set_IHDR(png, info, picture.width, picture.height, kind == PngKind::Grey16 ? 16 : 8,
                 colourType, kind == PngKind::Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<std::uint32_t> colours;
    if (kind == PngKind::PaletteWithTransparency) {
        for (std::uint32_t c : picture.argb) {
            if (std::find(colours.begin(), colours.end(), c) == colours.end()) {
                colours.push_back(c);
            }
        }
        std::vector<png_color> palette;
        std::vector<png_byte> alpha;
        for (std::uint32_t c : colours) {
            palette.push_back({Red(c), Green(c), Blue(c)});
            alpha.push_back(Alpha(c));
        }
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
        png_set_tRNS(png, info, alpha.data(), int(alpha.size()), nullptr);
    }
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    std::vector<png_byte> row(std::size_t(picture.width) * 4 * 2);
    for (int pass = 0; pass < passes; ++pass) {
        for (std::uint32_t y = 0; y < picture.height; ++y) {
            png_byte* p = row.data();
            for (std::uint32_t x = 0; x < picture.width; ++x) {
                const std::uint32_t c = picture.argb[std::size_t(y) * picture.width + x];
                switch (colourType) {
                    case PNG_COLOR_TYPE_RGBA:
                        *p++ = Red(c), *p++ = Green(c), *p++ = Blue(c), *p++ = Alpha(c);
                        break;
                    case PNG_COLOR_TYPE_RGB:
                        *p++ = Red(c), *p++ = Green(c), *p++ = Blue(c);
                        break;
                    case PNG_COLOR_TYPE_GRAY:
                        // Big-endian 16 bits; the low byte differs so that only stripping to
                        // the high byte gives the grey back.
                        *p++ = Green(c), *p++ = 0x5A;
                        break;
                    default:
                        *p++ = png_byte(std::find(colours.begin(), colours.end(), c) -
                                        colours.begin());
                        break;
                }
            }
            png_write_row(png, row.data());
        }
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::vector<std::uint8_t> EncodeGif(const Picture& picture, const GifFrame& frame) {
    std::vector<std::uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, GifWrite, &error);
    std::vector<std::uint32_t> colours;
    bool transparent = false;
    for (std::uint32_t c : picture.argb) {
        if (Alpha(c) == 0) {
            transparent = true;
        } else if (std::find(colours.begin(), colours.end(), c) == colours.end()) {
            colours.push_back(c);
        }
    }
    const int transparentIndex = int(colours.size());
    int mapSize = 2;
    while (mapSize < int(colours.size()) + 1) {
        mapSize *= 2;
    }
    ColorMapObject* map = GifMakeMapObject(mapSize, nullptr);
    for (std::size_t i = 0; i < colours.size(); ++i) {
        map->Colors[i] = {Red(colours[i]), Green(colours[i]), Blue(colours[i])};
    }
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, int(frame.screenWidth), int(frame.screenHeight), 8, 0, map);
    if (transparent) {
        GraphicsControlBlock control{};
        control.TransparentColor = transparentIndex;
        GifByteType bytes[4];
        const std::size_t length = EGifGCBToExtension(&control, bytes);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), bytes);
    }
    auto indexOf = [&](std::uint32_t c) {
        return Alpha(c) == 0
                   ? GifPixelType(transparentIndex)
                   : GifPixelType(std::find(colours.begin(), colours.end(), c) - colours.begin());
    };
    EGifPutImageDesc(gif, int(frame.left), int(frame.top), int(picture.width), int(picture.height),
                     frame.interlaced, nullptr);
    std::vector<GifPixelType> line(picture.width);
    auto put = [&](std::uint32_t y) {
        for (std::uint32_t x = 0; x < picture.width; ++x) {
            line[x] = indexOf(picture.argb[std::size_t(y) * picture.width + x]);
        }
        EGifPutLine(gif, line.data(), int(picture.width));
    };
    if (frame.interlaced) {
        const std::uint32_t start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (std::uint32_t y = start[pass]; y < picture.height; y += step[pass]) {
                put(y);
            }
        }
    } else {
        for (std::uint32_t y = 0; y < picture.height; ++y) {
            put(y);
        }
    }
    if (frame.secondFrame) {
        EGifPutImageDesc(gif, 0, 0, 1, 1, false, nullptr);
        GifPixelType other = 0;
        EGifPutLine(gif, &other, 1);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

}  // namespace render::test
