// The saver window on SDL: a full-screen window of our own, or the window a screen-saver daemon
// handed us. The graphics device draws into it through SdlWindowFromHandle.
#pragma once

#include <SDL.h>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "platform/queued_window.h"
#include "platform/window.h"

struct _XDisplay;

namespace platform::linux_impl {

class SdlWindow final : public QueuedWindow {
public:
    // Null when SDL's video can't start or the window can't be made.
    static std::unique_ptr<SdlWindow> Create(const WindowDesc& desc, WindowProcedure procedure);
    ~SdlWindow() override;

    SDL_Window* Native() const { return window_; }

    WindowHandle Handle() const override { return handle_; }
    // The size the saver draws at: the window's own, or the chosen full-screen size when the
    // display could not switch to it (the picture is fitted into the screen).
    Rect ClientRect() const override;
    bool DrawsFullScreenAtClientSize() const override { return true; }
    // False while the window is unmapped or fully covered, or the display's power saving has
    // turned the screen off.
    bool CanBeSeen() const override;
    bool PeekMessage(Message& message) override;
    bool GetMessage(Message& message) override;
    void WaitMessage() override;
    LRESULT DispatchMessage(const Message& message) override;
    void ShowCursor(bool show) override;
    void PaintBitmap(std::span<const std::uint8_t> bmp) override;
    void SendKeepAwakeKey() override;
    void Destroy() override;

private:
    SdlWindow(SDL_Window* window, WindowProcedure procedure);
    // Sleeps until an SDL event or the next timer, for at most a slice: a request to end the
    // process is only noticed between slices.
    void WaitSlice();
    void WatchVisibility();
    void NoteVisibility(const SDL_Event& event);
    bool ScreenOff() const;
    // A click into the window while another holds the focus: without a window manager nobody
    // moves the focus on a click, and the input devices only read a focused window. The window
    // takes the focus and the click follows it.
    bool HoldClickUntilFocused(const SDL_Event& event);

    SDL_Window* window_;
    WindowHandle handle_;
    WindowProcedure procedure_;
    std::deque<Message> translated_;
    std::vector<Message> scratch_;
    bool foreign_ = false;  // a screen-saver daemon's window
    std::optional<Rect> pictureSize_;
    // The X11 side of the window, for what SDL does not tell: covering and the screen's power.
    ::_XDisplay* display_ = nullptr;
    unsigned long xWindow_ = 0;
    std::optional<SDL_Event> heldClick_;
    bool covered_ = false;
    bool hidden_ = false;
    mutable std::optional<Uint32> screenCheckedAt_;
    mutable bool screenOff_ = false;
    bool destroyed_ = false;
};

// The SDL window behind a handle of SdlWindow (the SDL window id), or null.
SDL_Window* SdlWindowFromHandle(WindowHandle handle);

}  // namespace platform::linux_impl
