// The process-wide current device: the one handle all drawing code reaches the device through.
#pragma once

#include "platform/gfx/device.h"

namespace render {

// Null while no device exists.
gfx::Device* CurrentDevice();

// Published by the device host after creation, cleared when it releases the device. Not owned.
void SetCurrentDevice(gfx::Device* device);

}  // namespace render
