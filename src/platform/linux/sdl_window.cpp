#include "platform/linux/sdl_window.h"

#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>

#include <algorithm>
#include <utility>

#include "core/cp1251.h"
#include "core/start_failure.h"
#include "platform/linux/sdl_event_hub.h"
#include "platform/linux/sdl_event_translation.h"
#include "platform/linux/sdl_video.h"

namespace platform::linux_impl {
namespace {

// What a daemon's window must report to us. SDL selects nothing on a window it did not make, and
// a button press must stay with the daemon, which holds it.
constexpr long kDaemonWindowEvents = KeyPressMask | KeyReleaseMask | PointerMotionMask |
                                     EnterWindowMask | LeaveWindowMask | FocusChangeMask |
                                     ExposureMask | StructureNotifyMask | VisibilityChangeMask;
// How often the display's power state is asked while the saver draws.
constexpr Uint32 kScreenStateMilliseconds = 1000;

int IgnoreXError(Display*, XErrorEvent*) {
    return 0;
}

// Asked on a connection of our own: SDL's question about a window that is not there would end
// the process in Xlib's error handler.
bool X11WindowExists(std::uint64_t id) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return false;
    }
    const auto previous = XSetErrorHandler(&IgnoreXError);
    XWindowAttributes attributes{};
    const bool exists = XGetWindowAttributes(display, static_cast<::Window>(id), &attributes) != 0;
    XSync(display, False);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    return exists;
}

SDL_Window* WrapDaemonWindow(std::uint64_t id) {
    if (!X11WindowExists(id)) {
        core::ReportStartFailure(MissingWindowReason(id));
        return nullptr;
    }
    SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, "1");
    SDL_Window* window = SDL_CreateWindowFrom(reinterpret_cast<const void*>(id));
    if (!window) {
        core::ReportStartFailure("cannot draw into the X window: " + std::string(SDL_GetError()));
        return nullptr;
    }
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11) {
        XSelectInput(info.info.x11.display, info.info.x11.window, kDaemonWindowEvents);
    }
    return window;
}

// The window a window's _NET_SUPPORTING_WM_CHECK names, or 0.
::Window CheckWindow(Display* display, ::Window window, Atom check) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, left = 0;
    unsigned char* data = nullptr;
    ::Window named = 0;
    if (XGetWindowProperty(display, window, check, 0, 1, False, XA_WINDOW, &type, &format, &count,
                           &left, &data) == Success &&
        type == XA_WINDOW && format == 32 && count == 1 && data) {
        named = *reinterpret_cast<::Window*>(data);
    }
    if (data) {
        XFree(data);
    }
    return named;
}

// Whether a window manager runs: the root window names a check window that names itself (a
// manager that died leaves the root's name behind). Without a manager, SDL's full screen only
// waits for an answer that never comes, a tenth of a second and more before the first frame.
bool WindowManagerRuns() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return true;
    }
    bool runs = false;
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check != None) {
        if (const ::Window named = CheckWindow(display, DefaultRootWindow(display), check)) {
            // A stale name may point at no window at all.
            const auto previous = XSetErrorHandler(&IgnoreXError);
            runs = CheckWindow(display, named, check) == named;
            XSync(display, False);
            XSetErrorHandler(previous);
        }
    }
    XCloseDisplay(display);
    return runs;
}

// Whether the display can switch to exactly width × height.
bool DisplayOffersMode(int width, int height) {
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) == 0 && mode.w == width && mode.h == height) {
            return true;
        }
    }
    return false;
}

