// What the platform's half of the audio library module calls in the shared half.
#pragma once

#if defined(_WIN32)
#define BASS_EXPORT extern "C" __declspec(dllexport)
#else
#define BASS_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace audio::backend {

// Releases every sample, voice and the output, as the module goes.
void Unload();

// Lets every voice and the output go unreleased, stopping the voices first where asked: for a
// mixer that can't be released while the module goes (DirectSound waits on its own thread, which
// can't end under the loader lock), or whose library may be gone already at the process's end.
void Abandon(bool stopVoices);

}  // namespace audio::backend
