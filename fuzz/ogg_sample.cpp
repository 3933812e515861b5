// Arbitrary bytes through the audio module's sample decoder, as both plain and mono sounds: the
// whole decode, and the test and the decoder a long sound is streamed with, which must give the
// same samples and loop on without end.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "audio/backend/ogg_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace audio::backend;
    for (bool mono : {false, true}) {
        DecodedSound sound;
        const bool decoded = DecodeOgg(data, size, mono, sound);
        if (decoded && (sound.samples.size() % static_cast<std::size_t>(sound.channels) != 0 ||
                        sound.samples.size() > kMaxDecodedSamples)) {
            __builtin_trap();
        }
        OggLayout layout;
        if (ProbeOgg(data, size, mono, layout) != decoded) {
            __builtin_trap();
        }
        if (!decoded) {
            continue;
        }
        auto stream =
            OggStream::Open(std::make_shared<const std::vector<unsigned char>>(data, data + size),
                            mono);
        if (stream == nullptr || stream->channels() != sound.channels ||
            layout.frames * static_cast<std::size_t>(sound.channels) != sound.samples.size()) {
            __builtin_trap();
        }
        // One length and a bit more: the whole sound, then its start again.
        const std::size_t frames = layout.frames + 64;
        std::vector<std::int16_t> played(frames * static_cast<std::size_t>(sound.channels));
        if (stream->Read(played.data(), frames, true) != frames ||
            std::memcmp(played.data(), sound.samples.data(), sound.samples.size() * 2) != 0) {
            __builtin_trap();
        }
    }
    return 0;
}