// The full-screen window. A chosen size the display offers switches the display to it (SDL
// switches back when the window goes); any other size covers the whole screen at the desktop's
// own mode, and the picture of the chosen size is fitted into it.
SDL_Window* CreatePopup(const WindowDesc& desc, bool& modeSwitched) {
    const std::string title = core::Cp1251ToUtf8(desc.title);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN;
    int x = desc.rect.left;
    int y = desc.rect.top;
    int width = desc.rect.Width();
    int height = desc.rect.Height();
    bool managed = true;
    modeSwitched = !desc.desktopSize && width > 0 && height > 0 && DisplayOffersMode(width, height);
    if (modeSwitched) {
        flags |= SDL_WINDOW_FULLSCREEN;
    } else {
        SDL_DisplayMode mode;
        if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
            width = mode.w;
            height = mode.h;
        }
        SDL_Rect bounds;
        managed = WindowManagerRuns();
        if (!managed && SDL_GetDisplayBounds(0, &bounds) == 0) {
            // With nobody to place windows, a plain window over the whole screen is full screen.
            flags |= SDL_WINDOW_BORDERLESS;
            x = bounds.x;
            y = bounds.y;
            width = bounds.w;
            height = bounds.h;
        } else {
            flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
        }
    }
    SDL_Window* window = SDL_CreateWindow(title.c_str(), x, y, width, height, flags);
    if (!window) {
        core::ReportStartFailure("cannot open a full-screen window: " +
                                 std::string(SDL_GetError()));
    } else {
        // A new top-level window of the foreground program is the active one, as on Windows:
        // it takes the input focus, so that the first key or click ends the saver. A manager
        // is asked to; without one, nobody else would hand the focus over.
        SDL_RaiseWindow(window);
        if (!managed) {
            SDL_SetWindowInputFocus(window);
        }
    }
    return window;
}

}  // namespace

std::unique_ptr<SdlWindow> SdlWindow::Create(const WindowDesc& desc, WindowProcedure procedure) {
    if (desc.kind != WindowKind::Popup) {
        return nullptr;
    }
    if (!StartSdlVideo()) {
        core::ReportStartFailure(NoDisplayReason());
        return nullptr;
    }
    const auto daemon = DaemonWindow();
    bool modeSwitched = false;
    SDL_Window* window = daemon ? WrapDaemonWindow(*daemon) : CreatePopup(desc, modeSwitched);
    if (!window) {
        return nullptr;
    }
    auto created = std::unique_ptr<SdlWindow>(new SdlWindow(window, std::move(procedure)));
    created->foreign_ = daemon.has_value();
    created->WatchVisibility();
    // Without a switch of the display, the chosen size is still the size the saver draws at.
    if (!daemon && !desc.desktopSize && !modeSwitched && desc.rect.Width() > 0 &&
        desc.rect.Height() > 0) {
        created->pictureSize_ = {0, 0, desc.rect.Width(), desc.rect.Height()};
    }
    return created;
}

SdlWindow::SdlWindow(SDL_Window* window, WindowProcedure procedure)
    : window_(window), handle_(SDL_GetWindowID(window)), procedure_(std::move(procedure)) {}

void SdlWindow::WatchVisibility() {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window_, &info) || info.subsystem != SDL_SYSWM_X11) {
        return;
    }
    display_ = info.info.x11.display;
    xWindow_ = info.info.x11.window;
    // X tells whether the window is covered to windows that ask, in events SDL hands on raw. The
    // events SDL itself asked for on its own window stay selected.
    if (!foreign_) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display_, xWindow_, &attributes)) {
            XSelectInput(display_, xWindow_, attributes.your_event_mask | VisibilityChangeMask);
        }
    }
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

void SdlWindow::NoteVisibility(const SDL_Event& event) {
    if (event.type == SDL_SYSWMEVENT && event.syswm.msg &&
        event.syswm.msg->subsystem == SDL_SYSWM_X11) {
        const XEvent& x = event.syswm.msg->msg.x11.event;
        if (x.type == VisibilityNotify && x.xvisibility.window == xWindow_) {
            covered_ = x.xvisibility.state == VisibilityFullyObscured;
        }
    } else if (event.type == SDL_WINDOWEVENT && event.window.windowID == handle_) {
        if (event.window.event == SDL_WINDOWEVENT_HIDDEN) {
            hidden_ = true;
        } else if (event.window.event == SDL_WINDOWEVENT_SHOWN) {
            hidden_ = false;
        }
    }
}

bool SdlWindow::HoldClickUntilFocused(const SDL_Event& event) {
    if (event.type == SDL_MOUSEBUTTONDOWN && event.button.windowID == handle_ &&
        (SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS) == 0) {
        heldClick_ = event;
        SDL_SetWindowInputFocus(window_);
        return true;
    }
    if (heldClick_ && event.type == SDL_WINDOWEVENT && event.window.windowID == handle_ &&
        event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
        // Queued behind the focus, which lets the input devices take it.
        SDL_PushEvent(&*heldClick_);
        heldClick_.reset();
    }
    return false;
}

