// Keyboard and mouse through DirectInput 8, from dinput8.dll loaded at run time: buffered items
// in DIK_* codes and DIMOFS_* offsets, an auto-reset event for "data pending", and the
// acquisition that a foreground device loses with the focus.
#include <algorithm>
#include <array>
#include <memory>
#include <utility>

#include "platform/input_devices.h"
#include "platform/win32/win32_api.h"

#include <initguid.h>

#include <dinput.h>

namespace platform {
namespace {

using DirectInput8CreateFunction = HRESULT(WINAPI*)(HINSTANCE, DWORD, REFIID, LPVOID*,
                                                    LPUNKNOWN);

// The data formats of the standard keyboard and mouse (the same as dinput8's own c_dfDIKeyboard
// and c_dfDIMouse), kept here so that nothing of DirectInput is linked into the program.
struct KeyboardFormat {
    std::array<DIOBJECTDATAFORMAT, kKeyboardStateSize> objects{};
    DIDATAFORMAT format{};

    KeyboardFormat() {
        for (DWORD key = 0; key < objects.size(); ++key) {
            objects[key] = {&GUID_Key, key,
                            DIDFT_OPTIONAL | DIDFT_BUTTON | DIDFT_MAKEINSTANCE(key), 0};
        }
        format = {sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_RELAXIS,
                  kKeyboardStateSize, DWORD(objects.size()), objects.data()};
    }
};

DIOBJECTDATAFORMAT kMouseObjects[] = {
    {&GUID_XAxis, 0, DIDFT_AXIS | DIDFT_ANYINSTANCE, 0},
    {&GUID_YAxis, 4, DIDFT_AXIS | DIDFT_ANYINSTANCE, 0},
    {&GUID_ZAxis, 8, DIDFT_OPTIONAL | DIDFT_AXIS | DIDFT_ANYINSTANCE, 0},
    {nullptr, 12, DIDFT_BUTTON | DIDFT_ANYINSTANCE, 0},
    {nullptr, 13, DIDFT_BUTTON | DIDFT_ANYINSTANCE, 0},
    {nullptr, 14, DIDFT_OPTIONAL | DIDFT_BUTTON | DIDFT_ANYINSTANCE, 0},
    {nullptr, 15, DIDFT_OPTIONAL | DIDFT_BUTTON | DIDFT_ANYINSTANCE, 0},
};

const DIDATAFORMAT* DataFormat(InputDeviceKind kind) {
    static KeyboardFormat keyboard;
    static DIDATAFORMAT mouse{sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_RELAXIS,
                              sizeof(MouseState), DWORD(std::size(kMouseObjects)), kMouseObjects};
    return kind == InputDeviceKind::Keyboard ? &keyboard.format : &mouse;
}

// What a failed (or half-failed) call means to the caller.
InputResult ToResult(HRESULT result) {
    switch (result) {
        case DI_OK:
            return InputResult::Ok;
        case DI_BUFFEROVERFLOW:
            return InputResult::BufferOverflow;
        case DIERR_INPUTLOST:
            return InputResult::InputLost;
        case DIERR_INVALIDPARAM:
            return InputResult::InvalidParam;
        default:
            // Not acquired, or another program holds the device.
            return InputResult::NotAcquired;
    }
}

// dinput8.dll and its DirectInput object; every device keeps it alive, as a device must go
// before the module its code lives in.
class DirectInputSession {
public:
    static std::shared_ptr<DirectInputSession> Open() {
        const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        const HMODULE module = LoadLibraryA("dinput8.dll");
        SetErrorMode(previousMode);
        if (!module) {
            return nullptr;
        }
        auto session = std::shared_ptr<DirectInputSession>(new DirectInputSession(module));
        const auto create = reinterpret_cast<DirectInput8CreateFunction>(
            reinterpret_cast<void*>(GetProcAddress(module, "DirectInput8Create")));
        void* object = nullptr;
        if (!create || FAILED(create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION,
                                     IID_IDirectInput8A, &object, nullptr)) ||
            !object) {
            return nullptr;
        }
        session->input_ = static_cast<IDirectInput8A*>(object);
        return session;
    }

    ~DirectInputSession() {
        if (input_) {
            input_->Release();
        }
        FreeLibrary(module_);
    }

    IDirectInput8A* Input() const { return input_; }

private:
    explicit DirectInputSession(HMODULE module) : module_(module) {}

    HMODULE module_;
    IDirectInput8A* input_ = nullptr;
};

class DirectInputDevice final : public InputDevice {
public:
    DirectInputDevice(std::shared_ptr<DirectInputSession> session, IDirectInputDevice8A* device,
                      InputDeviceKind kind)
        : session_(std::move(session)), device_(device), kind_(kind) {}

    ~DirectInputDevice() override {
        device_->Unacquire();
        device_->SetEventNotification(nullptr);
        device_->Release();
        if (event_) {
            CloseHandle(event_);
        }
    }

