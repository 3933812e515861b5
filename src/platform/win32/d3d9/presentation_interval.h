// The presentation interval a device is made with. Frames shown on a screen wait for the
// refresh where the adapter offers it, even when the settings ask for no wait: drawing frames
// nobody sees costs power. A device drawing into its own hidden window shows nothing, so it
// presents as asked (tools and benchmarks time it).
#pragma once

#include "platform/gfx/d3d_types.h"

namespace gfx::d3d9 {

DWORD PacedInterval(DWORD asked, DWORD offered, bool hiddenWindow);

}  // namespace gfx::d3d9
