// The mixer under the audio library module: one file per platform (OpenAL Soft on Linux,
// DirectSound on Windows). The module keeps every handle and setting; an output only plays.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "audio/backend/ogg_decoder.h"
#include "audio/bass_api.h"

namespace audio::backend {

class StreamedSound;

// A sample as the mixer holds it, shared by every voice that plays it.
class SoundData {
public:
    virtual ~SoundData() = default;
    // Non-null for a long sound that voices decode as they play.
    virtual const StreamedSound* Streamed() const { return nullptr; }
};

// A long sound kept as its Ogg bytes, so that minutes of music don't sit decoded in memory.
class StreamedSound final : public SoundData {
public:
    StreamedSound(std::shared_ptr<const std::vector<unsigned char>> bytes, const OggLayout& layout)
        : bytes(std::move(bytes)), layout(layout) {}
    const StreamedSound* Streamed() const override { return this; }
    // A decoder of its own for each voice that plays it; null when the bytes can't be opened.
    std::unique_ptr<OggStream> NewStream() const { return OggStream::Open(bytes, layout.fold); }

    std::shared_ptr<const std::vector<unsigned char>> bytes;
    OggLayout layout;
};

// One playback channel of a sample. Positions are in the scene's left-handed axes.
class Voice {
public:
    virtual ~Voice() = default;
    virtual void Play(bool restart) = 0;
    virtual void Stop() = 0;
    virtual bool Playing() const = 0;
    // Linear, 0 silent to 1 as recorded.
    virtual void SetGain(float gain) = 0;
    virtual void SetFrequency(float hertz) = 0;
    // -1 full left to 1 full right; plain sounds only.
    virtual void SetPan(float pan) = 0;
    // 3D sounds only: full level up to `nearest`, quieter with the roll-off up to `farthest`;
    // 0 or less leaves a distance as it is.
    virtual void SetDistances(float nearest, float farthest) = 0;
    // A negative value leaves an angle or the gain outside the cone as it is.
    virtual void SetCone(float insideDegrees, float outsideDegrees, float outsideGain) = 0;
    // Null leaves a value as it is.
    virtual void SetPlace(const BASS_3DVECTOR* position, const BASS_3DVECTOR* direction,
                          const BASS_3DVECTOR* velocity) = 0;
    // A mixer that rolls off per voice takes the factor here, one that rolls off per listener
    // takes it in Output::SetRolloff.
    virtual void SetRolloff(float rolloff) = 0;
};

class Output {
public:
    virtual ~Output() = default;
    // Null when the mixer refuses the sound.
    virtual std::unique_ptr<SoundData> Upload(const DecodedSound& sound, bool is3d) = 0;
    // `data` is an uploaded sound or a StreamedSound. A voice starts stopped, at full gain,
    // centred, at the sound's own rate, at the origin with distances 1 and 1e9 and no cone. Null
    // when the mixer has no voice left.
    virtual std::unique_ptr<Voice> NewVoice(const SoundData& data, bool is3d, bool loop,
                                            float rolloff) = 0;
    virtual void SetListener(const BASS_3DVECTOR* position, const BASS_3DVECTOR* velocity,
                             const BASS_3DVECTOR* front, const BASS_3DVECTOR* top) = 0;
    // Metres in a unit of distance, the roll-off (a mixer that rolls off per voice has it from
    // Voice::SetRolloff instead) and the Doppler effect's strength, 1 being the real world's.
    virtual void SetFactors(float distance, float rolloff, float doppler) = 0;
    // Settings that wait for the next commit take effect together.
    virtual void Commit() = 0;
    // Ends the output's own thread for good, as the module goes; the streamed voices are not
    // refilled from then on.
    virtual void Park() = 0;
};

// The platform's default device at `frequency` samples a second; null when it can't be opened.
// `window` is the program's window where the platform's mixer wants one.
std::unique_ptr<Output> OpenOutput(unsigned frequency, void* window);

}  // namespace audio::backend
