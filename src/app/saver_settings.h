// The user's choices: filled from the defaults table, overlaid from the registry, edited by the
// configuration dialog.
#pragma once

#include <cstdint>
#include <string>

namespace app {

struct SaverSettings {
    bool UseDesktop = false;
    bool ExitOnMM = false;
    bool ShowTime = false;
    bool TimeStyle = false;  // true: 24-hour style
    bool Music = false;
    bool Sound = false;
    std::int32_t Volume = 0;  // 0..100
    bool ShowFps = false;
    std::int32_t Gamma = 0;  // -100..100
    std::int32_t Adapter = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t Depth = 0;

    // The user's picture (empty: the scene's own), kept by the clock scene's part of the store.
    std::string PhotoPath;

    friend bool operator==(const SaverSettings&, const SaverSettings&) = default;
};

}  // namespace app
