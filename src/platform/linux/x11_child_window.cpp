#include "platform/linux/x11_child_window.h"

#include <X11/Xutil.h>
#include <poll.h>

#include <algorithm>
#include <cstdint>
#include <utility>

#include "core/start_failure.h"
#include "platform/bmp_image.h"
#include "platform/fit_inside.h"
#include "platform/linux/sdl_video.h"
#include "platform/linux/sdl_event_translation.h"
#include "platform/linux/termination_signal.h"

namespace platform::linux_impl {
namespace {

// The parent belongs to another program and may go away at any moment, taking our window with
// it; Xlib's default handler would end the process on the first request that then fails.
int lastXError = 0;
int RecordXError(Display*, XErrorEvent* error) {
    lastXError = error->error_code;
    return 0;
}

bool ParentGeometry(Display* display, ::Window parent, int& width, int& height) {
    lastXError = 0;
    XWindowAttributes attributes{};
    const Status ok = XGetWindowAttributes(display, parent, &attributes);
    XSync(display, False);
    if (!ok || lastXError != 0) {
        return false;
    }
    width = attributes.width;
    height = attributes.height;
    return true;
}

// Bits of a visual's channel mask: where it starts and how wide it is.
void MaskShape(unsigned long mask, int& shift, int& bits) {
    shift = 0;
    bits = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    while (mask & 1) {
        mask >>= 1;
        ++bits;
    }
}

unsigned long Channel(std::uint32_t value8, unsigned long mask) {
    int shift = 0;
    int bits = 0;
    MaskShape(mask, shift, bits);
    if (bits == 0) {
        return 0;
    }
    const unsigned long scaled = bits >= 8 ? value8 << (bits - 8) : value8 >> (8 - bits);
    return (scaled << shift) & mask;
}

// The picture's colour at (x, y) of its copy scaled to width × height: the four nearest texels
// weighed by distance, so a small picture grows smooth and a large one shrinks without sparkle.
std::uint32_t Sample(const BmpImage& image, int x, int y, int width, int height) {
    const double u = std::clamp((x + 0.5) * image.width / width - 0.5, 0.0, image.width - 1.0);
    const double v = std::clamp((y + 0.5) * image.height / height - 0.5, 0.0, image.height - 1.0);
    const int x0 = static_cast<int>(u);
    const int y0 = static_cast<int>(v);
    const int x1 = std::min(x0 + 1, image.width - 1);
    const int y1 = std::min(y0 + 1, image.height - 1);
    const double fx = u - x0;
    const double fy = v - y0;
    std::uint32_t rgb = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const auto at = [&](int px, int py) { return double((image.At(px, py) >> shift) & 0xFF); };
        const double top = at(x0, y0) * (1 - fx) + at(x1, y0) * fx;
        const double bottom = at(x0, y1) * (1 - fx) + at(x1, y1) * fx;
        rgb |= std::uint32_t(top * (1 - fy) + bottom * fy + 0.5) << shift;
    }
    return rgb;
}

}  // namespace

std::unique_ptr<X11ChildWindow> X11ChildWindow::Create(const WindowDesc& desc,
                                                       WindowProcedure procedure) {
    if (desc.kind != WindowKind::Child || desc.parent == 0) {
        return nullptr;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        core::ReportStartFailure(NoDisplayReason());
        return nullptr;
    }
    // Errors of this window's requests are taken quietly for as long as it exists.
    const XErrorHandler previous = XSetErrorHandler(RecordXError);
    const auto parent = static_cast<::Window>(desc.parent);
    int parentWidth = 0;
    int parentHeight = 0;
    if (!ParentGeometry(display, parent, parentWidth, parentHeight)) {
        core::ReportStartFailure(MissingWindowReason(desc.parent));
        XCloseDisplay(display);
        XSetErrorHandler(previous);
        return nullptr;
    }
    // An empty rectangle means the parent's whole client area.
    Rect rect = desc.rect;
    if (rect.Width() <= 0 || rect.Height() <= 0) {
        rect = {0, 0, parentWidth, parentHeight};
    }
    const int width = std::max(rect.Width(), 1);
    const int height = std::max(rect.Height(), 1);
    const unsigned long black = BlackPixel(display, DefaultScreen(display));
    const ::Window window =
        XCreateSimpleWindow(display, parent, rect.left, rect.top, width, height, 0, black, black);
    // The parent's size changes are followed; nothing else of it is taken, its input least.
    XSelectInput(display, parent, StructureNotifyMask);
    XSelectInput(display, window, ExposureMask | StructureNotifyMask);
    XMapWindow(display, window);
    XFlush(display);
    auto created = std::unique_ptr<X11ChildWindow>(
        new X11ChildWindow(display, parent, window, std::move(procedure)));
    created->previousErrorHandler_ = previous;
    return created;
}

X11ChildWindow::X11ChildWindow(Display* display, ::Window parent, ::Window window,
                               WindowProcedure procedure)
    : display_(display),
      parent_(parent),
      window_(window),
      handle_(window),
      procedure_(std::move(procedure)) {}

X11ChildWindow::~X11ChildWindow() {
    if (!gone_) {
        XDestroyWindow(display_, window_);
    }
    if (blankCursor_) {
        XFreeCursor(display_, blankCursor_);
    }
    XCloseDisplay(display_);
    XSetErrorHandler(previousErrorHandler_);
}

Rect X11ChildWindow::ClientRect() const {
    XWindowAttributes attributes{};
    if (gone_ || !XGetWindowAttributes(display_, window_, &attributes)) {
        return {};
    }
    return {0, 0, attributes.width, attributes.height};
}

