// The audio library module: the eleven functions the program calls. Handles, samples decoded
// once, channels and every setting live here; the platform's output only plays them.
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "audio/backend/ogg_decoder.h"
#include "audio/backend/sound_module.h"
#include "audio/backend/sound_output.h"
#include "audio/bass_api.h"

namespace audio::backend {
namespace {

constexpr BASS_DWORD kChannelTag = 0x40000000u;
constexpr BASS_DWORD kMaxChannelsPerSample = 32;
// A unit is a metre, distance rolls off as in the real world, and so does the Doppler effect.
constexpr float kDefaultDistanceFactor = 1.0f;
constexpr float kDefaultRolloff = 1.0f;
constexpr float kDefaultDoppler = 1.0f;
constexpr float kMaxRolloff = 10.0f;
constexpr float kMaxDoppler = 10.0f;
// Longer sounds (the music, the rain) are decoded while they play rather than held decoded: the
// music alone would take 55 MB, and twice that while it is handed to the mixer.
constexpr std::size_t kStreamedFromSeconds = 20;

struct Channel {
    std::unique_ptr<Voice> voice;  // null on the silent device
    int volume = 100;
};

struct Sample {
    std::unique_ptr<SoundData> data;  // null on the silent device
    long rate = 0;
    BASS_DWORD flags = 0;
    BASS_DWORD maxChannels = 1;
    std::vector<Channel> channels;

    bool is3d() const { return (flags & BASS_SAMPLE_3D) != 0; }
};

struct State {
    bool initialised = false;
    std::unique_ptr<Output> output;
    std::vector<Sample> samples;
    float distanceFactor = kDefaultDistanceFactor;
    float rolloff = kDefaultRolloff;
    float doppler = kDefaultDoppler;
    int globalVolume = 100;
};

State state;

bool audible() {
    return state.output != nullptr;
}

float gainOf(const Channel& channel) {
    return static_cast<float>(channel.volume) * static_cast<float>(state.globalVolume) / 10000.0f;
}

Sample* findSample(HSAMPLE handle) {
    if (handle == 0 || handle > state.samples.size()) {
        return nullptr;
    }
    return &state.samples[handle - 1];
}

// A channel handle names its sample and its slot among the sample's channels.
struct ChannelRef {
    Sample* sample = nullptr;
    Channel* channel = nullptr;
};

ChannelRef findChannel(BASS_DWORD handle) {
    if ((handle & kChannelTag) == 0) {
        return {};
    }
    Sample* sample = findSample((handle & ~kChannelTag) >> 5);
    const BASS_DWORD slot = handle & 31u;
    if (sample == nullptr || slot >= sample->channels.size()) {
        return {};
    }
    return {sample, &sample->channels[slot]};
}

// Voices go before the output that mixes them.
void shutdown() {
    state.samples.clear();
    state.output.reset();
    state = State{};
}

}  // namespace

void Unload() {
    shutdown();
}

void Abandon(bool unloading) {
    if (state.output != nullptr) {
        state.output->Park();
    }
    if (unloading) {
        // The voices and samples are released at once; the output hands back what can't be.
        shutdown();
        return;
    }
    for (Sample& sample : state.samples) {
        for (Channel& channel : sample.channels) {
            static_cast<void>(channel.voice.release());
        }
        static_cast<void>(sample.data.release());
    }
    static_cast<void>(state.output.release());
    state = State{};
}

}  // namespace audio::backend

using namespace audio::backend;

BASS_EXPORT BASS_BOOL BASS_Init(int device, BASS_DWORD freq, BASS_DWORD, void* window, void*) {
    shutdown();
    if (device == 0) {
        state.initialised = true;
        return 1;
    }
    if (device != 1) {
        return 0;
    }
    state.output = OpenOutput(freq, window);
    if (state.output == nullptr) {
        return 0;
    }
    state.output->SetFactors(state.distanceFactor, state.rolloff, state.doppler);
    state.initialised = true;
    return 1;
}

