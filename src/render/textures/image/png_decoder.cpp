// PNG through libpng. Errors jump back here instead of printing, warnings are dropped, and data
// that ends early is an error.
#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <vector>

#include <png.h>

#include "platform/gfx/d3d_types.h"
#include "render/textures/image/image_formats.h"

namespace render {
namespace {

// Text and other ancillary chunks are read into memory whole; none we use is this large.
constexpr png_alloc_size_t kMaxChunkBytes = 16u << 20;

struct Reader {
    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;
};

void ReadData(png_structp png, png_bytep out, png_size_t count) {
    auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
    if (count > reader->bytes.size() - reader->at) {
        png_error(png, "truncated");
    }
    std::copy_n(reader->bytes.data() + reader->at, count, out);
    reader->at += count;
}

[[noreturn]] void Error(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void Warning(png_structp, png_const_charp) {}

png_bytep RowBytes(Image& image, png_uint_32 y) {
    return reinterpret_cast<png_bytep>(image.pixels.data() + std::size_t(y) * image.width);
}

// Everything the decoder touches lives here, outside the frame that longjmp unwinds.
struct Decode {
    png_structp png = nullptr;
    png_infop info = nullptr;
    Reader reader;
    std::vector<png_bytep> rows;
};

bool Run(Decode& d, Image& image, ImageInfo& info) {
    if (setjmp(png_jmpbuf(d.png))) {
        return false;
    }
    png_set_read_fn(d.png, &d.reader, ReadData);
    png_set_user_limits(d.png, kMaxImageSide, kMaxImageSide);
    png_set_chunk_malloc_max(d.png, kMaxChunkBytes);
    png_read_info(d.png, d.info);

    const png_uint_32 width = png_get_image_width(d.png, d.info);
    const png_uint_32 height = png_get_image_height(d.png, d.info);
    if (!ImageSizeAcceptable(width, height)) {
        return false;
    }
    const int colourType = png_get_color_type(d.png, d.info);
    const bool transparency = png_get_valid(d.png, d.info, PNG_INFO_tRNS) != 0;
    const bool alpha = (colourType & PNG_COLOR_MASK_ALPHA) || transparency;
    // Whatever the file holds becomes 8-bit RGBA.
    png_set_strip_16(d.png);
    png_set_packing(d.png);
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(d.png);
    }
    if (transparency) {
        png_set_tRNS_to_alpha(d.png);
    }
    if (!(colourType & PNG_COLOR_MASK_COLOR)) {
        png_set_expand_gray_1_2_4_to_8(d.png);
        png_set_gray_to_rgb(d.png);
    }
    png_set_filler(d.png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(d.png);
    png_read_update_info(d.png, d.info);
    if (png_get_rowbytes(d.png, d.info) != std::size_t(width) * 4) {
        return false;
    }

    // The rows are read straight into the picture as RGBA bytes and turned into ARGB words in
    // place. Without interlacing they are appended one by one, so that a file whose data stops
    // early has not touched the memory of the rows it never had.
    image.width = width;
    image.height = height;
    const std::size_t count = std::size_t(width) * height;
    if (png_get_interlace_type(d.png, d.info) == PNG_INTERLACE_NONE) {
        image.pixels.reserve(count);
        for (png_uint_32 y = 0; y < height; ++y) {
            image.pixels.resize(image.pixels.size() + width);
            png_read_row(d.png, RowBytes(image, y), nullptr);
        }
    } else {
        image.pixels.resize(count);
        d.rows.resize(height);
        for (png_uint_32 y = 0; y < height; ++y) {
            d.rows[y] = RowBytes(image, y);
        }
        png_read_image(d.png, d.rows.data());
    }
    png_read_end(d.png, nullptr);

    for (std::uint32_t& texel : image.pixels) {
        png_byte p[4];
        std::memcpy(p, &texel, 4);
        texel =
            std::uint32_t(p[3]) << 24 | std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
    }
    info.Width = width;
    info.Height = height;
    info.Format = alpha ? gfx::D3DFMT_A8R8G8B8 : gfx::D3DFMT_X8R8G8B8;
    info.ImageFileFormat = D3DXIFF_PNG;
    return true;
}

}  // namespace

bool DecodePng(std::span<const std::uint8_t> bytes, Image& image, ImageInfo& info) {
    Decode d;
    d.reader.bytes = bytes;
    d.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Error, Warning);
    if (!d.png) {
        return false;
    }
    d.info = png_create_info_struct(d.png);
    const bool ok = d.info && Run(d, image, info);
    png_destroy_read_struct(&d.png, d.info ? &d.info : nullptr, nullptr);
    return ok;
}

}  // namespace render
