// A child window inside another program's X11 window (the preview), driven with Xlib alone: it
// only paints a picture and follows its parent, so it needs no SDL and no GL.
#pragma once

#include <X11/Xlib.h>

#include <deque>
#include <memory>

#include "platform/queued_window.h"
#include "platform/window.h"

namespace platform::linux_impl {

class X11ChildWindow final : public QueuedWindow {
public:
    // Null when there is no display or `desc.parent` is not a window.
    static std::unique_ptr<X11ChildWindow> Create(const WindowDesc& desc,
                                                  WindowProcedure procedure);
    ~X11ChildWindow() override;

    WindowHandle Handle() const override { return handle_; }
    Rect ClientRect() const override;
    bool PeekMessage(Message& message) override;
    bool GetMessage(Message& message) override;
    void WaitMessage() override;
    LRESULT DispatchMessage(const Message& message) override;
    void ShowCursor(bool show) override;
    void PaintBitmap(std::span<const std::uint8_t> bmp) override;
    // The preview takes no input, so there is nothing to keep awake.
    void SendKeepAwakeKey() override {}
    void Destroy() override;

private:
    X11ChildWindow(Display* display, ::Window parent, ::Window window, WindowProcedure procedure);
    void Translate(const XEvent& event);
    // Sleeps until the display has news, the next timer is due or a request to end the process
    // arrives; without timers that may be for ever.
    void Wait();

    Display* display_;
    ::Window parent_;
    ::Window window_;
    WindowHandle handle_;
    WindowProcedure procedure_;
    std::deque<Message> translated_;
    Cursor blankCursor_ = 0;
    XErrorHandler previousErrorHandler_ = nullptr;
    bool gone_ = false;       // the X window no longer exists (its parent took it down)
    bool destroyed_ = false;  // WM_DESTROY has been sent
};

}  // namespace platform::linux_impl
