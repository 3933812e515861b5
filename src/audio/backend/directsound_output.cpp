// The audio library module's mixer on Windows: DirectSound 8, loaded at run time, with a
// secondary buffer per voice (duplicates of one buffer per sample), 3D buffers and the primary
// buffer's listener, whose deferred settings Commit applies together.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "audio/backend/sound_module.h"
#include "audio/backend/sound_output.h"
#include "audio/backend/stream_pump.h"
#include "platform/win32/win32_api.h"

#include <mmsystem.h>
#include <mmreg.h>
#include <dsound.h>

namespace audio::backend {
namespace {

struct ComRelease {
    void operator()(IUnknown* object) const {
        object->Release();
    }
};
template <typename T>
using Com = std::unique_ptr<T, ComRelease>;

// DirectSound takes levels as hundredths of a decibel below full, -10000 being silence.
LONG Hundredths(float gain) {
    if (!(gain > 0.0f)) {
        return DSBVOLUME_MIN;
    }
    const double level = std::round(2000.0 * std::log10(double(gain)));
    return static_cast<LONG>(std::clamp(level, double(DSBVOLUME_MIN), double(DSBVOLUME_MAX)));
}

class DsSoundData final : public SoundData {
public:
    explicit DsSoundData(IDirectSoundBuffer* buffer) : buffer(buffer) {}
    Com<IDirectSoundBuffer> buffer;
};

// DirectSound's axes are left-handed, as the scene's are.
class DsVoice : public Voice {
public:
    DsVoice(IDirectSoundBuffer* buffer, IDirectSound3DBuffer* place, bool loop)
        : buffer_(buffer), place_(place), loop_(loop) {}

    void Play(bool restart) override {
        if (restart) {
            buffer_->SetCurrentPosition(0);
        }
        buffer_->Play(0, 0, loop_ ? DSBPLAY_LOOPING : 0);
    }
    void Stop() override {
        buffer_->Stop();
    }
    bool Playing() const override {
        DWORD status = 0;
        return SUCCEEDED(buffer_->GetStatus(&status)) && (status & DSBSTATUS_PLAYING) != 0;
    }
    void SetGain(float gain) override {
        buffer_->SetVolume(Hundredths(gain));
    }
    void SetFrequency(float hertz) override {
        const double rate = std::clamp(std::round(double(hertz)), double(DSBFREQUENCY_MIN),
                                       double(DSBFREQUENCY_MAX));
        buffer_->SetFrequency(static_cast<DWORD>(rate));
    }
    // DirectSound pans by lowering one side; it is lowered to where the constant-power law of a
    // sound on the unit circle in front of the listener puts it against the other.
    void SetPan(float pan) override {
        const double angle = (double(std::clamp(pan, -1.0f, 1.0f)) + 1.0) * 0.25 * 3.14159265358979;
        const double left = std::cos(angle), right = std::sin(angle);
        const LONG value = pan >= 0.0f ? -Hundredths(float(left / right))
                                       : Hundredths(float(right / left));
        buffer_->SetPan(std::clamp<LONG>(value, DSBPAN_LEFT, DSBPAN_RIGHT));
    }
    void SetDistances(float nearest, float farthest) override {
        if (place_ == nullptr) {
            return;
        }
        if (nearest > 0.0f) {
            place_->SetMinDistance(nearest, DS3D_DEFERRED);
        }
        if (farthest > 0.0f) {
            place_->SetMaxDistance(farthest, DS3D_DEFERRED);
        }
    }
    void SetCone(float insideDegrees, float outsideDegrees, float outsideGain) override {
        if (place_ == nullptr) {
            return;
        }
        DWORD inside = 360, outside = 360;
        place_->GetConeAngles(&inside, &outside);
        if (insideDegrees >= 0.0f) {
            inside = static_cast<DWORD>(insideDegrees);
        }
        if (outsideDegrees >= 0.0f) {
            outside = static_cast<DWORD>(outsideDegrees);
        }
        place_->SetConeAngles(inside, outside, DS3D_DEFERRED);
        if (outsideGain >= 0.0f) {
            place_->SetConeOutsideVolume(Hundredths(outsideGain), DS3D_DEFERRED);
        }
    }
    void SetPlace(const BASS_3DVECTOR* position, const BASS_3DVECTOR* direction,
                  const BASS_3DVECTOR* velocity) override {
        if (place_ == nullptr) {
            return;
        }
        if (position != nullptr) {
            place_->SetPosition(position->x, position->y, position->z, DS3D_DEFERRED);
        }
        if (direction != nullptr) {
            place_->SetConeOrientation(direction->x, direction->y, direction->z, DS3D_DEFERRED);
        }
        if (velocity != nullptr) {
            place_->SetVelocity(velocity->x, velocity->y, velocity->z, DS3D_DEFERRED);
        }
    }
    // DirectSound rolls off per listener.
    void SetRolloff(float) override {}

protected:
    Com<IDirectSoundBuffer> buffer_;

private:
    Com<IDirectSound3DBuffer> place_;  // null for a plain sound
    bool loop_;
};

// A long sound played from a looping buffer of a second, rewritten behind the play cursor from
// its decoder; once a sound that doesn't loop has ended, a buffer's length of silence follows
// and the voice stops.
class DsStreamVoice final : public DsVoice, public StreamingVoice {
public:
    DsStreamVoice(IDirectSoundBuffer* buffer, IDirectSound3DBuffer* place,
                  std::unique_ptr<OggStream> stream, DWORD bytes, bool loop, StreamPump& pump)
        : DsVoice(buffer, place, true),
          StreamingVoice(pump),
          stream_(std::move(stream)),
          frameBytes_(static_cast<DWORD>(stream_->channels()) * 2),
          bytes_(bytes),
          loop_(loop) {
        pump_.Add(this);
    }
    ~DsStreamVoice() override {
        pump_.Remove(this);
    }
    DsStreamVoice(const DsStreamVoice&) = delete;
    DsStreamVoice& operator=(const DsStreamVoice&) = delete;

