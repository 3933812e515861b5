// The audio library module's mixer on Linux: OpenAL Soft.
#include <AL/al.h>
#include <AL/alc.h>
#include <dlfcn.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>

#include "audio/backend/sound_module.h"
#include "audio/backend/sound_output.h"
#include "audio/backend/stream_pump.h"

namespace audio::backend {
namespace {

constexpr float kSpeedOfSound = 343.3f;  // metres a second

// Our scene is left-handed, OpenAL's right-handed: the depth axis flips.
void toAl(const BASS_3DVECTOR& v, ALfloat* out) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = -v.z;
}

// ALSA's library, which the mixer opens for the system's devices, prints every complaint of its
// configuration on stderr (no card at all makes eight lines). While the mixer's own log is off,
// so is ALSA's: its handler is one that drops the text, put back before the output goes.
using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
using SetAlsaErrorHandler = int (*)(AlsaErrorHandler);

void dropAlsaError(const char*, int, const char*, int, const char*, ...) {}

class QuietAlsa {
public:
    QuietAlsa() {
        const char* level = std::getenv("ALSOFT_LOGLEVEL");
        if (level != nullptr && std::strcmp(level, "0") != 0) {
            return;
        }
        library_ = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
        setHandler(&dropAlsaError);
    }
    ~QuietAlsa() {
        setHandler(nullptr);
        if (library_ != nullptr) {
            dlclose(library_);
        }
    }
    QuietAlsa(const QuietAlsa&) = delete;
    QuietAlsa& operator=(const QuietAlsa&) = delete;

private:
    void setHandler(AlsaErrorHandler handler) {
        if (library_ == nullptr) {
            return;
        }
        if (auto set = reinterpret_cast<SetAlsaErrorHandler>(
                dlsym(library_, "snd_lib_error_set_handler"))) {
            set(handler);
        }
    }

    void* library_ = nullptr;
};

class AlSoundData final : public SoundData {
public:
    explicit AlSoundData(long rate) : rate(rate) {
        alGenBuffers(1, &buffer);
    }
    ~AlSoundData() override {
        alDeleteBuffers(1, &buffer);
    }
    AlSoundData(const AlSoundData&) = delete;
    AlSoundData& operator=(const AlSoundData&) = delete;

