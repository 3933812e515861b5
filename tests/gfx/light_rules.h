// D3D's rules for light indices, checked the same way on every device of the gfx layer.
#pragma once

#include "platform/gfx/device.h"

namespace gfx::test {

// Malformed lights are refused; any index can be set and enabled; at most MaxActiveLights (8)
// are enabled at once; an index that was only enabled holds D3D's default light. Leaves lights
// enabled: reset afterwards.
void CheckLightRules(Device* device);

}  // namespace gfx::test
