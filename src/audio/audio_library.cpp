#include "audio/audio_library.h"

#include <cstring>

namespace audio {

const std::array<const char*, kLibraryNameCount> kLibraryNames = {"BASS_SetConfig",
                                                                  "BASS_GetConfig",
                                                                  "BASS_GetVersion",
                                                                  "BASS_GetDeviceDescription",
                                                                  "BASS_ErrorGetCode",
                                                                  "BASS_Init",
                                                                  "BASS_SetDevice",
                                                                  "BASS_GetDevice",
                                                                  "BASS_Free",
                                                                  "BASS_GetDSoundObject",
                                                                  "BASS_GetInfo",
                                                                  "BASS_Update",
                                                                  "BASS_GetCPU",
                                                                  "BASS_Start",
                                                                  "BASS_Stop",
                                                                  "BASS_Pause",
                                                                  "BASS_SetVolume",
                                                                  "BASS_GetVolume",
                                                                  "BASS_Set3DFactors",
                                                                  "BASS_Get3DFactors",
                                                                  "BASS_Set3DPosition",
                                                                  "BASS_Get3DPosition",
                                                                  "BASS_Apply3D",
                                                                  "BASS_SetEAXParameters",
                                                                  "BASS_GetEAXParameters",
                                                                  "BASS_MusicLoad",
                                                                  "BASS_MusicFree",
                                                                  "BASS_MusicGetName",
                                                                  "BASS_MusicGetLength",
                                                                  "BASS_MusicSetAttribute",
                                                                  "BASS_MusicGetAttribute",
                                                                  "BASS_SampleLoad",
                                                                  "BASS_SampleCreate",
                                                                  "BASS_SampleCreateDone",
                                                                  "BASS_SampleFree",
                                                                  "BASS_SampleGetInfo",
                                                                  "BASS_SampleSetInfo",
                                                                  "BASS_SampleGetChannel",
                                                                  "BASS_SampleStop",
                                                                  "BASS_StreamCreate",
                                                                  "BASS_StreamCreateFile",
                                                                  "BASS_StreamCreateURL",
                                                                  "BASS_StreamCreateFileUser",
                                                                  "BASS_StreamFree",
                                                                  "BASS_StreamGetLength",
                                                                  "BASS_StreamGetTags",
                                                                  "BASS_StreamGetFilePosition",
                                                                  "BASS_RecordGetDeviceDescription",
                                                                  "BASS_RecordInit",
                                                                  "BASS_RecordSetDevice",
                                                                  "BASS_RecordGetDevice",
                                                                  "BASS_RecordFree",
                                                                  "BASS_RecordGetInfo",
                                                                  "BASS_RecordGetInputName",
                                                                  "BASS_RecordSetInput",
                                                                  "BASS_RecordGetInput",
                                                                  "BASS_RecordStart",
                                                                  "BASS_ChannelBytes2Seconds",
                                                                  "BASS_ChannelSeconds2Bytes",
                                                                  "BASS_ChannelGetDevice",
                                                                  "BASS_ChannelIsActive",
                                                                  "BASS_ChannelGetInfo",
                                                                  "BASS_ChannelSetFlags",
                                                                  "BASS_ChannelPreBuf",
                                                                  "BASS_ChannelPlay",
                                                                  "BASS_ChannelStop",
                                                                  "BASS_ChannelPause",
                                                                  "BASS_ChannelSetAttributes",
                                                                  "BASS_ChannelGetAttributes",
                                                                  "BASS_ChannelSlideAttributes",
                                                                  "BASS_ChannelIsSliding",
                                                                  "BASS_ChannelSet3DAttributes",
                                                                  "BASS_ChannelGet3DAttributes",
                                                                  "BASS_ChannelSet3DPosition",
                                                                  "BASS_ChannelGet3DPosition",
                                                                  "BASS_ChannelSetPosition",
                                                                  "BASS_ChannelGetPosition",
                                                                  "BASS_ChannelGetLevel",
                                                                  "BASS_ChannelGetData",
                                                                  "BASS_ChannelSetSync",
                                                                  "BASS_ChannelRemoveSync",
                                                                  "BASS_ChannelSetDSP",
                                                                  "BASS_ChannelRemoveDSP",
                                                                  "BASS_ChannelSetFX",
                                                                  "BASS_ChannelRemoveFX",
                                                                  "BASS_ChannelSetEAXMix",
                                                                  "BASS_ChannelGetEAXMix",
                                                                  "BASS_ChannelSetLink",
                                                                  "BASS_ChannelRemoveLink",
                                                                  "BASS_FXSetParameters",
                                                                  "BASS_FXGetParameters"};

const std::array<const char*, kSecondPassCount> kSecondPassNames = {"BASS_Init",
                                                                    "BASS_Start",
                                                                    "BASS_Stop",
                                                                    "BASS_ErrorGetCode",
                                                                    "BASS_Free",
                                                                    "BASS_GetCPU",
                                                                    "BASS_GetVolume",
                                                                    "BASS_SetVolume",
                                                                    "BASS_Set3DFactors",
                                                                    "BASS_Apply3D",
                                                                    "BASS_SampleLoad",
                                                                    "BASS_SampleGetInfo",
                                                                    "BASS_SampleSetInfo",
                                                                    "BASS_MusicLoad",
                                                                    "BASS_MusicGetLength",
                                                                    "BASS_StreamCreateFile",
                                                                    "BASS_StreamCreateURL",
                                                                    "BASS_StreamGetLength",
                                                                    "BASS_StreamGetFilePosition",
                                                                    "BASS_StreamFree",
                                                                    "BASS_ChannelBytes2Seconds",
                                                                    "BASS_ChannelIsActive",
                                                                    "BASS_ChannelSlideAttributes",
                                                                    "BASS_ChannelIsSliding",
                                                                    "BASS_ChannelGetPosition",
                                                                    "BASS_ChannelGetLevel",
                                                                    "BASS_ChannelSetSync",
                                                                    "BASS_ChannelSet3DPosition",
                                                                    "BASS_ChannelSetAttributes",
                                                                    "BASS_ChannelPlay",
                                                                    "BASS_ChannelPause",
                                                                    "BASS_ChannelStop",
                                                                    "BASS_ChannelSetFlags"};

namespace {

std::size_t indexOf(const char* name) {
    for (std::size_t i = 0; i < kLibraryNames.size(); ++i) {
        if (std::strcmp(kLibraryNames[i], name) == 0) {
            return i;
        }
    }
    return kLibraryNames.size();
}

}  // namespace

bool AudioLibrary::Load(const platform::Resources& resources, const std::string& folder) {
    Unload();
    const auto image = resources.Find("BASS", 185);
    if (!image) {
        return false;
    }
    if (!library_.openImage(*image, folder, "bas")) {
        return false;
    }
    for (std::size_t i = 0; i < kLibraryNames.size(); ++i) {
        table_[i] = library_.symbol(kLibraryNames[i]);
    }
    // The second pass finds the same names again, so the entries keep their values.
    for (const char* name : kSecondPassNames) {
        table_[indexOf(name)] = library_.symbol(name);
    }
    return true;
}

bool AudioLibrary::Unload() {
    if (!library_.isOpen()) {
        return false;
    }
    table_.fill(nullptr);
    library_.close();
    return true;
}

void* AudioLibrary::find(const char* name) const {
    const std::size_t i = indexOf(name);
    return i < table_.size() ? table_[i] : nullptr;
}

}  // namespace audio