bool SdlWindow::ScreenOff() const {
    if (!display_) {
        return false;
    }
    const Uint32 now = SDL_GetTicks();
    if (screenCheckedAt_ && now - *screenCheckedAt_ < kScreenStateMilliseconds) {
        return screenOff_;
    }
    screenCheckedAt_ = now;
    int event = 0, error = 0;
    CARD16 level = DPMSModeOn;
    BOOL enabled = False;
    screenOff_ = DPMSQueryExtension(display_, &event, &error) &&
                 DPMSInfo(display_, &level, &enabled) && enabled && level != DPMSModeOn;
    return screenOff_;
}

bool SdlWindow::CanBeSeen() const {
    return !covered_ && !hidden_ && !ScreenOff();
}

SdlWindow::~SdlWindow() {
    if (window_) {
        SDL_DestroyWindow(window_);
    }
}

Rect SdlWindow::ClientRect() const {
    if (pictureSize_) {
        return *pictureSize_;
    }
    int width = 0;
    int height = 0;
    if (window_) {
        SDL_GetWindowSize(window_, &width, &height);
    }
    return {0, 0, width, height};
}

bool SdlWindow::PeekMessage(Message& message) {
    if (queue_.TakePosted(message) || queue_.TakeCloseRequest(handle_, message)) {
        return true;
    }
    SDL_Event event;
    while (translated_.empty() && SDL_PollEvent(&event)) {
        if (HoldClickUntilFocused(event)) {
            continue;
        }
        // The input devices read the raw events before the window sees them as messages.
        DispatchSdlEvent(event);
        NoteVisibility(event);
        scratch_.clear();
        TranslateSdlEvent(event, handle_, scratch_);
        translated_.insert(translated_.end(), scratch_.begin(), scratch_.end());
    }
    if (!translated_.empty()) {
        message = translated_.front();
        translated_.pop_front();
        return true;
    }
    return queue_.TakeDueTimer(message);
}

void SdlWindow::WaitSlice() {
    const auto untilTimer = queue_.MillisecondsToNextTimer();
    const int wait = untilTimer ? static_cast<int>(std::min<std::int64_t>(*untilTimer, 100)) : 100;
    SDL_WaitEventTimeout(nullptr, wait);
}

bool SdlWindow::GetMessage(Message& message) {
    while (!PeekMessage(message)) {
        WaitSlice();
    }
    return message.message != WM_QUIT;
}

void SdlWindow::WaitMessage() {
    Message message;
    while (!PeekMessage(message)) {
        WaitSlice();
    }
    queue_.PutBack(message);
}

LRESULT SdlWindow::DispatchMessage(const Message& message) {
    return procedure_ ? procedure_(message.window, message.message, message.wParam, message.lParam)
                      : 0;
}

void SdlWindow::ShowCursor(bool show) {
    SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

void SdlWindow::PaintBitmap(std::span<const std::uint8_t>) {
    // This window belongs to the graphics device: painting past it with SDL's window surface
    // would take the window from the device's context. Pictures reach it as textures instead.
}

void SdlWindow::SendKeepAwakeKey() {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.type = SDL_KEYDOWN;
    event.key.timestamp = SDL_GetTicks();
    event.key.windowID = static_cast<Uint32>(handle_);
    event.key.state = SDL_PRESSED;
    event.key.keysym.scancode = SDL_SCANCODE_F3;
    event.key.keysym.sym = SDLK_F3;
    SDL_PushEvent(&event);
}

void SdlWindow::Destroy() {
    if (destroyed_) {
        return;
    }
    destroyed_ = true;
    DispatchMessage({handle_, WM_DESTROY, 0, 0});
    // Gone from the screen now; the SDL window itself lives as long as this object, since a GL
    // context made on it may still be released after this.
    // A daemon's window stays the daemon's: it is never hidden here.
    if (window_ && !foreign_) {
        SDL_HideWindow(window_);
    }
}

SDL_Window* SdlWindowFromHandle(WindowHandle handle) {
    return SDL_GetWindowFromID(static_cast<Uint32>(handle));
}

}  // namespace platform::linux_impl
