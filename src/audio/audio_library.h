// The audio library module carried as a resource, loaded at run time into a table of functions.
#pragma once

#include <array>
#include <string>

#include "audio/bass_api.h"
#include "platform/resources.h"
#include "platform/shared_library.h"

namespace audio {

constexpr std::size_t kLibraryNameCount = 91;
constexpr std::size_t kSecondPassCount = 33;
extern const std::array<const char*, kLibraryNameCount> kLibraryNames;
extern const std::array<const char*, kSecondPassCount> kSecondPassNames;

class AudioLibrary {
public:
    // Writes resource "BASS" 185 to a temporary file in `folder` (the system's when empty),
    // loads it and fills the table. False leaves every entry null.
    bool Load(const platform::Resources& resources, const std::string& folder = {});
    // False when nothing was loaded.
    bool Unload();
    bool loaded() const { return library_.isOpen(); }

    // The entry of kLibraryNames[index]; null when absent or not loaded.
    void* entry(std::size_t index) const { return table_[index]; }
    // The eleven functions the playback calls; null when not loaded or absent.
    template <typename F>
    F function(const char* name) const {
        return reinterpret_cast<F>(find(name));
    }

private:
    void* find(const char* name) const;

    platform::SharedLibrary library_;
    std::array<void*, kLibraryNameCount> table_{};
};

}  // namespace audio
