// The saver's window and its message pump, shaped like a Win32 window: native events arrive as
// Windows messages with their Windows values, so window procedures read as they would on Windows.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "platform/window_messages.h"

namespace platform {

// Windows hands every program an instance handle; nothing here needs one, so it stays 0.
using InstanceHandle = std::uintptr_t;

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Message {
    WindowHandle window = 0;
    std::uint32_t message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

using WindowProcedure = std::function<LRESULT(WindowHandle, std::uint32_t, WPARAM, LPARAM)>;

enum class WindowKind {
    Popup,  // top-level, full screen, no parent
    Child,  // inside a native window of another program (the preview)
};

struct WindowDesc {
    WindowKind kind = WindowKind::Popup;
    std::string title;  // Windows-1251, as every text of the program
    // Popup: the full-screen size asked for (ignored with desktopSize). Child: the rectangle in
    // the parent's client area; an empty one fills that client area.
    Rect rect;
    bool desktopSize = false;
    WindowHandle parent = 0;  // Child: the native id of the parent window
};

// Something that sees a window's messages before its owner handles them (the input manager).
class WindowMessageListener {
public:
    virtual ~WindowMessageListener() = default;
    // True when the listener answered the message; `result` is then its answer.
    virtual bool OnWindowMessage(WindowHandle window, std::uint32_t message, WPARAM wParam,
                                 LPARAM lParam, LRESULT& result) = 0;
};

class Window {
public:
    virtual ~Window() = default;

    // Windows on SDL are known by their SDL window id, child windows of other programs by their
    // X11 window id.
    virtual WindowHandle Handle() const = 0;
    virtual Rect ClientRect() const = 0;
    // Whether a full-screen picture is drawn at this window's client size rather than at the
    // display mode's: so where the window, not a switch of the display, makes the picture full
    // screen (a screen-saver daemon's window, which the daemon sizes, or a window over the whole
    // desktop).
    virtual bool DrawsFullScreenAtClientSize() const { return false; }
    // Whether a picture drawn now could be seen; false where the platform can tell it could not
    // (the window covered or hidden, the screen off), and nothing need be drawn then.
    virtual bool CanBeSeen() const { return true; }

    // Takes the next message without waiting: posted messages first, then a request to end the
    // process (as WM_CLOSE, once), then native events, then a due timer. False when there is none.
    virtual bool PeekMessage(Message& message) = 0;
    // Waits for the next message; false when it is WM_QUIT.
    virtual bool GetMessage(Message& message) = 0;
    // Waits, without taking it, until there is a message for PeekMessage (a timer due or a request
    // to end the process included); at once when one is waiting already.
    virtual void WaitMessage() = 0;
    // Hands a message to the window procedure and returns its answer.
    virtual LRESULT DispatchMessage(const Message& message) = 0;

    virtual void PostMessage(std::uint32_t message, WPARAM wParam, LPARAM lParam) = 0;
    virtual void PostQuitMessage(int exitCode) = 0;

    // Timer `id` sends WM_TIMER (wParam = id) every `milliseconds` until killed.
    virtual bool SetTimer(std::uintptr_t id, std::uint32_t milliseconds) = 0;
    virtual void KillTimer(std::uintptr_t id) = 0;

    virtual void ShowCursor(bool show) = 0;

    // Draws a BMP image scaled to the client area, keeping its shape (black around it).
    // A window the graphics device draws into leaves that to the device and ignores it.
    virtual void PaintBitmap(std::span<const std::uint8_t> bmp) = 0;

    // A key press of F3 into this window's own input, as if typed: it keeps the desktop from
    // taking the display back while the saver draws.
    virtual void SendKeepAwakeKey() = 0;

    // The window procedure sees WM_DESTROY before the window goes away; later calls do nothing.
    virtual void Destroy() = 0;
};

using WindowFactory =
    std::function<std::unique_ptr<Window>(const WindowDesc& desc, WindowProcedure procedure)>;

// The platform's own windows; null when the window cannot be made (no display, no parent).
std::unique_ptr<Window> CreateNativeWindow(const WindowDesc& desc, WindowProcedure procedure);

}  // namespace platform
