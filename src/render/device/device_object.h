// DeviceObject: anything holding resources that must be rebuilt when the device is reset.
#pragma once

namespace render {

class DeviceObject {
public:
    virtual ~DeviceObject() = default;
    // After the device was created or reset; false when the resources could not be made.
    virtual bool RestoreDeviceObjects() = 0;
    // Before the device is reset or released.
    virtual void InvalidateDeviceObjects() = 0;
};

}  // namespace render
