// Figures of the OpenGL device for benchmarks and tests, without OpenGL headers. The device must
// come from the OpenGL runtime.
#pragma once

#include <cstdint>

#include "platform/gfx/device.h"

namespace gfx::gl {

struct ProgramCacheStats {
    std::uint64_t hits = 0;
    std::uint64_t misses = 0;
    std::uint64_t failures = 0;
};

ProgramCacheStats CacheStatsOf(Device* device);
void ResetCacheStats(Device* device);
// Samples per pixel of the back buffer (0 without multisampling).
int SamplesOf(Device* device);

}  // namespace gfx::gl
