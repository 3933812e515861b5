#include "render/device/current_device.h"

namespace render {
namespace {

gfx::Device* gCurrentDevice = nullptr;

}  // namespace

gfx::Device* CurrentDevice() {
    return gCurrentDevice;
}

void SetCurrentDevice(gfx::Device* device) {
    gCurrentDevice = device;
}

}  // namespace render