// A negative or undefined factor leaves it as it is; the distance factor must stay above 0.
BASS_EXPORT BASS_BOOL BASS_Set3DFactors(float distance, float rolloff, float doppler) {
    if (!state.initialised) {
        return 0;
    }
    if (distance > 0.0f && std::isfinite(distance)) {
        state.distanceFactor = distance;
    }
    if (rolloff >= 0.0f) {
        state.rolloff = std::min(rolloff, kMaxRolloff);
    }
    if (doppler >= 0.0f) {
        state.doppler = std::min(doppler, kMaxDoppler);
    }
    if (audible()) {
        state.output->SetFactors(state.distanceFactor, state.rolloff, state.doppler);
        for (Sample& sample : state.samples) {
            for (Channel& channel : sample.channels) {
                if (sample.is3d() && channel.voice) {
                    channel.voice->SetRolloff(state.rolloff);
                }
            }
        }
    }
    return 1;
}

BASS_EXPORT void BASS_Apply3D() {
    if (audible()) {
        state.output->Commit();
    }
}

// The global sample volume scales every channel's own.
BASS_EXPORT BASS_DWORD BASS_SetConfig(BASS_DWORD option, BASS_DWORD value) {
    if (option != BASS_CONFIG_GVOL_SAMPLE || value > 100) {
        return 0;
    }
    if (static_cast<int>(value) != state.globalVolume) {
        state.globalVolume = static_cast<int>(value);
        for (Sample& sample : state.samples) {
            for (Channel& channel : sample.channels) {
                if (channel.voice) {
                    channel.voice->SetGain(gainOf(channel));
                }
            }
        }
    }
    return 1;
}

BASS_EXPORT HSAMPLE BASS_SampleLoad(BASS_BOOL memory, const void* file, BASS_DWORD offset,
                                    BASS_DWORD length, BASS_DWORD max, BASS_DWORD flags) {
    if (!state.initialised || !memory || file == nullptr || max == 0 ||
        state.samples.size() >= 0xFFFFu) {
        return 0;
    }
    // 3D sounds are placed only when mono.
    const bool mono = (flags & (BASS_SAMPLE_MONO | BASS_SAMPLE_3D)) != 0;
    const auto* bytes = static_cast<const unsigned char*>(file) + offset;
    // The pages prove the file whole; a short sound on a device is decoded and kept, a long one
    // is decoded as it plays.
    OggLayout layout;
    if (!ProbeOgg(bytes, length, mono, layout)) {
        return 0;
    }
    const bool streamed =
        layout.frames > kStreamedFromSeconds * static_cast<std::size_t>(layout.rate);
    DecodedSound sound;
    if (audible() && !streamed && !DecodeOgg(bytes, length, mono, sound)) {
        return 0;
    }
    Sample sample;
    sample.rate = layout.rate;
    sample.flags = flags;
    sample.maxChannels = max < kMaxChannelsPerSample ? max : kMaxChannelsPerSample;
    if (audible()) {
        if (streamed) {
            // Not make_shared: its tag is a unique symbol, which would keep the module from ever
            // being unloaded, and its clean-up then runs at exit after the mixer's library is gone.
            sample.data = std::make_unique<StreamedSound>(
                std::shared_ptr<const std::vector<unsigned char>>(
                    new std::vector<unsigned char>(bytes, bytes + length)),
                layout);
        } else {
            sample.data = state.output->Upload(sound, sample.is3d());
        }
        if (sample.data == nullptr) {
            return 0;
        }
    }
    state.samples.push_back(std::move(sample));
    return static_cast<HSAMPLE>(state.samples.size());
}