    void Play(bool restart) override {
        std::lock_guard<std::mutex> hold(pump_.Lock());
        if (playing_ && !restart) {
            return;
        }
        buffer_->Stop();
        if (restart || silence_ > 0) {
            stream_->Rewind();
        }
        silence_ = 0;
        buffer_->SetCurrentPosition(0);
        writeAt_ = 0;
        Write(bytes_);
        buffer_->Play(0, 0, DSBPLAY_LOOPING);
        playing_ = true;
    }
    void Stop() override {
        std::lock_guard<std::mutex> hold(pump_.Lock());
        buffer_->Stop();
        playing_ = false;
    }
    bool Playing() const override { return PlayingNow(); }
    void Refill() override {
        if (!playing_) {
            return;
        }
        DWORD play = 0, write = 0;
        if (FAILED(buffer_->GetCurrentPosition(&play, &write))) {
            return;
        }
        // Everything from where the last write ended up to the play cursor has been played.
        Write((play + bytes_ - writeAt_) % bytes_);
        if (silence_ >= bytes_) {
            buffer_->Stop();
            playing_ = false;
        }
    }

private:
    // Fills `count` bytes from the write position on, with silence after the end.
    void Write(DWORD count) {
        count -= count % frameBytes_;
        if (count == 0) {
            return;
        }
        void* parts[2] = {};
        DWORD sizes[2] = {};
        if (FAILED(buffer_->Lock(writeAt_, count, &parts[0], &sizes[0], &parts[1], &sizes[1], 0))) {
            return;
        }
        for (int i = 0; i < 2; ++i) {
            auto* out = static_cast<std::int16_t*>(parts[i]);
            const std::size_t frames = sizes[i] / frameBytes_;
            const std::size_t got = silence_ > 0 ? 0 : stream_->Read(out, frames, loop_);
            if (got < frames) {
                std::memset(out + got * (frameBytes_ / 2), 0, (frames - got) * frameBytes_);
                silence_ += static_cast<DWORD>((frames - got) * frameBytes_);
            }
        }
        buffer_->Unlock(parts[0], sizes[0], parts[1], sizes[1]);
        writeAt_ = (writeAt_ + count) % bytes_;
    }

