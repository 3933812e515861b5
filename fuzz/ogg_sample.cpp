// Arbitrary bytes through the audio module's sample decoder, as both plain and mono sounds: the
// whole decode, and the load test and the decoder a long sound is streamed with, which must give
// the same samples where the whole decode gives any and loop on without end.
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
        // The load test of a streamed sound accepts whatever the whole decode accepts.
        OggLayout layout;
        const bool probed = ProbeOgg(data, size, mono, layout);
        if (decoded &&
            (!probed || layout.channels != sound.channels || layout.rate != sound.rate)) {
            __builtin_trap();
        }
        if (!probed) {
            continue;
        }
        auto stream =
            OggStream::Open(std::make_shared<const std::vector<unsigned char>>(data, data + size),
                            mono);
        if (stream == nullptr || stream->channels() != layout.channels) {
            __builtin_trap();
        }
        const auto width = static_cast<std::size_t>(layout.channels);
        if (!decoded) {
            // Pages that hold no sound a decoder can use: whatever plays, playing ends.
            std::vector<std::int16_t> played(std::size_t{1} << 16);
            stream->Read(played.data(), played.size() / width, true);
            continue;
        }
        // One length and a bit more: the whole sound, then its start again.
        const std::size_t length = sound.samples.size() / width;
        const std::size_t frames = length + 64;
        std::vector<std::int16_t> played(frames * width);
        if (stream->Read(played.data(), frames, true) != frames ||
            std::memcmp(played.data(), sound.samples.data(), sound.samples.size() * 2) != 0) {
            __builtin_trap();
        }
    }
    return 0;
}