BASS_EXPORT HCHANNEL BASS_SampleGetChannel(HSAMPLE handle, BASS_BOOL) {
    Sample* sample = findSample(handle);
    if (sample == nullptr) {
        return 0;
    }
    // A channel that has finished is reused; only new channels are handed out.
    BASS_DWORD slot = 0;
    for (; slot < sample->channels.size(); ++slot) {
        const Channel& channel = sample->channels[slot];
        if (!channel.voice || !channel.voice->Playing()) {
            break;
        }
    }
    if (slot == sample->channels.size()) {
        if (slot >= sample->maxChannels) {
            return 0;
        }
        sample->channels.emplace_back();
    }
    Channel fresh;
    if (audible()) {
        fresh.voice = state.output->NewVoice(
            *sample->data, sample->is3d(), (sample->flags & BASS_SAMPLE_LOOP) != 0, state.rolloff);
        if (fresh.voice == nullptr) {
            return 0;
        }
        fresh.voice->SetGain(gainOf(fresh));
    }
    sample->channels[slot] = std::move(fresh);
    return kChannelTag | (handle << 5) | slot;
}

BASS_EXPORT BASS_BOOL BASS_ChannelPlay(BASS_DWORD handle, BASS_BOOL restart) {
    const ChannelRef ref = findChannel(handle);
    if (ref.channel == nullptr) {
        return 0;
    }
    if (ref.channel->voice) {
        ref.channel->voice->Play(restart != 0);
    }
    return 1;
}

BASS_EXPORT BASS_BOOL BASS_ChannelSetAttributes(BASS_DWORD handle, int freq, int volume, int pan) {
    const ChannelRef ref = findChannel(handle);
    if (ref.channel == nullptr) {
        return 0;
    }
    if (volume >= 0 && volume <= 100) {
        ref.channel->volume = volume;
    }
    Voice* voice = ref.channel->voice.get();
    if (voice == nullptr) {
        return 1;
    }
    if (freq > 0) {
        voice->SetFrequency(static_cast<float>(freq));
    }
    if (volume >= 0 && volume <= 100) {
        voice->SetGain(gainOf(*ref.channel));
    }
    // 3D sounds are placed by their position, not panned.
    if (pan >= -100 && pan <= 100 && !ref.sample->is3d()) {
        voice->SetPan(static_cast<float>(pan) / 100.0f);
    }
    return 1;
}

BASS_EXPORT BASS_BOOL BASS_ChannelSet3DAttributes(BASS_DWORD handle, int, float minDist,
                                                  float maxDist, int insideAngle, int outsideAngle,
                                                  int outsideVolume) {
    const ChannelRef ref = findChannel(handle);
    if (ref.channel == nullptr || !ref.sample->is3d()) {
        return 0;
    }
    Voice* voice = ref.channel->voice.get();
    if (voice == nullptr) {
        return 1;
    }
    // 0 or less leaves a distance as it is, a value out of range an angle or the outside volume.
    voice->SetDistances(minDist, maxDist);
    voice->SetCone(
        insideAngle >= 0 && insideAngle <= 360 ? float(insideAngle) : -1.0f,
        outsideAngle >= 0 && outsideAngle <= 360 ? float(outsideAngle) : -1.0f,
        outsideVolume >= 0 && outsideVolume <= 100 ? float(outsideVolume) / 100.0f : -1.0f);
    return 1;
}

BASS_EXPORT BASS_BOOL BASS_ChannelSet3DPosition(BASS_DWORD handle, const BASS_3DVECTOR* position,
                                                const BASS_3DVECTOR* orientation,
                                                const BASS_3DVECTOR* velocity) {
    const ChannelRef ref = findChannel(handle);
    if (ref.channel == nullptr || !ref.sample->is3d()) {
        return 0;
    }
    if (ref.channel->voice) {
        ref.channel->voice->SetPlace(position, orientation, velocity);
    }
    return 1;
}

BASS_EXPORT BASS_BOOL BASS_Set3DPosition(const BASS_3DVECTOR* position,
                                         const BASS_3DVECTOR* velocity, const BASS_3DVECTOR* front,
                                         const BASS_3DVECTOR* top) {
    if (!state.initialised) {
        return 0;
    }
    if (audible()) {
        state.output->SetListener(position, velocity, front, top);
    }
    return 1;
}
