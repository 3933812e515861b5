// Loads the input as a font structure file from an archive holding two charsets and a picture it
// may name, then looks up styles and draws nothing but asks every style for every code.
#include <cstddef>
#include <cstdint>

#include "font_fuzz_support.h"
#include "text/font_store.h"
#include "vfs/search_paths.h"

namespace {
volatile std::uint64_t sink;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 20)) {
        return 0;
    }
    fuzz::FontFixture fixture("f.fs", data, size);
    std::uint64_t total = 0;
    {
        text::FontStore store;
        vfs::SearchPaths paths;
        store.LoadFont(vfs::FileSource(fixture.Archive(), core::EngineString("f.fs")), paths);
        total += store.Lookup({}) != nullptr;
        total += store.Lookup({64, 0, ""}) != nullptr;
        for (const auto& [key, entry] : store.Styles()) {
            total += std::uint64_t(key.size) + key.flags + key.fontName.size();
            for (std::int32_t code = -1; code <= 256; ++code) {
                if (const text::Charset* charset = entry.Find(code)) {
                    total += charset->Width(code);
                }
            }
        }
    }
    sink = total;
    return 0;
}
