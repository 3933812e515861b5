// A real window for the Direct3D 9 device tests to draw into, and the few helpers they share.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gfx/runtime.h"

#include "platform/win32/win32_api.h"

namespace gfx::test {

// A shown window whose client area is width x height; closed with the object.
class TestWindow {
public:
    TestWindow(int width, int height) {
        HINSTANCE instance = GetModuleHandleA(nullptr);
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = "ZorvaneD3d9TestWindow";
        RegisterClassExA(&windowClass);
        ::RECT frame{0, 0, width, height};
        AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
        window_ = CreateWindowExA(0, windowClass.lpszClassName, "d3d9 test",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, frame.right - frame.left,
                                  frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    ~TestWindow() {
        if (window_)
            DestroyWindow(window_);
    }
    platform::WindowHandle Handle() const { return reinterpret_cast<platform::WindowHandle>(window_); }

private:
    HWND window_ = nullptr;
};

inline D3DPRESENT_PARAMETERS WindowedParameters(platform::WindowHandle window, UINT width,
                                                UINT height) {
    D3DPRESENT_PARAMETERS params{};
    params.BackBufferWidth = width;
    params.BackBufferHeight = height;
    params.BackBufferFormat = D3DFMT_X8R8G8B8;
    params.BackBufferCount = 1;
    params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params.hDeviceWindow = window;
    params.Windowed = 1;
    params.EnableAutoDepthStencil = 1;
    params.AutoDepthStencilFormat = D3DFMT_D24X8;
    params.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return params;
}

inline std::vector<std::uint32_t> ReadBack(Device& device, UINT width, UINT height) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height, 0);
    if (Failed(device.ReadBackBuffer(pixels.data(), width)))
        pixels.clear();
    return pixels;
}

inline int Channel(std::uint32_t argb, int shift) {
    return static_cast<int>((argb >> shift) & 0xFF);
}

// Every channel within `tolerance` levels.
inline bool Near(std::uint32_t pixel, std::uint32_t expected, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int difference = Channel(pixel, shift) - Channel(expected, shift);
        if (difference > tolerance || difference < -tolerance)
            return false;
    }
    return true;
}

}  // namespace gfx::test
