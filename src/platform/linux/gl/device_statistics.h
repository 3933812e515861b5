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
    std::uint64_t compiled = 0;  // programs built, whether for a draw or ahead of one
};

// What draws, buffer unlocks and texture locks sent to OpenGL.
struct DrawCounters {
    std::uint64_t draws = 0;              // draw calls that reached OpenGL
    std::uint64_t keysBuilt = 0;          // fixed-function keys built (and programs looked up)
    std::uint64_t fixedStateApplied = 0;  // times the render states were sent to OpenGL again
    std::uint64_t uniformUploads = 0;     // glUniform calls
    std::uint64_t uniformsKept = 0;       // uniform groups a program still held from its last draw
    std::uint64_t lightTransforms = 0;    // lights carried into camera space
    std::uint64_t bufferBytesUploaded = 0;
    std::uint64_t bufferOrphans = 0;     // discarding unlocks that gave a buffer fresh storage
    std::uint64_t textureReadBacks = 0;  // texture levels read back from the driver for a lock
};

ProgramCacheStats CacheStatsOf(Device* device);
void ResetCacheStats(Device* device);
DrawCounters DrawCountersOf(Device* device);
void ResetDrawCounters(Device* device);
// Off, every draw uploads every uniform its program reads and transforms the lights again: the
// baseline benchmarks compare with.
void SetUniformCaching(Device* device, bool enabled);
// Samples per pixel of the back buffer (0 without multisampling).
int SamplesOf(Device* device);

}  // namespace gfx::gl
