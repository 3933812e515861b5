// The one way this back end includes <d3d9.h>. Include it after every header of ours: d3d9.h
// defines D3DCLEAR_TARGET, D3DFVF_XYZ and friends as macros, which would rewrite the constants
// of the same names in namespace gfx.
#pragma once

#include "platform/win32/win32_api.h"

#include <d3d9.h>
