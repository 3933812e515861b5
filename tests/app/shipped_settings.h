// The settings record as the shipped defaults fill it, for tests that start from them.
#pragma once

#include "app/saver_settings.h"

namespace app::test {

inline SaverSettings ShippedSettings() {
    SaverSettings s;
    s.UseDesktop = true;
    s.ShowTime = true;
    s.Music = true;
    s.Sound = true;
    s.Volume = 50;
    s.Width = 800;
    s.Height = 600;
    s.Depth = 32;
    return s;
}

}  // namespace app::test
