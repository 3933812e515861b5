// The audio library module: the eleven functions the program calls, mixed by OpenAL.
#include <AL/al.h>
#include <AL/alc.h>
#include <dlfcn.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "audio/backend/ogg_decoder.h"
#include "audio/bass_api.h"

#define BASS_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr BASS_DWORD kChannelTag = 0x40000000u;
constexpr BASS_DWORD kMaxChannelsPerSample = 32;
// Distances as the library's 3D model starts them: full level up to one unit, quieter by the
// roll-off beyond (1.0 is the real world's 6 dB for each doubling), no limit.
constexpr float kDefaultMinDistance = 1.0f;
constexpr float kDefaultMaxDistance = 1.0e9f;
constexpr float kDefaultRolloff = 1.0f;
constexpr float kMaxRolloff = 10.0f;

struct Sample {
    ALuint buffer = 0;
    long rate = 0;
    BASS_DWORD flags = 0;
    BASS_DWORD maxChannels = 1;
    std::vector<ALuint> sources;
};

struct State {
    bool initialised = false;
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    std::vector<Sample> samples;
    float rolloff = kDefaultRolloff;
};

State state;

bool audible() {
    return state.context != nullptr;
}

// Our scene is left-handed, OpenAL's right-handed: the depth axis flips.
void toAl(const BASS_3DVECTOR& v, ALfloat* out) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = -v.z;
}

Sample* findSample(HSAMPLE handle) {
    if (handle == 0 || handle > state.samples.size()) {
        return nullptr;
    }
    return &state.samples[handle - 1];
}

// A channel handle names its sample and its slot among the sample's sources.
struct ChannelRef {
    Sample* sample = nullptr;
    ALuint source = 0;
};

ChannelRef findChannel(BASS_DWORD handle) {
    if ((handle & kChannelTag) == 0) {
        return {};
    }
    Sample* sample = findSample((handle & ~kChannelTag) >> 5);
    const BASS_DWORD slot = handle & 31u;
    if (sample == nullptr || slot >= sample->sources.size()) {
        return {};
    }
    return {sample, sample->sources[slot]};
}

// ALSA's library, which the mixer opens for the system's devices, prints every complaint of its
// configuration on stderr (no card at all makes eight lines). While the mixer's own log is off,
// so is ALSA's: its handler is one that drops the text, put back before this module goes.
using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
using SetAlsaErrorHandler = int (*)(AlsaErrorHandler);

void dropAlsaError(const char*, int, const char*, int, const char*, ...) {}

void* alsaLibrary = nullptr;

void setAlsaErrorHandler(AlsaErrorHandler handler) {
    if (alsaLibrary == nullptr) {
        return;
    }
    if (auto set = reinterpret_cast<SetAlsaErrorHandler>(
            dlsym(alsaLibrary, "snd_lib_error_set_handler"))) {
        set(handler);
    }
}

void quietAlsa() {
    const char* level = std::getenv("ALSOFT_LOGLEVEL");
    if (alsaLibrary != nullptr || (level != nullptr && std::strcmp(level, "0") != 0)) {
        return;
    }
    alsaLibrary = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
    setAlsaErrorHandler(&dropAlsaError);
}

void restoreAlsa() {
    setAlsaErrorHandler(nullptr);
    if (alsaLibrary != nullptr) {
        dlclose(alsaLibrary);
        alsaLibrary = nullptr;
    }
}

void shutdown() {
    if (state.context != nullptr) {
        for (Sample& s : state.samples) {
            if (!s.sources.empty()) {
                alDeleteSources(static_cast<ALsizei>(s.sources.size()), s.sources.data());
            }
            if (s.buffer != 0) {
                alDeleteBuffers(1, &s.buffer);
            }
        }
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(state.context);
    }
    if (state.device != nullptr) {
        alcCloseDevice(state.device);
    }
    restoreAlsa();
    state = State{};
}

// Closing the device when the module is unloaded lets the mixer finish its output.
__attribute__((destructor)) void onUnload() {
    shutdown();
}

}  // namespace

BASS_EXPORT BASS_BOOL BASS_Init(int device, BASS_DWORD freq, BASS_DWORD, void*, void*) {
    shutdown();
    if (device == 0) {
        state.initialised = true;
        return 1;
    }
    if (device != 1) {
        return 0;
    }
    quietAlsa();
    state.device = alcOpenDevice(nullptr);
    if (state.device == nullptr) {
        return 0;
    }
    const ALCint attributes[] = {ALC_FREQUENCY, static_cast<ALCint>(freq), 0};
    state.context = alcCreateContext(state.device, attributes);
    if (state.context == nullptr || alcMakeContextCurrent(state.context) == ALC_FALSE) {
        shutdown();
        return 0;
    }
    // The attenuation in decibels is the roll-off times that of the real world, held from the
    // maximum distance on: OpenAL's clamped exponent model.
    alDistanceModel(AL_EXPONENT_DISTANCE_CLAMPED);
    alDopplerFactor(0.0f);
    state.initialised = true;
    return 1;
}

