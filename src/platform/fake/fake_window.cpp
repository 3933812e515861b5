#include "platform/fake/fake_window.h"

#include <utility>

namespace platform::fake {
namespace {

WindowHandle NextHandle() {
    static WindowHandle next = 0x1000;
    return next++;
}

}  // namespace

FakeWindow::FakeWindow(const WindowDesc& desc, WindowProcedure procedure, MessageQueue::Clock clock)
    : QueuedWindow(clock), desc_(desc), procedure_(std::move(procedure)), handle_(NextHandle()) {
    client_ = {0, 0, desc.rect.Width(), desc.rect.Height()};
    if (desc.kind == WindowKind::Popup && desc.desktopSize) {
        client_ = {0, 0, 1280, 1024};
    }
}

FakeWindow::~FakeWindow() = default;

void FakeWindow::Inject(std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    injected_.push_back({handle_, message, wParam, lParam});
}

LRESULT FakeWindow::Send(std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    return DispatchMessage({handle_, message, wParam, lParam});
}

namespace {

// A loop that only ever peeks would never end a test; after this many empty looks in a row the
// window answers with WM_QUIT instead.
constexpr int kEmptyPeekLimit = 100000;

}  // namespace

bool FakeWindow::PeekMessage(Message& message) {
    if (queue_.TakePosted(message) || queue_.TakeCloseRequest(handle_, message)) {
        emptyPeeksInARow_ = 0;
        return true;
    }
    if (!injected_.empty()) {
        message = injected_.front();
        injected_.pop_front();
        emptyPeeksInARow_ = 0;
        return true;
    }
    if (queue_.TakeDueTimer(message)) {
        emptyPeeksInARow_ = 0;
        return true;
    }
    ++emptyPeeks_;
    if (++emptyPeeksInARow_ >= kEmptyPeekLimit) {
        emptyPeeksInARow_ = 0;
        message = {handle_, WM_QUIT, 0, 0};
        return true;
    }
    return false;
}

bool FakeWindow::GetMessage(Message& message) {
    // Nothing can arrive while a test waits: without a message or a timer, it is a quit.
    while (!PeekMessage(message)) {
        if (!HasTimer()) {
            message = {handle_, WM_QUIT, 0, 0};
            break;
        }
        if (idleHook_) {
            idleHook_();
        }
    }
    return message.message != WM_QUIT;
}

void FakeWindow::WaitMessage() {
    ++waits_;
    Message message;
    while (!PeekMessage(message)) {
        if (idleHook_) {
            idleHook_();
        }
        // As in GetMessage: when nothing can arrive any more, the wait ends in WM_QUIT.
        if (injected_.empty() && !queue_.HasPosted() && !HasTimer()) {
            message = {handle_, WM_QUIT, 0, 0};
            break;
        }
    }
    queue_.PutBack(message);
}

LRESULT FakeWindow::DispatchMessage(const Message& message) {
    dispatched_.push_back(message);
    return procedure_ ? procedure_(message.window, message.message, message.wParam, message.lParam)
                      : 0;
}

void FakeWindow::PaintBitmap(std::span<const std::uint8_t> bmp) {
    ++paints_;
    lastPainted_ = bmp;
}

void FakeWindow::SendKeepAwakeKey() {
    ++keepAwakeKeys_;
    Inject(WM_KEYDOWN, VK_F3, 1);
}

void FakeWindow::Destroy() {
    if (destroyed_) {
        return;
    }
    destroyed_ = true;
    Send(WM_DESTROY);
}

}  // namespace platform::fake
