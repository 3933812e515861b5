#include "platform/win32/d3d9/device_window.h"

namespace gfx::d3d9 {

namespace {

constexpr char kClassName[] = "ZorvaneDeviceWindow";

bool RegisterClassOnce(HINSTANCE instance) {
    WNDCLASSEXA known{};
    known.cbSize = sizeof known;
    if (GetClassInfoExA(instance, kClassName, &known))
        return true;
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kClassName;
    return RegisterClassExA(&windowClass) != 0;
}

}  // namespace

HWND CreateDeviceWindow(UINT width, UINT height) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!RegisterClassOnce(instance))
        return nullptr;
    // Sized so that the client area, which the back buffer takes, is what was asked for.
    RECT frame{0, 0, static_cast<LONG>(width > 0 ? width : 1),
               static_cast<LONG>(height > 0 ? height : 1)};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    return CreateWindowExA(0, kClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, frame.right - frame.left,
                           frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
}

}  // namespace gfx::d3d9
