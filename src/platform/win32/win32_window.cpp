// The saver's window on Windows: a window class of our own, a full-screen pop-up or a child of
// the preview's window, and the thread's real message queue. Window::Handle() is the HWND.
#include <memory>
#include <utility>

#include "platform/bmp_image.h"
#include "platform/fit_inside.h"
#include "platform/termination.h"
#include "platform/win32/termination_requests.h"
#include "platform/window.h"
#include "platform/win32/win32_api.h"

namespace platform {
namespace {

constexpr char kClassName[] = "ZorvaneWindow";

HINSTANCE ModuleInstance() {
    return GetModuleHandleA(nullptr);
}

// Once per process; a class that is there already is as good as a new one.
bool RegisterWindowClass(WNDPROC procedure) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    // A child is drawn again whole when its size changes, since the picture is fitted to it.
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ModuleInstance();
    // No class cursor: the input manager shows or hides the pointer itself.
    windowClass.hCursor = nullptr;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kClassName;
    return RegisterClassExA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

Message FromNative(const MSG& msg) {
    return {reinterpret_cast<WindowHandle>(msg.hwnd), msg.message, msg.wParam, msg.lParam};
}

// Sent while the window is made, before its owner holds it: the owner sees them later, through
// the queue, as it does on every platform.
bool ReplayedAfterCreation(UINT message) {
    switch (message) {
        case WM_ACTIVATE:
        case WM_ACTIVATEAPP:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_SIZE:
            return true;
        default:
            return false;
    }
}

void FillBlack(HDC dc, int left, int top, int right, int bottom) {
    if (right <= left || bottom <= top) {
        return;
    }
    const RECT band{left, top, right, bottom};
    FillRect(dc, &band, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

class Win32Window final : public Window {
public:
    static std::unique_ptr<Win32Window> Create(const WindowDesc& desc, WindowProcedure procedure);
    ~Win32Window() override;

    WindowHandle Handle() const override { return handle_; }
    Rect ClientRect() const override;
    bool CanBeSeen() const override;
    bool PeekMessage(Message& message) override;
    bool GetMessage(Message& message) override;
    void WaitMessage() override;
    LRESULT DispatchMessage(const Message& message) override;
    void PostMessage(std::uint32_t message, WPARAM wParam, LPARAM lParam) override;
    void PostQuitMessage(int exitCode) override;
    bool SetTimer(std::uintptr_t id, std::uint32_t milliseconds) override;
    void KillTimer(std::uintptr_t id) override;
    void ShowCursor(bool show) override;
    void PaintBitmap(std::span<const std::uint8_t> bmp) override;
    void SendKeepAwakeKey() override;
    void Destroy() override;

private:
    Win32Window(WindowKind kind, WindowProcedure procedure)
        : kind_(kind), procedure_(std::move(procedure)) {}

    static LRESULT CALLBACK NativeProcedure(HWND hwnd, UINT message, ::WPARAM wParam,
                                            ::LPARAM lParam);
    LRESULT OnMessage(HWND hwnd, UINT message, ::WPARAM wParam, ::LPARAM lParam);
    LRESULT Forward(HWND hwnd, UINT message, ::WPARAM wParam, ::LPARAM lParam);
    bool TakeCloseRequest(Message& message);
    // Sleeps until the queue has something new, a message sent from another thread included.
    static void WaitForInput();

    WindowKind kind_;
    WindowProcedure procedure_;
    HWND hwnd_ = nullptr;  // null once the window is gone
    WindowHandle handle_ = 0;
    bool creating_ = true;
    bool closeTaken_ = false;
    bool cursorShown_ = true;
};

std::unique_ptr<Win32Window> Win32Window::Create(const WindowDesc& desc,
                                                 WindowProcedure procedure) {
    if (!RegisterWindowClass(&Win32Window::NativeProcedure)) {
        return nullptr;
    }
    auto window = std::unique_ptr<Win32Window>(new Win32Window(desc.kind, std::move(procedure)));
    HWND hwnd = nullptr;
    if (desc.kind == WindowKind::Child) {
        const HWND parent = reinterpret_cast<HWND>(desc.parent);
        RECT client{};
        if (desc.parent == 0 || !IsWindow(parent) || !GetClientRect(parent, &client)) {
            return nullptr;
        }
        const bool fill = desc.rect.Width() <= 0 || desc.rect.Height() <= 0;
        const RECT area = fill ? client
                               : RECT{desc.rect.left, desc.rect.top, desc.rect.right,
                                      desc.rect.bottom};
        hwnd = CreateWindowExA(0, kClassName, desc.title.c_str(),
                               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, area.left, area.top,
                               area.right - area.left, area.bottom - area.top, parent, nullptr,
                               ModuleInstance(), window.get());
    } else {
        // Always the whole primary monitor: a chosen full-screen size is the graphics device's
        // switch of the display mode, which resizes the window with it.
        hwnd = CreateWindowExA(WS_EX_TOPMOST, kClassName, desc.title.c_str(), WS_POPUP, 0, 0,
                               GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                               nullptr, nullptr, ModuleInstance(), window.get());
        if (hwnd) {
            ShowWindow(hwnd, SW_SHOW);
            SetForegroundWindow(hwnd);
            SetFocus(hwnd);
        }
    }
    if (!hwnd) {
        return nullptr;
    }
    window->creating_ = false;
    return window;
}

Win32Window::~Win32Window() {
    if (hwnd_) {
        // Its owner is going: the window's last messages are nobody's.
        procedure_ = nullptr;
        DestroyWindow(hwnd_);
    }
}

LRESULT CALLBACK Win32Window::NativeProcedure(HWND hwnd, UINT message, ::WPARAM wParam,
                                              ::LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        auto* self = static_cast<Win32Window*>(create->lpCreateParams);
        self->hwnd_ = hwnd;
        self->handle_ = reinterpret_cast<WindowHandle>(hwnd);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    return self->OnMessage(hwnd, message, wParam, lParam);
}

LRESULT Win32Window::OnMessage(HWND hwnd, UINT message, ::WPARAM wParam, ::LPARAM lParam) {
    switch (message) {
        case WM_ENDSESSION:
            if (wParam) {
                win32_impl::NoteTerminationRequest();
            }
            break;
        case WM_DESTROY: {
            const LRESULT result = Forward(hwnd, message, wParam, lParam);
            // A parent that goes takes this window with it, maybe from another thread, while the
            // loop waits: the wait must wake to see it.
            PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
            return result;
        }
        case WM_NCDESTROY:
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            hwnd_ = nullptr;
            return DefWindowProcA(hwnd, message, wParam, lParam);
        default:
            break;
    }
    if (creating_) {
        if (message == WM_PAINT) {
            // Left invalid: the first paint is the owner's, through the queue.
            return 0;
        }
        if (ReplayedAfterCreation(message)) {
            PostMessageA(hwnd, message, wParam, lParam);
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    if (!procedure_) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            BeginPaint(hwnd, &paint);
            Forward(hwnd, message, wParam, lParam);
            EndPaint(hwnd, &paint);
            return 0;
        }
        case WM_CLOSE:
            // The program's own shutdown ends the window; the default would destroy it at once.
            return Forward(hwnd, message, wParam, lParam);
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_SCREENSAVE) {
                // Whatever the program answers, no other saver starts over this one.
                return Forward(hwnd, message, wParam, lParam);
            }
            break;
        default:
            break;
    }
    // Window procedures written for every platform answer 0 for "not mine": the system's
    // default handling follows then, as a Windows procedure's last line would call it.
    const LRESULT result = Forward(hwnd, message, wParam, lParam);
    return result != 0 ? result : DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT Win32Window::Forward(HWND hwnd, UINT message, ::WPARAM wParam, ::LPARAM lParam) {
    if (!procedure_ || creating_) {
        return 0;
    }
    return procedure_(reinterpret_cast<WindowHandle>(hwnd), message, wParam, lParam);
}

Rect Win32Window::ClientRect() const {
    RECT client{};
    if (!hwnd_ || !GetClientRect(hwnd_, &client)) {
        return {};
    }
    return {client.left, client.top, client.right, client.bottom};
}

bool Win32Window::CanBeSeen() const {
    return hwnd_ && IsWindowVisible(hwnd_) && !IsIconic(hwnd_);
}

bool Win32Window::TakeCloseRequest(Message& message) {
    if (closeTaken_ || !TerminationRequested()) {
        return false;
    }
    // As if the user closed the window: the program's own shutdown follows.
    closeTaken_ = true;
    message = {handle_, WM_CLOSE, 0, 0};
    return true;
}

bool Win32Window::PeekMessage(Message& message) {
    MSG msg{};
    if (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE)) {
        message = FromNative(msg);
        return true;
    }
    if (TakeCloseRequest(message)) {
        return true;
    }
    if (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        message = FromNative(msg);
        return true;
    }
    return false;
}

void Win32Window::WaitForInput() {
    MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

bool Win32Window::GetMessage(Message& message) {
    while (!PeekMessage(message)) {
        WaitForInput();
    }
    return message.message != WM_QUIT;
}

void Win32Window::WaitMessage() {
    MSG msg{};
    while (closeTaken_ || !TerminationRequested()) {
        if (::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            return;
        }
        WaitForInput();
    }
}

LRESULT Win32Window::DispatchMessage(const Message& message) {
    MSG msg{};
    msg.hwnd = reinterpret_cast<HWND>(message.window);
    msg.message = message.message;
    msg.wParam = message.wParam;
    msg.lParam = message.lParam;
    // A message of the thread itself (a wake-up) has no procedure to go to.
    if (!msg.hwnd || !IsWindow(msg.hwnd)) {
        return 0;
    }
    // Key presses are followed by their characters (WM_CHAR), as in every Windows message loop.
    TranslateMessage(&msg);
    return DispatchMessageA(&msg);
}

void Win32Window::PostMessage(std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (hwnd_) {
        PostMessageA(hwnd_, message, wParam, lParam);
    }
}

void Win32Window::PostQuitMessage(int exitCode) {
    ::PostQuitMessage(exitCode);
}

bool Win32Window::SetTimer(std::uintptr_t id, std::uint32_t milliseconds) {
    return hwnd_ && ::SetTimer(hwnd_, id, milliseconds, nullptr) != 0;
}

void Win32Window::KillTimer(std::uintptr_t id) {
    if (hwnd_) {
        ::KillTimer(hwnd_, id);
    }
}

void Win32Window::ShowCursor(bool show) {
    // The system counts shows and hides; this window keeps to one of each.
    if (show != cursorShown_) {
        ::ShowCursor(show ? TRUE : FALSE);
        cursorShown_ = show;
    }
}

void Win32Window::PaintBitmap(std::span<const std::uint8_t> bmp) {
    // The full-screen window belongs to the graphics device, which draws its pictures itself.
    if (kind_ != WindowKind::Child || !hwnd_) {
        return;
    }
    const auto image = DecodeBmp(bmp);
    RECT client{};
    if (!image || image->width <= 0 || image->height <= 0 || !GetClientRect(hwnd_, &client)) {
        return;
    }
    const Rect target = FitInside(image->width, image->height, client.right, client.bottom);
    const HDC dc = GetDC(hwnd_);
    if (!dc) {
        return;
    }
    FillBlack(dc, 0, 0, client.right, target.top);
    FillBlack(dc, 0, target.bottom, client.right, client.bottom);
    FillBlack(dc, 0, target.top, target.left, target.bottom);
    FillBlack(dc, target.right, target.top, client.right, target.bottom);
    // 0x00RRGGBB texels are the blue, green, red, spare bytes of a 32-bit DIB; a negative height
    // says the rows run top to bottom.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image->width;
    info.bmiHeader.biHeight = -image->height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, target.left, target.top, target.Width(), target.Height(), 0, 0, image->width,
                  image->height, image->pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    ReleaseDC(hwnd_, dc);
}

void Win32Window::SendKeepAwakeKey() {
    // The preview takes no input, so there is nothing to keep awake.
    if (kind_ == WindowKind::Child || !hwnd_) {
        return;
    }
    const WORD scan = static_cast<WORD>(MapVirtualKeyA(VK_F3, MAPVK_VK_TO_VSC));
    keybd_event(VK_F3, static_cast<BYTE>(scan), 0, 0);
    INPUT release{};
    release.type = INPUT_KEYBOARD;
    release.ki.wVk = VK_F3;
    release.ki.wScan = scan;
    release.ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(1, &release, sizeof release);
}

void Win32Window::Destroy() {
    if (hwnd_) {
        // The procedure sees WM_DESTROY from DestroyWindow itself.
        DestroyWindow(hwnd_);
    }
}

}  // namespace

std::unique_ptr<Window> CreateNativeWindow(const WindowDesc& desc, WindowProcedure procedure) {
    return Win32Window::Create(desc, std::move(procedure));
}

}  // namespace platform
