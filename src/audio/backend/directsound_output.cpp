// The audio library module's mixer on Windows: DirectSound 8, loaded at run time, with a
// secondary buffer per voice (duplicates of one buffer per sample), 3D buffers and the primary
// buffer's listener, whose deferred settings Commit applies together.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "audio/backend/sound_module.h"
#include "audio/backend/sound_output.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
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
class DsVoice final : public Voice {
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

private:
    Com<IDirectSoundBuffer> buffer_;
    Com<IDirectSound3DBuffer> place_;  // null for a plain sound
    bool loop_;
};

class DsOutput final : public Output {
public:
    DsOutput(HMODULE library, IDirectSound8* sound, IDirectSoundBuffer* primary,
             IDirectSound3DListener* listener)
        : library_(library), sound_(sound), primary_(primary), listener_(listener) {}
    ~DsOutput() override {
        listener_.reset();
        primary_.reset();
        sound_.reset();
        FreeLibrary(library_);
    }
    DsOutput(const DsOutput&) = delete;
    DsOutput& operator=(const DsOutput&) = delete;

    std::unique_ptr<SoundData> Upload(const DecodedSound& sound, bool is3d) override {
        const std::size_t bytes = sound.samples.size() * sizeof(std::int16_t);
        if (bytes < DSBSIZE_MIN || bytes > DSBSIZE_MAX || sound.channels < 1 ||
            sound.channels > 2 || sound.rate < DSBFREQUENCY_MIN || sound.rate > DSBFREQUENCY_MAX) {
            return nullptr;
        }
        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = static_cast<WORD>(sound.channels);
        format.nSamplesPerSec = static_cast<DWORD>(sound.rate);
        format.wBitsPerSample = 16;
        format.nBlockAlign = static_cast<WORD>(sound.channels * 2);
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
        IDirectSoundBuffer* duplicate = nullptr;
        if (FAILED(sound_->DuplicateSoundBuffer(static_cast<const DsSoundData&>(data).buffer.get(),
                                                &duplicate))) {
            return nullptr;
        }
        Com<IDirectSoundBuffer> buffer(duplicate);
        IDirectSound3DBuffer* place = nullptr;
        if (is3d && FAILED(buffer->QueryInterface(IID_IDirectSound3DBuffer,
                                                  reinterpret_cast<void**>(&place)))) {
            return nullptr;
        }
        // Duplicates start from the original's settings, which no one changes; set them anyway.
        buffer->SetVolume(DSBVOLUME_MAX);
        if (place != nullptr) {
            place->SetMinDistance(DS3D_DEFAULTMINDISTANCE, DS3D_DEFERRED);
            place->SetMaxDistance(DS3D_DEFAULTMAXDISTANCE, DS3D_DEFERRED);
        } else {
            buffer->SetPan(DSBPAN_CENTER);
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

private:
    HMODULE library_;
    Com<IDirectSound8> sound_;
    Com<IDirectSoundBuffer> primary_;
    Com<IDirectSound3DListener> listener_;
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

// Unloaded by FreeLibrary, the module stops its voices and leaves DirectSound as it is: releasing
// it would wait on its mixing thread, which can't end while the loader lock is held. At the end
// of the process the system takes everything back.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH) {
        audio::backend::Abandon(reserved == nullptr);
    }
    return TRUE;
}
