// Loads the input as a charset file from an archive that also holds a small picture, then asks
// for the rectangle and width of every code and of codes far outside the range.
#include <cstddef>
#include <cstdint>

#include "font_fuzz_support.h"
#include "text/charset.h"
#include "vfs/search_paths.h"

namespace {
volatile std::uint64_t sink;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 20)) {
        return 0;
    }
    fuzz::FontFixture fixture("c.css", data, size);
    std::uint64_t total = 0;
    {
        text::Charset charset;
        vfs::SearchPaths paths;
        charset.Load(vfs::FileSource(fixture.Archive(), core::EngineString("c.css")), paths);
        // Once more on a texture of its own size, as a sub-texture would place it.
        for (int pass = 0; pass < 2; ++pass) {
            for (std::int32_t code = -300; code < 600; ++code) {
                if (const text::CellRect* r = charset.Rect(code)) {
                    total += r->left + r->top + r->right + r->bottom > 0.0f ? 1 : 0;
                }
                total += charset.Width(code);
            }
            total += charset.Width(INT32_MIN) + charset.Width(INT32_MAX);
            total += charset.Rect(INT32_MIN) != nullptr;
            charset.Layout(256, 128, 7, 3);
        }
    }
    sink = total;
    return 0;
}
