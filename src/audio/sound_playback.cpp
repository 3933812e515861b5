#include "audio/sound_playback.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "audio/audio_library.h"
#include "vfs/file_source.h"
#include "vfs/stream.h"

namespace audio {

namespace {

// A sound file larger than this is refused before anything is allocated; ours are far smaller.
constexpr std::uint32_t kMaxSampleFileBytes = 64u << 20;
constexpr BASS_DWORD kMaxPlaybacks = 20;
constexpr BASS_DWORD kTicksFlags =
    BASS_SAMPLE_MONO | BASS_SAMPLE_LOOP | BASS_SAMPLE_3D | BASS_SAMPLE_SOFTWARE;
constexpr int kFrequencyUnchanged = -1;
constexpr int kPanUnchanged = -101;

constexpr std::array<const char*, kThunderSampleCount> kThunderFiles = {
    "/ClockGrom1.ogg", "/ClockGrom2.ogg", "/ClockGrom3.ogg"};

}  // namespace

SoundFunctions SoundFunctions::Of(const AudioLibrary& library) {
    SoundFunctions f;
    f.Init = library.function<BASS_Init_t>("BASS_Init");
    f.Set3DFactors = library.function<BASS_Set3DFactors_t>("BASS_Set3DFactors");
    f.Apply3D = library.function<BASS_Apply3D_t>("BASS_Apply3D");
    f.SetConfig = library.function<BASS_SetConfig_t>("BASS_SetConfig");
    f.SampleLoad = library.function<BASS_SampleLoad_t>("BASS_SampleLoad");
    f.SampleGetChannel = library.function<BASS_SampleGetChannel_t>("BASS_SampleGetChannel");
    f.ChannelPlay = library.function<BASS_ChannelPlay_t>("BASS_ChannelPlay");
    f.ChannelSetAttributes =
        library.function<BASS_ChannelSetAttributes_t>("BASS_ChannelSetAttributes");
    f.ChannelSet3DAttributes =
        library.function<BASS_ChannelSet3DAttributes_t>("BASS_ChannelSet3DAttributes");
    f.ChannelSet3DPosition =
        library.function<BASS_ChannelSet3DPosition_t>("BASS_ChannelSet3DPosition");
    f.Set3DPosition = library.function<BASS_Set3DPosition_t>("BASS_Set3DPosition");
    return f;
}

SoundPlayback::SoundPlayback(const SoundFunctions& functions, vfs::SearchPaths searchPaths,
                             std::string mediaFolder, vfs::Archive* archive)
    : functions_(functions),
      searchPaths_(std::move(searchPaths)),
      mediaFolder_(std::move(mediaFolder)),
      archive_(archive) {}

bool SoundPlayback::Initialise(void* window) {
    bool real = false;
    if (functions_.Init) {
        real = functions_.Init(1, 44100, BASS_DEVICE_3D, window, nullptr) != 0;
        if (!real) {
            // The silent device always comes up; its result tells nothing.
            functions_.Init(0, 44100, 0, window, nullptr);
        }
    }
    if (functions_.Set3DFactors) {
        functions_.Set3DFactors(-1.0f, 0.1f, -1.0f);
    }
    if (functions_.Apply3D) {
        functions_.Apply3D();
    }
    // Every sample starts silent and fades in.
    if (functions_.SetConfig) {
        functions_.SetConfig(BASS_CONFIG_GVOL_SAMPLE, 0);
    }
    return real;
}

HSAMPLE SoundPlayback::LoadSample(std::string_view name, BASS_DWORD flags) {
    if (!functions_.SampleLoad) {
        return 0;
    }
    vfs::FileSource source(archive_, core::EngineString(name));
    source.flags = vfs::kSourceDisk | vfs::kSourceArchive;
    if (!searchPaths_.resolve(source)) {
        return 0;
    }
    std::unique_ptr<vfs::Stream> stream = source.open(vfs::kModeRead);
    if (!stream) {
        return 0;
    }
    const std::uint32_t size = stream->size();
    core::EngineString bytes;
    const bool read = size <= kMaxSampleFileBytes && stream->readBytes(bytes, size);
    stream->close();
    if (!read) {
        return 0;
    }
    return functions_.SampleLoad(1, bytes.data(), 0, bytes.size(), kMaxPlaybacks, flags);
}

void SoundPlayback::StartSounds(bool music, bool sound, const BASS_3DVECTOR& clockPosition,
                                const SoundLog& log) {
    music_ = music;
    sound_ = sound;
    const auto logLoaded = [&](const std::string& name) {
        if (log) {
            log(name + " sample loaded\n");
        }
    };
    if (music) {
        const std::string name = MediaName("/ClockMusic.ogg");
        musicSample_ = LoadSample(name, BASS_SAMPLE_LOOP);
        if (musicSample_ != 0) {
            Start(musicSample_);
            logLoaded(name);
        }
    }
    if (!sound) {
        return;
    }
    const std::string rain = MediaName("/ClockRain.ogg");
    rainSample_ = LoadSample(rain, BASS_SAMPLE_LOOP);
    if (rainSample_ != 0) {
        logLoaded(rain);
    }
    // The library ignores handle 0, so the rain is started whether it loaded or not.
    Start(rainSample_);
    for (int i = 0; i < kThunderSampleCount; ++i) {
        const std::string name = MediaName(kThunderFiles[i]);
        thunderSamples_[i] = LoadSample(name, 0);
        if (thunderSamples_[i] != 0) {
            logLoaded(name);
        }
    }
    ticksSample_ = LoadSample(MediaName("/ClockTicks.ogg"), kTicksFlags);
    const HCHANNEL ticks =
        functions_.SampleGetChannel ? functions_.SampleGetChannel(ticksSample_, 1) : 0;
    if (functions_.ChannelPlay) {
        functions_.ChannelPlay(ticks, 1);
    }
    if (functions_.ChannelSet3DAttributes) {
        functions_.ChannelSet3DAttributes(ticks, 0, 0.0f, 400.0f, 360, 360, 100);
    }
    if (functions_.ChannelSet3DPosition) {
        const BASS_3DVECTOR orientation{0.0f, 0.0f, 1.0f};
        functions_.ChannelSet3DPosition(ticks, &clockPosition, &orientation, nullptr);
    }
    if (functions_.ChannelSetAttributes) {
        functions_.ChannelSetAttributes(ticks, kFrequencyUnchanged, 100, -1);
    }
    if (functions_.Apply3D) {
        functions_.Apply3D();
    }
}

HSAMPLE SoundPlayback::ThunderSample(int index) const {
    if (index < 0 || index >= kThunderSampleCount) {
        return 0;
    }
    return thunderSamples_[static_cast<std::size_t>(index)];
}

void SoundPlayback::PlayThunderClap(int index, int volume) {
    if (index < 0 || index >= kThunderSampleCount) {
        return;
    }
    const HSAMPLE sample = thunderSamples_[static_cast<std::size_t>(index)];
    const HCHANNEL channel =
        functions_.SampleGetChannel ? functions_.SampleGetChannel(sample, 1) : 0;
    if (functions_.ChannelSetAttributes) {
        functions_.ChannelSetAttributes(channel, kFrequencyUnchanged, std::clamp(volume, 0, 100),
                                        kPanUnchanged);
    }
    if (functions_.ChannelPlay) {
        functions_.ChannelPlay(channel, 1);
    }
}

void SoundPlayback::FadeIn(int volume, std::int64_t elapsedMs, bool preview) {
    if (preview || !(music_ || sound_) || volume == 0 || !functions_.SetConfig) {
        return;
    }
    const double t = std::clamp(static_cast<double>(elapsedMs) / kVolumeFadeMilliseconds, 0.0, 1.0);
    const int full = std::clamp(volume, 0, 100);
    functions_.SetConfig(BASS_CONFIG_GVOL_SAMPLE, static_cast<BASS_DWORD>(full * t));
}

void SoundPlayback::UpdateListener(const BASS_3DVECTOR& position, const BASS_3DVECTOR& front,
                                   const BASS_3DVECTOR& top) {
    if (functions_.Set3DPosition) {
        functions_.Set3DPosition(&position, nullptr, &front, &top);
    }
    if (functions_.Apply3D) {
        functions_.Apply3D();
    }
}

void SoundPlayback::Silence() {
    if (functions_.SetConfig) {
        functions_.SetConfig(BASS_CONFIG_GVOL_SAMPLE, 0);
    }
    functions_ = SoundFunctions{};
}

void SoundPlayback::Start(HSAMPLE sample) {
    const HCHANNEL channel =
        functions_.SampleGetChannel ? functions_.SampleGetChannel(sample, 1) : 0;
    if (functions_.ChannelPlay) {
        functions_.ChannelPlay(channel, 1);
    }
}

std::string SoundPlayback::MediaName(std::string_view file) const {
    return mediaFolder_ + std::string(file);
}

}  // namespace audio
