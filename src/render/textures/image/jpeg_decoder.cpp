// JPEG through libjpeg-turbo. Its errors jump back here instead of ending the process, its
// messages are never printed, and data that ends early is an error rather than grey padding.
#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

// After jpeglib.h, which it builds on.
#include <jerror.h>

#include "platform/gfx/d3d_types.h"
#include "render/textures/image/image_formats.h"

namespace render {
namespace {

// A progressive file may hold any number of scans, each one a pass over the whole picture; real
// encoders write about ten.
constexpr int kMaxScans = 256;

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void OutputMessage(j_common_ptr) {}

void LimitScans(j_common_ptr cinfo) {
    auto* decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (decompress->progressive_mode && decompress->input_scan_number > kMaxScans) {
        ERREXIT(cinfo, JERR_NOTIMPL);
    }
}

void InitSource(j_decompress_ptr) {}

// Called only when the data has run out.
boolean FillInputBuffer(j_decompress_ptr cinfo) {
    ERREXIT(cinfo, JERR_INPUT_EOF);
    return FALSE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    jpeg_source_mgr* source = cinfo->src;
    if (count <= 0) {
        return;
    }
    if (std::size_t(count) > source->bytes_in_buffer) {
        ERREXIT(cinfo, JERR_INPUT_EOF);
    }
    source->next_input_byte += count;
    source->bytes_in_buffer -= std::size_t(count);
}

void TermSource(j_decompress_ptr) {}

// Adobe CMYK files store the inks inverted, so each colour is ink times black.
std::uint32_t FromCmyk(const JSAMPLE* p) {
    auto mix = [&](int ink) { return std::uint32_t(p[ink]) * p[3] / 255; };
    return 0xFF000000u | mix(0) << 16 | mix(1) << 8 | mix(2);
}

// Everything the decoder touches lives here, outside the frame that longjmp unwinds.
struct Decode {
    jpeg_decompress_struct cinfo{};
    ErrorManager error{};
    jpeg_source_mgr source{};
    jpeg_progress_mgr progress{};
    std::vector<JSAMPLE> row;
};

bool Run(Decode& d, std::span<const std::uint8_t> bytes, Image& image, ImageInfo& info) {
    d.cinfo.err = jpeg_std_error(&d.error.base);
    d.error.base.error_exit = ErrorExit;
    d.error.base.output_message = OutputMessage;
    if (setjmp(d.error.jump)) {
        return false;
    }
    jpeg_create_decompress(&d.cinfo);
    d.source.next_input_byte = bytes.data();
    d.source.bytes_in_buffer = bytes.size();
    d.source.init_source = InitSource;
    d.source.fill_input_buffer = FillInputBuffer;
    d.source.skip_input_data = SkipInputData;
    d.source.resync_to_restart = jpeg_resync_to_restart;
    d.source.term_source = TermSource;
    d.cinfo.src = &d.source;
    d.progress.progress_monitor = LimitScans;
    d.cinfo.progress = &d.progress;

    if (jpeg_read_header(&d.cinfo, TRUE) != JPEG_HEADER_OK ||
        !ImageSizeAcceptable(d.cinfo.image_width, d.cinfo.image_height)) {
        return false;
    }
    const bool cmyk = d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK;
    d.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&d.cinfo);
    const std::uint32_t width = d.cinfo.output_width, height = d.cinfo.output_height;
    const int channels = d.cinfo.output_components;
    if (!ImageSizeAcceptable(width, height) || channels != (cmyk ? 4 : 3)) {
        return false;
    }
    // Rows are appended as they are decoded, so that a file whose data stops early has not
    // touched the memory of the rows it never had.
    image.width = width;
    image.height = height;
    image.pixels.reserve(std::size_t(width) * height);
    d.row.resize(std::size_t(width) * channels);
    JSAMPROW rows[1] = {d.row.data()};
    while (d.cinfo.output_scanline < height) {
        if (jpeg_read_scanlines(&d.cinfo, rows, 1) != 1) {
            return false;
        }
        const JSAMPLE* p = d.row.data();
        for (std::uint32_t x = 0; x < width; ++x, p += channels) {
            image.pixels.push_back(cmyk ? FromCmyk(p)
                                        : 0xFF000000u | std::uint32_t(p[0]) << 16 |
                                              std::uint32_t(p[1]) << 8 | p[2]);
        }
    }
    jpeg_finish_decompress(&d.cinfo);

    info.Width = width;
    info.Height = height;
    info.Format = gfx::D3DFMT_X8R8G8B8;
    info.ImageFileFormat = D3DXIFF_JPG;
    return true;
}

}  // namespace

bool DecodeJpeg(std::span<const std::uint8_t> bytes, Image& image, ImageInfo& info) {
    Decode d;
    const bool ok = Run(d, bytes, image, info);
    jpeg_destroy_decompress(&d.cinfo);
    return ok;
}

}  // namespace render
