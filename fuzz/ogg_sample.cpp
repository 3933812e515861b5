// Arbitrary bytes through the audio module's sample decoder, as both plain and mono sounds.
#include <cstddef>
#include <cstdint>

#include "audio/backend/ogg_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    audio::backend::DecodedSound sound;
    for (bool mono : {false, true}) {
        if (audio::backend::DecodeOgg(data, size, mono, sound) &&
            (sound.samples.size() % static_cast<std::size_t>(sound.channels) != 0 ||
             sound.samples.size() > audio::backend::kMaxDecodedSamples)) {
            __builtin_trap();
        }
    }
    return 0;
}