    std::unique_ptr<OggStream> stream_;
    DWORD frameBytes_;
    DWORD bytes_;
    bool loop_;
    DWORD writeAt_ = 0;
    DWORD silence_ = 0;  // bytes of silence written since the sound ended
};

// The device's last release waits for DirectSound's mixing thread to end, which needs the
// loader lock that the module's unloading holds. A thread that starts right at the device's own
// Release, in DirectSound's library (left loaded for it), releases it once the lock is free, so
// the device's stream is closed before the process ends. Without that thread the device is let
// go unreleased, as at the process's end.
void ReleaseOutsideTheLoaderLock(IDirectSound8* sound) {
    // Release is the third entry of every COM interface's table; it takes its object as a
    // thread's start takes its argument.
    void* const* methods = *reinterpret_cast<void* const* const*>(sound);
    const auto release = reinterpret_cast<LPTHREAD_START_ROUTINE>(methods[2]);
    const HANDLE releasing = CreateThread(nullptr, 0, release, sound, 0, nullptr);
    if (releasing != nullptr) {
        CloseHandle(releasing);
    }
}

class DsOutput final : public Output {
public:
    DsOutput(HMODULE library, IDirectSound8* sound, IDirectSoundBuffer* primary,
             IDirectSound3DListener* listener)
        : library_(library), sound_(sound), primary_(primary), listener_(listener) {
        stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        parked_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        never_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (stop_ != nullptr && parked_ != nullptr && never_ != nullptr) {
            pumping_ = CreateThread(nullptr, 0, &Pumping, this, 0, nullptr);
        }
        // Sound that runs dry is heard at once; a late picture hardly.
        if (pumping_ != nullptr) {
            SetThreadPriority(pumping_, THREAD_PRIORITY_ABOVE_NORMAL);
        }
    }
    ~DsOutput() override {
        if (parkedForGood_) {
            // The parked thread keeps waiting on its events, so they stay open.
            listener_.reset();
            primary_.reset();
            ReleaseOutsideTheLoaderLock(sound_.release());
            return;
        }
        if (pumping_ != nullptr) {
            SetEvent(stop_);
            WaitForSingleObject(pumping_, INFINITE);
        }
        for (HANDLE handle : {pumping_, stop_, parked_, never_}) {
            if (handle != nullptr) {
                CloseHandle(handle);
            }
        }
        listener_.reset();
        primary_.reset();
        sound_.reset();
        FreeLibrary(library_);
    }
    DsOutput(const DsOutput&) = delete;
    DsOutput& operator=(const DsOutput&) = delete;

    std::unique_ptr<SoundData> Upload(const DecodedSound& sound, bool is3d) override {
        const std::size_t bytes = sound.samples.size() * sizeof(std::int16_t);
        IDirectSoundBuffer* created = NewBuffer(sound.channels, sound.rate, bytes, is3d);
        if (created == nullptr) {
            return nullptr;
        }
        auto data = std::make_unique<DsSoundData>(created);
        void* first = nullptr;
        void* second = nullptr;
        DWORD firstBytes = 0, secondBytes = 0;
        if (FAILED(created->Lock(0, 0, &first, &firstBytes, &second, &secondBytes,
                                 DSBLOCK_ENTIREBUFFER)) ||
            firstBytes != bytes) {
            return nullptr;
        }
        std::memcpy(first, sound.samples.data(), bytes);
        created->Unlock(first, firstBytes, second, secondBytes);
        return data;
    }

    std::unique_ptr<Voice> NewVoice(const SoundData& data, bool is3d, bool loop,
                                    float) override {
        if (const StreamedSound* streamed = data.Streamed()) {
            auto stream = streamed->NewStream();
            if (stream == nullptr) {
                return nullptr;
            }
            const auto bytes = static_cast<std::size_t>(stream->rate()) *
                               static_cast<std::size_t>(stream->channels()) * 2 *
                               StreamPump::kHeldMilliseconds / 1000;
            Com<IDirectSoundBuffer> buffer(
                NewBuffer(stream->channels(), stream->rate(), bytes, is3d));
            IDirectSound3DBuffer* place = nullptr;
            if (buffer == nullptr || !Prepare(*buffer, is3d, place)) {
                return nullptr;
            }
            return std::make_unique<DsStreamVoice>(buffer.release(), place, std::move(stream),
                                                   static_cast<DWORD>(bytes), loop, pump_);
        }
        IDirectSoundBuffer* duplicate = nullptr;
        if (FAILED(sound_->DuplicateSoundBuffer(static_cast<const DsSoundData&>(data).buffer.get(),
                                                &duplicate))) {
            return nullptr;
        }
        Com<IDirectSoundBuffer> buffer(duplicate);
        IDirectSound3DBuffer* place = nullptr;
        if (!Prepare(*buffer, is3d, place)) {
            return nullptr;
        }
        return std::make_unique<DsVoice>(buffer.release(), place, loop);
    }