// The distance factor only changes the unit, which this model does not depend on; Doppler is
// off. A negative value leaves a factor as it is.
BASS_EXPORT BASS_BOOL BASS_Set3DFactors(float, float rolloff, float) {
    if (!state.initialised) {
        return 0;
    }
    if (rolloff < 0.0f || std::isnan(rolloff)) {
        return 1;
    }
    state.rolloff = rolloff < kMaxRolloff ? rolloff : kMaxRolloff;
    if (audible()) {
        for (const Sample& sample : state.samples) {
            if ((sample.flags & BASS_SAMPLE_3D) != 0) {
                for (const ALuint source : sample.sources) {
                    alSourcef(source, AL_ROLLOFF_FACTOR, state.rolloff);
                }
            }
        }
    }
    return 1;
}

// OpenAL applies every change at once; nothing is deferred.
BASS_EXPORT void BASS_Apply3D() {}

BASS_EXPORT BASS_DWORD BASS_SetConfig(BASS_DWORD option, BASS_DWORD value) {
    if (option != BASS_CONFIG_GVOL_SAMPLE || value > 100) {
        return 0;
    }
    if (audible()) {
        alListenerf(AL_GAIN, static_cast<float>(value) / 100.0f);
    }
    return 1;
}

BASS_EXPORT HSAMPLE BASS_SampleLoad(BASS_BOOL memory, const void* file, BASS_DWORD offset,
                                    BASS_DWORD length, BASS_DWORD max, BASS_DWORD flags) {
    if (!state.initialised || !memory || file == nullptr || max == 0 ||
        state.samples.size() >= 0xFFFFu) {
        return 0;
    }
    // 3D sounds are placed by OpenAL only when mono.
    const bool mono = (flags & (BASS_SAMPLE_MONO | BASS_SAMPLE_3D)) != 0;
    audio::backend::DecodedSound sound;
    if (!audio::backend::DecodeOgg(static_cast<const unsigned char*>(file) + offset, length, mono,
                                   sound)) {
        return 0;
    }
    Sample sample;
    sample.rate = sound.rate;
    sample.flags = flags;
    sample.maxChannels = max < kMaxChannelsPerSample ? max : kMaxChannelsPerSample;
    if (audible()) {
        alGenBuffers(1, &sample.buffer);
        alBufferData(sample.buffer, sound.channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16,
                     sound.samples.data(),
                     static_cast<ALsizei>(sound.samples.size() * sizeof(std::int16_t)),
                     static_cast<ALsizei>(sound.rate));
        if (alGetError() != AL_NO_ERROR) {
            alDeleteBuffers(1, &sample.buffer);
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
    BASS_DWORD slot = 0;
    // A source that has finished is reused; only new channels are handed out.
    for (; slot < sample->sources.size(); ++slot) {
        ALint playing = AL_STOPPED;
        if (audible()) {
            alGetSourcei(sample->sources[slot], AL_SOURCE_STATE, &playing);
        }
        if (playing != AL_PLAYING && playing != AL_PAUSED) {
            break;
        }
    }
    if (slot == sample->sources.size()) {
        if (slot >= sample->maxChannels) {
            return 0;
        }
        ALuint source = 0;
        if (audible()) {
            alGenSources(1, &source);
            if (alGetError() != AL_NO_ERROR) {
                return 0;
            }
        }
        sample->sources.push_back(source);
    }
    const ALuint source = sample->sources[slot];
    if (audible()) {
        const bool is3d = (sample->flags & BASS_SAMPLE_3D) != 0;
        alSourceStop(source);
        alSourcei(source, AL_BUFFER, static_cast<ALint>(sample->buffer));
        alSourcei(source, AL_LOOPING, (sample->flags & BASS_SAMPLE_LOOP) ? AL_TRUE : AL_FALSE);
        alSourcei(source, AL_SOURCE_RELATIVE, is3d ? AL_FALSE : AL_TRUE);
        alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
        alSourcef(source, AL_GAIN, 1.0f);
        alSourcef(source, AL_PITCH, 1.0f);
        alSourcef(source, AL_ROLLOFF_FACTOR, is3d ? state.rolloff : 0.0f);
        alSourcef(source, AL_REFERENCE_DISTANCE, kDefaultMinDistance);
        alSourcef(source, AL_MAX_DISTANCE, kDefaultMaxDistance);
    }
    return kChannelTag | (handle << 5) | slot;
}

BASS_EXPORT BASS_BOOL BASS_ChannelPlay(BASS_DWORD handle, BASS_BOOL restart) {
    const ChannelRef channel = findChannel(handle);
    if (channel.sample == nullptr) {
        return 0;
    }
    if (audible()) {
        if (restart) {
            alSourceRewind(channel.source);
        }
        alSourcePlay(channel.source);
    }
    return 1;
}

BASS_EXPORT BASS_BOOL BASS_ChannelSetAttributes(BASS_DWORD handle, int freq, int volume, int pan) {
    const ChannelRef channel = findChannel(handle);
    if (channel.sample == nullptr) {
        return 0;
    }
    if (!audible()) {
        return 1;
    }
    if (freq > 0) {
        alSourcef(channel.source, AL_PITCH,
                  static_cast<float>(freq) / static_cast<float>(channel.sample->rate));
    }
    if (volume >= 0 && volume <= 100) {
        alSourcef(channel.source, AL_GAIN, static_cast<float>(volume) / 100.0f);
    }
    // Pan places a plain sound on a unit circle in front of the listener; 3D sounds ignore it.
    if (pan >= -100 && pan <= 100 && (channel.sample->flags & BASS_SAMPLE_3D) == 0) {
        const float x = static_cast<float>(pan) / 100.0f;
        alSource3f(channel.source, AL_POSITION, x, 0.0f, -std::sqrt(1.0f - x * x));
    }
    return 1;
}

BASS_EXPORT BASS_BOOL BASS_ChannelSet3DAttributes(BASS_DWORD handle, int, float minDist,
                                                  float maxDist, int insideAngle, int outsideAngle,
                                                  int outsideVolume) {
    const ChannelRef channel = findChannel(handle);
    if (channel.sample == nullptr || (channel.sample->flags & BASS_SAMPLE_3D) == 0) {
        return 0;
    }
    if (!audible()) {
        return 1;
    }
    // Full level up to the minimum distance, quieter with the roll-off up to the maximum and
    // no quieter beyond it; 0 or less leaves a distance as it is.
    if (minDist > 0.0f) {
        alSourcef(channel.source, AL_REFERENCE_DISTANCE, minDist);
    }
    if (maxDist > 0.0f) {
        alSourcef(channel.source, AL_MAX_DISTANCE, maxDist);
    }
    if (insideAngle >= 0 && insideAngle <= 360) {
        alSourcef(channel.source, AL_CONE_INNER_ANGLE, static_cast<float>(insideAngle));
    }
    if (outsideAngle >= 0 && outsideAngle <= 360) {
        alSourcef(channel.source, AL_CONE_OUTER_ANGLE, static_cast<float>(outsideAngle));
    }
    if (outsideVolume >= 0 && outsideVolume <= 100) {
        alSourcef(channel.source, AL_CONE_OUTER_GAIN, static_cast<float>(outsideVolume) / 100.0f);
    }
    return 1;
}

BASS_EXPORT BASS_BOOL BASS_ChannelSet3DPosition(BASS_DWORD handle, const BASS_3DVECTOR* position,
                                                const BASS_3DVECTOR* orientation,
                                                const BASS_3DVECTOR* velocity) {
    const ChannelRef channel = findChannel(handle);
    if (channel.sample == nullptr || (channel.sample->flags & BASS_SAMPLE_3D) == 0) {
        return 0;
    }
    if (!audible()) {
        return 1;
    }
    ALfloat v[3];
    if (position != nullptr) {
        toAl(*position, v);
        alSourcefv(channel.source, AL_POSITION, v);
    }
    if (orientation != nullptr) {
        toAl(*orientation, v);
        alSourcefv(channel.source, AL_DIRECTION, v);
    }
    if (velocity != nullptr) {
        toAl(*velocity, v);
        alSourcefv(channel.source, AL_VELOCITY, v);
    }
    return 1;
}

BASS_EXPORT BASS_BOOL BASS_Set3DPosition(const BASS_3DVECTOR* position,
                                         const BASS_3DVECTOR* velocity, const BASS_3DVECTOR* front,
                                         const BASS_3DVECTOR* top) {
    if (!state.initialised) {
        return 0;
    }
    if (!audible()) {
        return 1;
    }
    ALfloat v[6];
    if (position != nullptr) {
        toAl(*position, v);
        alListenerfv(AL_POSITION, v);
    }
    if (velocity != nullptr) {
        toAl(*velocity, v);
        alListenerfv(AL_VELOCITY, v);
    }
    if (front != nullptr && top != nullptr) {
        toAl(*front, v);
        toAl(*top, v + 3);
        alListenerfv(AL_ORIENTATION, v);
    }
    return 1;
}
