// A window without a display, for tests: messages are injected by the test, posted messages and
// timers behave as on a real window, and what the program asks of the window is recorded.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

#include "platform/queued_window.h"
#include "platform/window.h"

namespace platform::fake {

class FakeWindow final : public QueuedWindow {
public:
    FakeWindow(const WindowDesc& desc, WindowProcedure procedure,
               MessageQueue::Clock clock = &core::NowMilliseconds);
    ~FakeWindow() override;

    // A message as if it came from the display; taken after the posted ones.
    void Inject(std::uint32_t message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Sends a message straight to the window procedure, as Windows does for sent messages.
    LRESULT Send(std::uint32_t message, WPARAM wParam = 0, LPARAM lParam = 0);

    void SetClientRect(const Rect& rect) { client_ = rect; }
    void SetSeen(bool seen) { seen_ = seen; }
    // Called whenever GetMessage or WaitMessage finds nothing yet, so a test can move its clock on
    // or let something arrive.
    void SetIdleHook(std::function<void()> hook) { idleHook_ = std::move(hook); }

    const WindowDesc& Desc() const { return desc_; }
    bool CursorShown() const { return cursorShown_; }
    bool Destroyed() const { return destroyed_; }
    int KeepAwakeKeys() const { return keepAwakeKeys_; }
    int Paints() const { return paints_; }
    std::span<const std::uint8_t> LastPainted() const { return lastPainted_; }
    bool HasTimer() const { return queue_.MillisecondsToNextTimer().has_value(); }
    int Waits() const { return waits_; }
    // PeekMessage calls that found nothing.
    int EmptyPeeks() const { return emptyPeeks_; }
    // Every message handed to the procedure, in order.
    const std::vector<Message>& Dispatched() const { return dispatched_; }

    WindowHandle Handle() const override { return handle_; }
    Rect ClientRect() const override { return client_; }
    bool CanBeSeen() const override { return seen_; }
    bool PeekMessage(Message& message) override;
    bool GetMessage(Message& message) override;
    void WaitMessage() override;
    LRESULT DispatchMessage(const Message& message) override;
    void ShowCursor(bool show) override { cursorShown_ = show; }
    void PaintBitmap(std::span<const std::uint8_t> bmp) override;
    void SendKeepAwakeKey() override;
    void Destroy() override;

private:
    WindowDesc desc_;
    WindowProcedure procedure_;
    std::deque<Message> injected_;
    std::function<void()> idleHook_;
    std::vector<Message> dispatched_;
    WindowHandle handle_;
    Rect client_;
    bool cursorShown_ = true;
    bool seen_ = true;
    bool destroyed_ = false;
    int keepAwakeKeys_ = 0;
    int waits_ = 0;
    int emptyPeeks_ = 0;
    int emptyPeeksInARow_ = 0;
    int paints_ = 0;
    std::span<const std::uint8_t> lastPainted_;
};

}  // namespace platform::fake