void X11ChildWindow::Translate(const XEvent& event) {
    switch (event.type) {
        case Expose:
            // One paint for a run of exposures, as Windows merges its invalid regions.
            if (event.xexpose.window == window_ && event.xexpose.count == 0) {
                translated_.push_back({handle_, WM_PAINT, 0, 0});
            }
            break;
        case ConfigureNotify:
            if (event.xconfigure.window == parent_ && !gone_) {
                XResizeWindow(display_, window_, std::max(event.xconfigure.width, 1),
                              std::max(event.xconfigure.height, 1));
            } else if (event.xconfigure.window == window_) {
                translated_.push_back({handle_, WM_SIZE, 0,
                                       PackPoint(event.xconfigure.width, event.xconfigure.height)});
                // The picture is fitted to the size: all of it is drawn again, as a window whose
                // class redraws on resizing is on Windows (a smaller window gets no exposure).
                translated_.push_back({handle_, WM_PAINT, 0, 0});
            }
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == window_) {
                gone_ = true;
                destroyed_ = true;
                translated_.push_back({handle_, WM_DESTROY, 0, 0});
            }
            break;
        default:
            break;
    }
}

bool X11ChildWindow::PeekMessage(Message& message) {
    if (queue_.TakePosted(message) || queue_.TakeCloseRequest(handle_, message)) {
        return true;
    }
    while (translated_.empty() && XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        Translate(event);
    }
    if (!translated_.empty()) {
        message = translated_.front();
        translated_.pop_front();
        return true;
    }
    return queue_.TakeDueTimer(message);
}

void X11ChildWindow::Wait() {
    // PeekMessage found nothing, so Xlib's own queue is empty and its requests are flushed: what
    // comes next arrives on the connection.
    pollfd waits[2] = {{ConnectionNumber(display_), POLLIN, 0}, {-1, POLLIN, 0}};
    nfds_t count = 1;
    if (queue_.AwaitsCloseRequest() && linux_impl::TerminationDescriptor() >= 0) {
        waits[1].fd = linux_impl::TerminationDescriptor();
        count = 2;
    }
    const auto untilTimer = queue_.MillisecondsToNextTimer();
    const int timeout =
        untilTimer ? static_cast<int>(std::min<std::int64_t>(*untilTimer, INT32_MAX)) : -1;
    // A signal cuts the wait short; the caller looks again either way.
    poll(waits, count, timeout);
}

bool X11ChildWindow::GetMessage(Message& message) {
    while (!PeekMessage(message)) {
        Wait();
    }
    return message.message != WM_QUIT;
}

void X11ChildWindow::WaitMessage() {
    Message message;
    while (!PeekMessage(message)) {
        Wait();
    }
    queue_.PutBack(message);
}

LRESULT X11ChildWindow::DispatchMessage(const Message& message) {
    return procedure_ ? procedure_(message.window, message.message, message.wParam, message.lParam)
                      : 0;
}

void X11ChildWindow::ShowCursor(bool show) {
    if (gone_) {
        return;
    }
    if (show) {
        XUndefineCursor(display_, window_);
    } else {
        if (!blankCursor_) {
            static const char empty[1] = {0};
            const Pixmap pixmap = XCreateBitmapFromData(display_, window_, empty, 1, 1);
            XColor black{};
            blankCursor_ = XCreatePixmapCursor(display_, pixmap, pixmap, &black, &black, 0, 0);
            XFreePixmap(display_, pixmap);
        }
        XDefineCursor(display_, window_, blankCursor_);
    }
    XFlush(display_);
}

void X11ChildWindow::PaintBitmap(std::span<const std::uint8_t> bmp) {
    const auto image = DecodeBmp(bmp);
    if (!image || gone_) {
        return;
    }
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display_, window_, &attributes) || !attributes.visual) {
        return;
    }
    // Scaled to the client area, keeping its shape; the window's black background shows around.
    const Rect target = FitInside(image->width, image->height, attributes.width, attributes.height);
    const int width = target.Width();
    const int height = target.Height();
    if (width <= 0 || height <= 0 || image->width <= 0 || image->height <= 0) {
        return;
    }
    XImage* picture = XCreateImage(display_, attributes.visual, attributes.depth, ZPixmap, 0,
                                   nullptr, width, height, 32, 0);
    if (!picture) {
        return;
    }
    picture->data = static_cast<char*>(calloc(std::size_t(picture->bytes_per_line), height));
    if (!picture->data) {
        XDestroyImage(picture);
        return;
    }
    const Visual* visual = attributes.visual;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t rgb = Sample(*image, x, y, width, height);
            XPutPixel(picture, x, y,
                      Channel((rgb >> 16) & 0xFF, visual->red_mask) |
                          Channel((rgb >> 8) & 0xFF, visual->green_mask) |
                          Channel(rgb & 0xFF, visual->blue_mask));
        }
    }
    XClearWindow(display_, window_);
    const GC gc = XCreateGC(display_, window_, 0, nullptr);
    XPutImage(display_, window_, gc, picture, 0, 0, target.left, target.top, width, height);
    XFreeGC(display_, gc);
    XDestroyImage(picture);
    XFlush(display_);
}

void X11ChildWindow::Destroy() {
    if (destroyed_) {
        return;
    }
    destroyed_ = true;
    DispatchMessage({handle_, WM_DESTROY, 0, 0});
    if (!gone_) {
        XDestroyWindow(display_, window_);
        XSync(display_, False);
        gone_ = true;
    }
}

}  // namespace platform::linux_impl
