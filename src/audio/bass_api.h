// The calling convention of the audio library's functions, shared by the back end and the program.
#pragma once

#include <cstdint>

extern "C" {

using BASS_DWORD = std::uint32_t;
using BASS_BOOL = int;
using HSAMPLE = std::uint32_t;
using HCHANNEL = std::uint32_t;

struct BASS_3DVECTOR {
    float x;
    float y;
    float z;
};

constexpr BASS_DWORD BASS_DEVICE_3D = 4;
constexpr BASS_DWORD BASS_CONFIG_GVOL_SAMPLE = 4;
constexpr BASS_DWORD BASS_SAMPLE_MONO = 2;
constexpr BASS_DWORD BASS_SAMPLE_LOOP = 4;
constexpr BASS_DWORD BASS_SAMPLE_3D = 8;
constexpr BASS_DWORD BASS_SAMPLE_SOFTWARE = 16;

using BASS_Init_t = BASS_BOOL (*)(int device, BASS_DWORD freq, BASS_DWORD flags, void* window,
                                  void* deviceClass);
using BASS_Set3DFactors_t = BASS_BOOL (*)(float distance, float rolloff, float doppler);
using BASS_Apply3D_t = void (*)();
using BASS_SetConfig_t = BASS_DWORD (*)(BASS_DWORD option, BASS_DWORD value);
using BASS_SampleLoad_t = HSAMPLE (*)(BASS_BOOL memory, const void* file, BASS_DWORD offset,
                                      BASS_DWORD length, BASS_DWORD max, BASS_DWORD flags);
using BASS_SampleGetChannel_t = HCHANNEL (*)(HSAMPLE sample, BASS_BOOL onlyNew);
using BASS_ChannelPlay_t = BASS_BOOL (*)(BASS_DWORD handle, BASS_BOOL restart);
using BASS_ChannelSetAttributes_t = BASS_BOOL (*)(BASS_DWORD handle, int freq, int volume, int pan);
using BASS_ChannelSet3DAttributes_t = BASS_BOOL (*)(BASS_DWORD handle, int mode, float minDist,
                                                    float maxDist, int insideAngle,
                                                    int outsideAngle, int outsideVolume);
using BASS_ChannelSet3DPosition_t = BASS_BOOL (*)(BASS_DWORD handle, const BASS_3DVECTOR* position,
                                                  const BASS_3DVECTOR* orientation,
                                                  const BASS_3DVECTOR* velocity);
using BASS_Set3DPosition_t = BASS_BOOL (*)(const BASS_3DVECTOR* position,
                                           const BASS_3DVECTOR* velocity,
                                           const BASS_3DVECTOR* front, const BASS_3DVECTOR* top);
}
