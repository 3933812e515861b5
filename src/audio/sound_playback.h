// SoundPlayback: the music, rain, thunder and 3D ticking of the clock scene, played through the
// eleven functions of the audio library.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "audio/bass_api.h"
#include "vfs/search_paths.h"

namespace audio {

class AudioLibrary;

// The library functions the playback calls. A null entry skips its calls, so a library that is
// not loaded (all null) makes every operation a no-op.
struct SoundFunctions {
    BASS_Init_t Init = nullptr;
    BASS_Set3DFactors_t Set3DFactors = nullptr;
    BASS_Apply3D_t Apply3D = nullptr;
    BASS_SetConfig_t SetConfig = nullptr;
    BASS_SampleLoad_t SampleLoad = nullptr;
    BASS_SampleGetChannel_t SampleGetChannel = nullptr;
    BASS_ChannelPlay_t ChannelPlay = nullptr;
    BASS_ChannelSetAttributes_t ChannelSetAttributes = nullptr;
    BASS_ChannelSet3DAttributes_t ChannelSet3DAttributes = nullptr;
    BASS_ChannelSet3DPosition_t ChannelSet3DPosition = nullptr;
    BASS_Set3DPosition_t Set3DPosition = nullptr;

    // The library's entries; all null when it is not loaded.
    static SoundFunctions Of(const AudioLibrary& library);
};

// Receives the "<file> sample loaded\n" lines (the scene passes core::Trace).
using SoundLog = std::function<void(std::string)>;

inline constexpr int kThunderSampleCount = 3;
inline constexpr std::int64_t kVolumeFadeMilliseconds = 4000;

class SoundPlayback {
public:
    // No functions: every operation is skipped and every load gives 0.
    SoundPlayback() = default;
    // Sound files are read from `archive` (the application's media archive, may be null), then
    // through searchPaths; their names are under mediaFolder ("Media").
    SoundPlayback(const SoundFunctions& functions, vfs::SearchPaths searchPaths,
                  std::string mediaFolder, vfs::Archive* archive = nullptr);

    // Device 1 at 44100 Hz with 3D, falling back to the silent device 0; then the 3D factors
    // and a global sample volume of 0. True when the real device came up; on false the caller
    // turns Music and Sound off for the run.
    bool Initialise(void* window);

    // The whole file `name` (a full virtual path) as a sample; 0 when it can't be read or
    // decoded. The file's bytes are not kept after the call.
    HSAMPLE LoadSample(std::string_view name, BASS_DWORD flags);

    // Loads and starts the music (music on) and rain, thunder and ticks (sound on), the ticks
    // as a 3D sound at clockPosition. Remembers music and sound for the fade.
    void StartSounds(bool music, bool sound, const BASS_3DVECTOR& clockPosition,
                     const SoundLog& log);

    // index 0..2; 0 when that sample is not loaded or the index is out of range.
    HSAMPLE ThunderSample(int index) const;
    // A new channel of thunder sample `index` at `volume` (0..100), played from the start.
    void PlayThunderClap(int index, int volume);

    // Per frame: the global sample volume rises from 0 to `volume` over the first 4 s after the
    // sounds started (elapsedMs), then stays there. Skipped in the preview, with Music and Sound
    // both off, or with volume 0.
    void FadeIn(int volume, std::int64_t elapsedMs, bool preview);
    // Per frame: the listener takes the camera's position, front and top vectors.
    void UpdateListener(const BASS_3DVECTOR& position, const BASS_3DVECTOR& front,
                        const BASS_3DVECTOR& top);

    // Global sample volume 0, then forgets the functions: call it before the library is
    // unloaded, and every later operation is skipped.
    void Silence();

    HSAMPLE musicSample() const { return musicSample_; }
    HSAMPLE rainSample() const { return rainSample_; }
    HSAMPLE ticksSample() const { return ticksSample_; }

private:
    // Gets a new channel of the sample and plays it from the start.
    void Start(HSAMPLE sample);
    std::string MediaName(std::string_view file) const;

    SoundFunctions functions_;
    vfs::SearchPaths searchPaths_;
    std::string mediaFolder_;
    vfs::Archive* archive_ = nullptr;
    bool music_ = false;
    bool sound_ = false;
    HSAMPLE musicSample_ = 0;
    HSAMPLE rainSample_ = 0;
    std::array<HSAMPLE, kThunderSampleCount> thunderSamples_{};
    HSAMPLE ticksSample_ = 0;
};

}  // namespace audio
