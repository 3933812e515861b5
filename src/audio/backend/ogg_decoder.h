// Ogg Vorbis in memory decoded once into 16-bit interleaved samples.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace audio::backend {

struct DecodedSound {
    std::vector<std::int16_t> samples;  // interleaved
    int channels = 0;                   // 1 or 2
    long rate = 0;
};

// Caps the decoded size so a small file can't claim an unbounded allocation.
constexpr std::size_t kMaxDecodedSamples = 32u * 1024u * 1024u;

// False for anything but a complete, non-empty Vorbis stream of one or two channels whose
// layout never changes, ending with the page that closes it; mono folds two channels into one.
bool DecodeOgg(const void* data, std::size_t size, bool mono, DecodedSound& out);

}  // namespace audio::backend