    ALuint buffer = 0;
    long rate = 0;
};

class AlVoice : public Voice {
public:
    AlVoice(ALuint source, const AlSoundData& data, bool is3d, bool loop, float rolloff)
        : AlVoice(source, data.rate, is3d, rolloff) {
        alSourcei(source, AL_BUFFER, static_cast<ALint>(data.buffer));
        alSourcei(source, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
    }
    ~AlVoice() override {
        alSourceStop(source_);
        alDeleteSources(1, &source_);
    }
    AlVoice(const AlVoice&) = delete;
    AlVoice& operator=(const AlVoice&) = delete;

    void Play(bool restart) override {
        if (restart) {
            alSourceRewind(source_);
        }
        alSourcePlay(source_);
    }
    void Stop() override {
        alSourceStop(source_);
    }
    bool Playing() const override {
        ALint playing = AL_STOPPED;
        alGetSourcei(source_, AL_SOURCE_STATE, &playing);
        return playing == AL_PLAYING || playing == AL_PAUSED;
    }
    void SetGain(float gain) override {
        alSourcef(source_, AL_GAIN, gain);
    }
    void SetFrequency(float hertz) override {
        alSourcef(source_, AL_PITCH, hertz / static_cast<float>(rate_));
    }
    // A plain sound is panned by its place on a unit circle in front of the listener.
    void SetPan(float pan) override {
        alSource3f(source_, AL_POSITION, pan, 0.0f, -std::sqrt(1.0f - pan * pan));
    }
    // OpenAL's clamped exponent model: the attenuation in decibels is the roll-off times that of
    // the real world, held from the maximum distance on.
    void SetDistances(float nearest, float farthest) override {
        if (nearest > 0.0f) {
            alSourcef(source_, AL_REFERENCE_DISTANCE, nearest);
        }
        if (farthest > 0.0f) {
            alSourcef(source_, AL_MAX_DISTANCE, farthest);
        }
    }
    void SetCone(float insideDegrees, float outsideDegrees, float outsideGain) override {
        if (insideDegrees >= 0.0f) {
            alSourcef(source_, AL_CONE_INNER_ANGLE, insideDegrees);
        }
        if (outsideDegrees >= 0.0f) {
            alSourcef(source_, AL_CONE_OUTER_ANGLE, outsideDegrees);
        }
        if (outsideGain >= 0.0f) {
            alSourcef(source_, AL_CONE_OUTER_GAIN, outsideGain);
        }
    }
    void SetPlace(const BASS_3DVECTOR* position, const BASS_3DVECTOR* direction,
                  const BASS_3DVECTOR* velocity) override {
        ALfloat v[3];
        if (position != nullptr) {
            toAl(*position, v);
            alSourcefv(source_, AL_POSITION, v);
        }
        if (direction != nullptr) {
            toAl(*direction, v);
            alSourcefv(source_, AL_DIRECTION, v);
        }
        if (velocity != nullptr) {
            toAl(*velocity, v);
            alSourcefv(source_, AL_VELOCITY, v);
        }
    }
    void SetRolloff(float rolloff) override {
        if (is3d_) {
            alSourcef(source_, AL_ROLLOFF_FACTOR, rolloff);
        }
    }

protected:
    AlVoice(ALuint source, long rate, bool is3d, float rolloff)
        : source_(source), rate_(rate), is3d_(is3d) {
        // Plain sounds stay with the listener; only 3D ones roll off with distance.
        alSourcei(source, AL_SOURCE_RELATIVE, is3d ? AL_FALSE : AL_TRUE);
        alSourcef(source, AL_ROLLOFF_FACTOR, is3d ? rolloff : 0.0f);
        alSourcef(source, AL_REFERENCE_DISTANCE, 1.0f);
        alSourcef(source, AL_MAX_DISTANCE, 1.0e9f);
    }

    ALuint source_;

private:
    long rate_;
    bool is3d_;
};

// A long sound played from a queue of buffers, each refilled from its decoder once played.
class AlStreamVoice final : public AlVoice, public StreamingVoice {
public:
    AlStreamVoice(ALuint source, std::unique_ptr<OggStream> stream, bool is3d, bool loop,
                  float rolloff, StreamPump& pump)
        : AlVoice(source, stream->rate(), is3d, rolloff),
          StreamingVoice(pump),
          stream_(std::move(stream)),
          loop_(loop),
          format_(stream_->channels() == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16),
          frames_(static_cast<std::size_t>(stream_->rate()) * StreamPump::kHeldMilliseconds /
                  1000 / kBuffers) {
        alGenBuffers(kBuffers, buffers_);
        scratch_.resize(frames_ * static_cast<std::size_t>(stream_->channels()));
        pump_.Add(this);
    }
    ~AlStreamVoice() override {
        pump_.Remove(this);
        Drain();
        alDeleteBuffers(kBuffers, buffers_);
    }
    AlStreamVoice(const AlStreamVoice&) = delete;
    AlStreamVoice& operator=(const AlStreamVoice&) = delete;

    void Play(bool restart) override {
        std::lock_guard<std::mutex> hold(pump_.Lock());
        if (playing_ && !restart) {
            return;
        }
        Drain();
        if (restart || ended_) {
            stream_->Rewind();
        }
        ended_ = false;
        for (ALuint buffer : buffers_) {
            if (!Queue(buffer)) {
                break;
            }
        }
        alSourcePlay(source_);
        playing_ = true;
    }
    void Stop() override {
        std::lock_guard<std::mutex> hold(pump_.Lock());
        Drain();
        playing_ = false;
    }
    bool Playing() const override { return PlayingNow(); }
    void Refill() override {
        if (!playing_) {
            return;
        }
        ALint played = 0;
        alGetSourcei(source_, AL_BUFFERS_PROCESSED, &played);
        for (; played > 0; --played) {
            ALuint buffer = 0;
            alSourceUnqueueBuffers(source_, 1, &buffer);
            if (!ended_) {
                Queue(buffer);
            }
        }
        ALint queued = 0;
        alGetSourcei(source_, AL_BUFFERS_QUEUED, &queued);
        ALint running = AL_STOPPED;
        alGetSourcei(source_, AL_SOURCE_STATE, &running);
        if (queued == 0) {
            playing_ = false;
        } else if (running != AL_PLAYING) {
            // The queue ran dry while the thread was held up: play on from what is there.
            alSourcePlay(source_);
        }
    }

private:
    static constexpr int kBuffers = 8;

    // Stops the source and takes every buffer off its queue.
    void Drain() {
        alSourceStop(source_);
        alSourcei(source_, AL_BUFFER, 0);
    }

    // Decodes the next part into `buffer` and queues it; false at the end of the sound.
    bool Queue(ALuint buffer) {
        const std::size_t got = stream_->Read(scratch_.data(), frames_, loop_);
        if (got < frames_) {
            ended_ = true;
        }
        if (got == 0) {
            return false;
        }
        alBufferData(buffer, format_, scratch_.data(),
                     static_cast<ALsizei>(got * static_cast<std::size_t>(stream_->channels()) * 2),
                     static_cast<ALsizei>(stream_->rate()));
        alSourceQueueBuffers(source_, 1, &buffer);
        return true;
    }

