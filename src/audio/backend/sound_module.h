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

// The module goes while its mixer may still run. Unloaded by the program, every voice and the
// output are released, the output's own thread parked first (the output lets go of what its
// release would have to wait for); at the process's end, when the mixer's library may be gone
// already, everything is let go unreleased.
void Abandon(bool unloading);

}  // namespace audio::backend