    void SetListener(const BASS_3DVECTOR* position, const BASS_3DVECTOR* velocity,
                     const BASS_3DVECTOR* front, const BASS_3DVECTOR* top) override {
        if (position != nullptr) {
            listener_->SetPosition(position->x, position->y, position->z, DS3D_DEFERRED);
        }
        if (velocity != nullptr) {
            listener_->SetVelocity(velocity->x, velocity->y, velocity->z, DS3D_DEFERRED);
        }
        if (front != nullptr && top != nullptr) {
            listener_->SetOrientation(front->x, front->y, front->z, top->x, top->y, top->z,
                                      DS3D_DEFERRED);
        }
    }
    void SetFactors(float distance, float rolloff, float doppler) override {
        listener_->SetDistanceFactor(std::clamp(distance, DS3D_MINDISTANCEFACTOR,
                                                DS3D_MAXDISTANCEFACTOR),
                                     DS3D_DEFERRED);
        listener_->SetRolloffFactor(std::clamp(rolloff, DS3D_MINROLLOFFFACTOR,
                                               DS3D_MAXROLLOFFFACTOR),
                                    DS3D_DEFERRED);
        listener_->SetDopplerFactor(std::clamp(doppler, DS3D_MINDOPPLERFACTOR,
                                               DS3D_MAXDOPPLERFACTOR),
                                    DS3D_DEFERRED);
    }
    void Commit() override {
        listener_->CommitDeferredSettings();
    }
    // Under the loader lock the thread can't be waited for to its end (ending it takes that
    // lock); it is asked to stop and acknowledges it from its final wait, which never ends.
    // Marks the output as going with the module even without a thread, so that its destructor
    // never waits on DirectSound under the loader lock.
    void Park() override {
        if (parkedForGood_) {
            return;
        }
        parkedForGood_ = true;
        if (pumping_ == nullptr) {
            return;
        }
        SetEvent(stop_);
        // At the process's end the thread is gone already; its handle is signalled then.
        const HANDLE either[2] = {parked_, pumping_};
        WaitForMultipleObjects(2, either, FALSE, 2000);
    }

private:
    // A static secondary buffer of `bytes` of 16-bit samples, controls for a voice of either
    // kind; null where DirectSound refuses it.
    IDirectSoundBuffer* NewBuffer(int channels, long rate, std::size_t bytes, bool is3d) {
        if (bytes < DSBSIZE_MIN || bytes > DSBSIZE_MAX || channels < 1 || channels > 2 ||
            rate < DSBFREQUENCY_MIN || rate > DSBFREQUENCY_MAX) {
            return nullptr;
        }
        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = static_cast<WORD>(channels);
        format.nSamplesPerSec = static_cast<DWORD>(rate);
        format.wBitsPerSample = 16;
        format.nBlockAlign = static_cast<WORD>(channels * 2);
        format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
        DSBUFFERDESC description{};
        description.dwSize = sizeof description;
        // Global focus: the saver's window loses the focus to nothing, but a dialog above it
        // must not silence it.
        description.dwFlags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLFREQUENCY | DSBCAPS_GLOBALFOCUS |
                              DSBCAPS_GETCURRENTPOSITION2 |
                              (is3d ? DSBCAPS_CTRL3D : DSBCAPS_CTRLPAN);
        description.dwBufferBytes = static_cast<DWORD>(bytes);
        description.lpwfxFormat = &format;
        description.guid3DAlgorithm = DS3DALG_DEFAULT;
        IDirectSoundBuffer* created = nullptr;
        if (FAILED(sound_->CreateSoundBuffer(&description, &created, nullptr))) {
            return nullptr;
        }
        return created;
    }