    std::unique_ptr<OggStream> stream_;
    bool loop_;
    ALenum format_;
    std::size_t frames_;
    ALuint buffers_[kBuffers] = {};
    std::vector<std::int16_t> scratch_;
    bool ended_ = false;
};

class AlOutput final : public Output {
public:
    AlOutput(std::unique_ptr<QuietAlsa> quietAlsa, ALCdevice* device, ALCcontext* context)
        : quietAlsa_(std::move(quietAlsa)), device_(device), context_(context) {
        pumping_ = std::thread([this] {
            std::unique_lock<std::mutex> wait(stopMutex_);
            while (!stopping_) {
                wait.unlock();
                pump_.RefillAll();
                wait.lock();
                stopped_.wait_for(wait, std::chrono::milliseconds(StreamPump::kPeriodMilliseconds),
                                  [this] { return stopping_; });
            }
        });
    }
    ~AlOutput() override {
        Park();
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(context_);
        alcCloseDevice(device_);
    }
    AlOutput(const AlOutput&) = delete;
    AlOutput& operator=(const AlOutput&) = delete;

    std::unique_ptr<SoundData> Upload(const DecodedSound& sound, bool) override {
        auto data = std::make_unique<AlSoundData>(sound.rate);
        alBufferData(data->buffer, sound.channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16,
                     sound.samples.data(),
                     static_cast<ALsizei>(sound.samples.size() * sizeof(std::int16_t)),
                     static_cast<ALsizei>(sound.rate));
        if (alGetError() != AL_NO_ERROR) {
            return nullptr;
        }
        return data;
    }
    std::unique_ptr<Voice> NewVoice(const SoundData& data, bool is3d, bool loop,
                                    float rolloff) override {
        std::unique_ptr<OggStream> stream;
        if (const StreamedSound* streamed = data.Streamed()) {
            stream = streamed->NewStream();
            if (stream == nullptr) {
                return nullptr;
            }
        }
        ALuint source = 0;
        alGenSources(1, &source);
        if (alGetError() != AL_NO_ERROR) {
            return nullptr;
        }
        if (stream != nullptr) {
            return std::make_unique<AlStreamVoice>(source, std::move(stream), is3d, loop, rolloff,
                                                   pump_);
        }
        return std::make_unique<AlVoice>(source, static_cast<const AlSoundData&>(data), is3d,
                                         loop, rolloff);
    }
    void SetListener(const BASS_3DVECTOR* position, const BASS_3DVECTOR* velocity,
                     const BASS_3DVECTOR* front, const BASS_3DVECTOR* top) override {
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
    }
    // OpenAL rolls off per source. Its speed of sound is in units a second, and the Doppler
    // effect is the only thing the unit changes.
    void SetFactors(float distance, float, float doppler) override {
        alSpeedOfSound(kSpeedOfSound / distance);
        alDopplerFactor(doppler);
    }
    // OpenAL applies every change at once; nothing is deferred.
    void Commit() override {}
    void Park() override {
        {
            std::lock_guard<std::mutex> hold(stopMutex_);
            stopping_ = true;
        }
        stopped_.notify_all();
        if (pumping_.joinable()) {
            pumping_.join();
        }
    }

private:
    std::unique_ptr<QuietAlsa> quietAlsa_;
    ALCdevice* device_;
    ALCcontext* context_;
    StreamPump pump_;
    std::mutex stopMutex_;
    std::condition_variable stopped_;
    bool stopping_ = false;
    std::thread pumping_;
};

// Closing the device when the module is unloaded lets the mixer finish its output.
__attribute__((destructor)) void onUnload() {
    Unload();
}

}  // namespace

std::unique_ptr<Output> OpenOutput(unsigned frequency, void*) {
    auto quietAlsa = std::make_unique<QuietAlsa>();
    ALCdevice* device = alcOpenDevice(nullptr);
    if (device == nullptr) {
        return nullptr;
    }
    const ALCint attributes[] = {ALC_FREQUENCY, static_cast<ALCint>(frequency), 0};
    ALCcontext* context = alcCreateContext(device, attributes);
    if (context == nullptr || alcMakeContextCurrent(context) == ALC_FALSE) {
        if (context != nullptr) {
            alcDestroyContext(context);
        }
        alcCloseDevice(device);
        return nullptr;
    }
    alDistanceModel(AL_EXPONENT_DISTANCE_CLAMPED);
    return std::make_unique<AlOutput>(std::move(quietAlsa), device, context);
}

}  // namespace audio::backend