    bool SetCooperativeLevel(WindowHandle window, std::uint32_t flags) override {
        return SUCCEEDED(device_->SetCooperativeLevel(reinterpret_cast<HWND>(window), flags));
    }

    bool SetBufferSize(std::uint32_t items) override {
        DIPROPDWORD property{};
        property.diph.dwSize = sizeof property;
        property.diph.dwHeaderSize = sizeof property.diph;
        property.diph.dwObj = 0;
        property.diph.dwHow = DIPH_DEVICE;
        property.dwData = items;
        return SUCCEEDED(device_->SetProperty(DIPROP_BUFFERSIZE, &property.diph));
    }

    bool SetEventNotification(bool enabled) override {
        if (enabled && !event_) {
            event_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
            if (!event_) {
                return false;
            }
        }
        const bool set = SUCCEEDED(device_->SetEventNotification(enabled ? event_ : nullptr));
        if (!enabled && event_) {
            CloseHandle(event_);
            event_ = nullptr;
        }
        return set;
    }

    InputResult Acquire() override { return ToResult(device_->Acquire()); }

    void Unacquire() override { device_->Unacquire(); }

    InputResult GetDeviceState(std::uint32_t size, void* data) override {
        const std::uint32_t expected =
            kind_ == InputDeviceKind::Keyboard ? kKeyboardStateSize : sizeof(MouseState);
        if (size != expected || !data) {
            return InputResult::InvalidParam;
        }
        return ToResult(device_->GetDeviceState(size, data));
    }

    InputResult GetDeviceData(std::span<DeviceObjectData> items, std::size_t& count) override {
        count = 0;
        std::array<DIDEVICEOBJECTDATA, kMaxBufferedItems> native{};
        DWORD taken = DWORD(std::min<std::size_t>(items.size(), native.size()));
        const HRESULT result =
            device_->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), native.data(), &taken, 0);
        if (result == HRESULT(DIERR_NOTBUFFERED)) {
            // Buffering is off: there are no items, as on every platform.
            return InputResult::Ok;
        }
        if (FAILED(result)) {
            return ToResult(result);
        }
        count = std::min<std::size_t>(taken, items.size());
        for (std::size_t i = 0; i < count; ++i) {
            items[i] = {native[i].dwOfs, native[i].dwData, native[i].dwTimeStamp,
                        native[i].dwSequence};
        }
        return ToResult(result);
    }

    bool TakeNotification() override {
        return event_ && WaitForSingleObject(event_, 0) == WAIT_OBJECT_0;
    }

private:
    std::shared_ptr<DirectInputSession> session_;
    IDirectInputDevice8A* device_;
    InputDeviceKind kind_;
    HANDLE event_ = nullptr;
};

class DirectInputDevices final : public InputDevices {
public:
    explicit DirectInputDevices(std::shared_ptr<DirectInputSession> session)
        : session_(std::move(session)) {}

    std::unique_ptr<InputDevice> CreateDevice(InputDeviceKind kind) override {
        const GUID& which = kind == InputDeviceKind::Keyboard ? GUID_SysKeyboard : GUID_SysMouse;
        IDirectInputDevice8A* device = nullptr;
        if (FAILED(session_->Input()->CreateDevice(which, &device, nullptr)) || !device) {
            return nullptr;
        }
        if (FAILED(device->SetDataFormat(DataFormat(kind)))) {
            device->Release();
            return nullptr;
        }
        return std::make_unique<DirectInputDevice>(session_, device, kind);
    }

    bool GetCursorPos(WindowHandle window, std::int32_t& x, std::int32_t& y) override {
        POINT point{};
        if (!::GetCursorPos(&point) || !ScreenToClient(reinterpret_cast<HWND>(window), &point)) {
            return false;
        }
        x = point.x;
        y = point.y;
        return true;
    }

    bool GetClientSize(WindowHandle window, std::int32_t& width, std::int32_t& height) override {
        RECT client{};
        if (!GetClientRect(reinterpret_cast<HWND>(window), &client)) {
            return false;
        }
        width = client.right - client.left;
        height = client.bottom - client.top;
        return true;
    }

    void SetCursor(CursorShape shape) override {
        // IDC_ARROW, in its ANSI spelling whatever the build's character set.
        constexpr WORD kArrowCursor = 32512;
        ::SetCursor(shape == CursorShape::Arrow
                        ? LoadCursorA(nullptr, MAKEINTRESOURCEA(kArrowCursor))
                        : nullptr);
    }

private:
    std::shared_ptr<DirectInputSession> session_;
};

}  // namespace

std::unique_ptr<InputDevices> CreateInputDevices() {
    auto session = DirectInputSession::Open();
    if (!session) {
        return nullptr;
    }
    return std::make_unique<DirectInputDevices>(std::move(session));
}

}  // namespace platform
