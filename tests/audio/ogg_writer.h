// Test sounds: tones encoded to Ogg Vorbis in memory.
#pragma once

#include <vector>

namespace audiotest {

// A sine of the given frequency and peak (0..1), `seconds` long, in 1 or 2 channels at 44100 Hz.
std::vector<unsigned char> EncodeTone(int channels, double frequency, double peak, double seconds);

}  // namespace audiotest
