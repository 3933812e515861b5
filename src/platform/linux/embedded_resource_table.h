// The table of resources the build embedded with .incbin (generated from the manifest).
#pragma once

#include <cstdint>

namespace platform::linux_impl {

struct EmbeddedResourceEntry {
    const char* type;
    std::uint32_t id;
    const unsigned char* begin;
    const unsigned char* end;
};

// Ends with an entry whose type is null.
extern const EmbeddedResourceEntry kEmbeddedResources[];

}  // namespace platform::linux_impl