    // A voice's buffer at full volume, centred or at the default distances; its 3D interface
    // in `place` for a 3D sound.
    static bool Prepare(IDirectSoundBuffer& buffer, bool is3d, IDirectSound3DBuffer*& place) {
        place = nullptr;
        if (is3d && FAILED(buffer.QueryInterface(IID_IDirectSound3DBuffer,
                                                 reinterpret_cast<void**>(&place)))) {
            return false;
        }
        // Duplicates start from the original's settings, which no one changes; set them anyway.
        buffer.SetVolume(DSBVOLUME_MAX);
        if (place != nullptr) {
            place->SetMinDistance(DS3D_DEFAULTMINDISTANCE, DS3D_DEFERRED);
            place->SetMaxDistance(DS3D_DEFAULTMAXDISTANCE, DS3D_DEFERRED);
        } else {
            buffer.SetPan(DSBPAN_CENTER);
        }
        return true;
    }

    static DWORD WINAPI Pumping(void* self) {
        auto* output = static_cast<DsOutput*>(self);
        while (WaitForSingleObject(output->stop_, StreamPump::kPeriodMilliseconds) ==
               WAIT_TIMEOUT) {
            output->pump_.RefillAll();
        }
        if (output->parkedForGood_) {
            // Acknowledges and waits in one call: once the module's image is gone, this thread
            // never runs another instruction of it.
            SignalObjectAndWait(output->parked_, output->never_, INFINITE, FALSE);
        }
        return 0;
    }

    HMODULE library_;
    Com<IDirectSound8> sound_;
    Com<IDirectSoundBuffer> primary_;
    Com<IDirectSound3DListener> listener_;
    StreamPump pump_;
    HANDLE stop_ = nullptr;
    HANDLE parked_ = nullptr;
    HANDLE never_ = nullptr;
    HANDLE pumping_ = nullptr;
    std::atomic<bool> parkedForGood_ = false;
};

using DirectSoundCreate8Function = HRESULT(WINAPI*)(LPCGUID, LPDIRECTSOUND8*, LPUNKNOWN);

}  // namespace

std::unique_ptr<Output> OpenOutput(unsigned frequency, void* window) {
    // A missing library is a silent program, never a box asking the user.
    const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const HMODULE library = LoadLibraryA("dsound.dll");
    SetErrorMode(previousMode);
    if (library == nullptr) {
        return nullptr;
    }
    const auto create = reinterpret_cast<DirectSoundCreate8Function>(
        reinterpret_cast<void*>(GetProcAddress(library, "DirectSoundCreate8")));
    IDirectSound8* created = nullptr;
    if (create == nullptr || FAILED(create(nullptr, &created, nullptr))) {
        FreeLibrary(library);
        return nullptr;
    }
    Com<IDirectSound8> sound(created);
    // The priority level sets the primary buffer's format; it wants the top-level window.
    HWND owner = window != nullptr ? GetAncestor(static_cast<HWND>(window), GA_ROOT) : nullptr;
    if (owner == nullptr) {
        owner = GetDesktopWindow();
    }
    IDirectSoundBuffer* primary = nullptr;
    IDirectSound3DListener* listener = nullptr;
    DSBUFFERDESC description{};
    description.dwSize = sizeof description;
    description.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D | DSBCAPS_CTRLVOLUME;
    if (FAILED(sound->SetCooperativeLevel(owner, DSSCL_PRIORITY)) ||
        FAILED(sound->CreateSoundBuffer(&description, &primary, nullptr))) {
        sound.reset();
        FreeLibrary(library);
        return nullptr;
    }
    Com<IDirectSoundBuffer> primaryBuffer(primary);
    if (FAILED(primary->QueryInterface(IID_IDirectSound3DListener,
                                       reinterpret_cast<void**>(&listener)))) {
        primaryBuffer.reset();
        sound.reset();
        FreeLibrary(library);
        return nullptr;
    }
    // The mix runs at the asked rate where the device allows; otherwise at the device's own.
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = frequency;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = frequency * 4;
    primary->SetFormat(&format);
    return std::make_unique<DsOutput>(library, sound.release(), primaryBuffer.release(), listener);
}

}  // namespace audio::backend

// Unloaded by FreeLibrary, the module releases its voices and hands the device to a thread of
// DirectSound's own (see ReleaseOutsideTheLoaderLock). At the end of the process the system
// takes everything back.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH) {
        audio::backend::Abandon(reserved == nullptr);
    }
    return TRUE;
}
