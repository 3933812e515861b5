// The hidden window a device draws into when it is given none (tools, benchmarks and tests that
// render offscreen): Direct3D 9 always presents into a window.
#pragma once

#include "platform/win32/d3d9/d3d9_api.h"

namespace gfx::d3d9 {

// A hidden window whose client area is width x height; null when none can be made.
HWND CreateDeviceWindow(UINT width, UINT height);

}  // namespace gfx::d3d9
