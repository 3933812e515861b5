// The saver's window on Windows: the real message queue and timers, the full-screen pop-up, and
// the preview's child inside a parent window the test makes (it fills the parent, paints the
// picture fitted with black around it, and ends when the parent goes).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/window.h"
#include "platform/win32/win32_api.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Seen {
    platform::WindowHandle window;
    std::uint32_t message;
    platform::WPARAM wParam;
};

// A window procedure that records what it sees and answers a chosen value for WM_USER.
struct Recorder {
    std::vector<Seen> seen;

    platform::WindowProcedure Procedure() {
        return [this](platform::WindowHandle window, std::uint32_t message, platform::WPARAM w,
                      platform::LPARAM) -> platform::LRESULT {
            seen.push_back({window, message, w});
            return message == WM_USER ? 42 : 0;
        };
    }
    int Count(std::uint32_t message) const {
        int n = 0;
        for (const auto& s : seen) {
            n += s.message == message ? 1 : 0;
        }
        return n;
    }
};

// Takes and dispatches every message until `done` holds or the time is up.
template <typename Done>
bool PumpUntil(platform::Window& window, Done done, std::chrono::milliseconds limit = 3s) {
    const auto end = Clock::now() + limit;
    platform::Message m;
    while (!done()) {
        if (Clock::now() > end) {
            return false;
        }
        if (window.PeekMessage(m)) {
            window.DispatchMessage(m);
        } else {
            Sleep(5);
        }
    }
    return true;
}

void Drain(platform::Window& window) {
    platform::Message m;
    while (window.PeekMessage(m)) {
        window.DispatchMessage(m);
    }
}

std::unique_ptr<platform::Window> MakePopup(Recorder& recorder) {
    platform::WindowDesc desc;
    desc.kind = platform::WindowKind::Popup;
    desc.title = "Zorvane test";
    desc.rect = {0, 0, 640, 480};
    return platform::CreateNativeWindow(desc, recorder.Procedure());
}

LRESULT CALLBACK ParentProcedure(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
    return DefWindowProcA(hwnd, message, w, l);
}

// A top-level window as the display settings' preview would hold, with a 400 × 300 client area.
HWND MakeParent() {
    WNDCLASSA parentClass{};
    parentClass.lpfnWndProc = &ParentProcedure;
    parentClass.hInstance = GetModuleHandleA(nullptr);
    parentClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    parentClass.lpszClassName = "ZorvaneTestParent";
    RegisterClassA(&parentClass);
    RECT frame{0, 0, 400, 300};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND parent = CreateWindowExA(0, "ZorvaneTestParent", "parent",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    return parent;
}

// A 24-bit BMP file, bottom-up, every texel `rgb`.
std::vector<std::uint8_t> SolidBmp(int width, int height, std::uint32_t rgb) {
    const int stride = (width * 3 + 3) & ~3;
    const std::uint32_t size = 54 + std::uint32_t(stride * height);
    std::vector<std::uint8_t> b(size, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(&b[at], &v, 4); };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, size);
    put32(10, 54);
    put32(14, 40);
    put32(18, std::uint32_t(width));
    put32(22, std::uint32_t(height));
    b[26] = 1;
    b[28] = 24;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* texel = &b[54 + std::size_t(y) * stride + std::size_t(x) * 3];
            texel[0] = std::uint8_t(rgb);
            texel[1] = std::uint8_t(rgb >> 8);
            texel[2] = std::uint8_t(rgb >> 16);
        }
    }
    return b;
}

COLORREF PixelAt(HWND hwnd, int x, int y) {
    const HDC dc = GetDC(hwnd);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return colour;
}

TEST(Win32Window, PostedMessagesReachTheProcedureThroughTheRealQueue) {
    Recorder recorder;
    auto window = MakePopup(recorder);
    ASSERT_NE(window, nullptr);
    const HWND hwnd = reinterpret_cast<HWND>(window->Handle());
    ASSERT_TRUE(IsWindow(hwnd));
    Drain(*window);
    recorder.seen.clear();

    window->PostMessage(WM_USER, 7, 9);
    platform::Message m;
    ASSERT_TRUE(window->PeekMessage(m));
    EXPECT_EQ(m.window, window->Handle());
    EXPECT_EQ(m.message, std::uint32_t(WM_USER));
    EXPECT_EQ(m.wParam, 7u);
    EXPECT_EQ(m.lParam, 9);
    EXPECT_EQ(window->DispatchMessage(m), 42);
    ASSERT_EQ(recorder.seen.size(), 1u);
    EXPECT_EQ(recorder.seen[0].window, window->Handle());

    // A message posted by anyone, with the Windows call itself, arrives the same way.
    PostMessageA(hwnd, WM_USER + 1, 3, 0);
    ASSERT_TRUE(window->GetMessage(m));
    EXPECT_EQ(m.message, std::uint32_t(WM_USER + 1));
    EXPECT_EQ(m.wParam, 3u);

    // A key press is followed by its character, as TranslateMessage makes it.
    recorder.seen.clear();
    window->PostMessage(WM_KEYDOWN, 'A', 0x001E0001);
    ASSERT_TRUE(PumpUntil(*window, [&] { return recorder.Count(WM_CHAR) == 1; }));
    EXPECT_EQ(recorder.Count(WM_KEYDOWN), 1);

    window->PostQuitMessage(3);
    EXPECT_FALSE(window->GetMessage(m));
    EXPECT_EQ(m.message, std::uint32_t(WM_QUIT));
    EXPECT_EQ(m.wParam, 3u);
}

TEST(Win32Window, TimersSendWmTimerUntilKilled) {
    Recorder recorder;
    auto window = MakePopup(recorder);
    ASSERT_NE(window, nullptr);
    Drain(*window);

    const auto start = Clock::now();
    ASSERT_TRUE(window->SetTimer(5, 30));
    platform::Message m;
    int ticks = 0;
    while (ticks < 3) {
        ASSERT_TRUE(window->GetMessage(m));
        if (m.message == WM_TIMER) {
            EXPECT_EQ(m.wParam, 5u);
            EXPECT_EQ(m.window, window->Handle());
            ++ticks;
        }
        window->DispatchMessage(m);
    }
    EXPECT_GE(Clock::now() - start, 80ms);
    EXPECT_EQ(recorder.Count(WM_TIMER), 3);

    window->KillTimer(5);
    const auto quiet = Clock::now() + 150ms;
    while (Clock::now() < quiet) {
        if (window->PeekMessage(m)) {
            EXPECT_NE(m.message, std::uint32_t(WM_TIMER));
            window->DispatchMessage(m);
        } else {
            Sleep(5);
        }
    }
}

TEST(Win32Window, WaitMessageSleepsUntilAMessageAndLeavesItQueued) {
    Recorder recorder;
    auto window = MakePopup(recorder);
    ASSERT_NE(window, nullptr);
    Drain(*window);

    // Due in 60 ms: the wait ends then, not before, and the timer's message is still there.
    ASSERT_TRUE(window->SetTimer(9, 60));
    const auto start = Clock::now();
    window->WaitMessage();
    EXPECT_GE(Clock::now() - start, 40ms);
    platform::Message m;
    ASSERT_TRUE(window->PeekMessage(m));
    EXPECT_EQ(m.message, std::uint32_t(WM_TIMER));
    window->KillTimer(9);

    window->PostMessage(WM_USER, 1, 0);
    window->WaitMessage();
    ASSERT_TRUE(window->PeekMessage(m));
    EXPECT_EQ(m.message, std::uint32_t(WM_USER));
}

TEST(Win32Window, PopupCoversTheScreenAboveOtherWindows) {
    Recorder recorder;
    auto window = MakePopup(recorder);
    ASSERT_NE(window, nullptr);
    const HWND hwnd = reinterpret_cast<HWND>(window->Handle());
    // The size asked for is the device's mode switch; the window covers the desktop.
    const platform::Rect client = window->ClientRect();
    EXPECT_EQ(client.Width(), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(client.Height(), GetSystemMetrics(SM_CYSCREEN));
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_STYLE) & WS_POPUP);
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_TRUE(window->CanBeSeen());
}

TEST(Win32Window, MessagesOfTheWindowsMakingArriveAfterItThroughTheQueue) {
    Recorder recorder;
    auto window = MakePopup(recorder);
    ASSERT_NE(window, nullptr);
    // Nothing reached the procedure while the factory ran: its owner did not hold the window yet.
    EXPECT_TRUE(recorder.seen.empty());
    ASSERT_TRUE(PumpUntil(*window, [&] { return recorder.Count(WM_ACTIVATE) > 0; }));
    for (const auto& s : recorder.seen) {
        if (s.message == WM_ACTIVATE) {
            EXPECT_EQ(s.window, window->Handle());
            EXPECT_NE(LOWORD(s.wParam), WA_INACTIVE);
        }
    }
}

TEST(Win32Window, DestroySendsWmDestroyOnce) {
    Recorder recorder;
    auto window = MakePopup(recorder);
    ASSERT_NE(window, nullptr);
    const HWND hwnd = reinterpret_cast<HWND>(window->Handle());
    Drain(*window);

    window->Destroy();
    EXPECT_EQ(recorder.Count(WM_DESTROY), 1);
    EXPECT_FALSE(IsWindow(hwnd));
    window->Destroy();
    EXPECT_EQ(recorder.Count(WM_DESTROY), 1);
    // Whatever the owner still asks of a window that is gone does nothing.
    EXPECT_EQ(window->ClientRect(), platform::Rect{});
    EXPECT_FALSE(window->SetTimer(1, 10));
    EXPECT_FALSE(window->CanBeSeen());
    window->PostMessage(WM_USER, 0, 0);
    window->PaintBitmap(SolidBmp(2, 2, 0xFF0000));
}

TEST(Win32Window, CloseIsTheProceduresToAnswerNotTheSystems) {
    Recorder recorder;
    auto window = MakePopup(recorder);
    ASSERT_NE(window, nullptr);
    const HWND hwnd = reinterpret_cast<HWND>(window->Handle());
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(recorder.Count(WM_CLOSE), 1);
    // The program ends through its own shutdown, so the window is still there.
    EXPECT_TRUE(IsWindow(hwnd));
}

TEST(Win32Window, ChildFillsItsParentPaintsThePictureAndEndsWithTheParent) {
    const HWND parent = MakeParent();
    ASSERT_NE(parent, nullptr);
    Recorder recorder;
    std::unique_ptr<platform::Window> child;
    const auto picture = SolidBmp(4, 2, 0xFF0000);  // twice as wide as high
    int paints = 0;
    platform::WindowDesc desc;
    desc.kind = platform::WindowKind::Child;
    desc.parent = reinterpret_cast<platform::WindowHandle>(parent);
    child = platform::CreateNativeWindow(
        desc, [&](platform::WindowHandle w, std::uint32_t message, platform::WPARAM wp,
                  platform::LPARAM lp) -> platform::LRESULT {
            if (message == WM_PAINT) {
                ++paints;
                child->PaintBitmap(picture);
            }
            return recorder.Procedure()(w, message, wp, lp);
        });
    ASSERT_NE(child, nullptr);
    const HWND hwnd = reinterpret_cast<HWND>(child->Handle());
    EXPECT_EQ(GetParent(hwnd), parent);
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD);
    EXPECT_EQ(child->ClientRect(), (platform::Rect{0, 0, 400, 300}));

    // The first paint comes by itself, after the window is made, and reaches the procedure.
    ASSERT_TRUE(PumpUntil(*child, [&] { return paints > 0; }));
    // Painted once is validated: no paint follows on its own.
    Drain(*child);
    const int paintsAfterDrain = paints;
    Drain(*child);
    EXPECT_EQ(paints, paintsAfterDrain);

    // 400 × 200 of red across the middle, 50 rows of black above and below.
    EXPECT_EQ(PixelAt(hwnd, 200, 150), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(hwnd, 5, 60), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(hwnd, 200, 20), RGB(0, 0, 0));
    EXPECT_EQ(PixelAt(hwnd, 200, 280), RGB(0, 0, 0));

    // The parent goes and takes the child with it; the procedure hears of it once.
    DestroyWindow(parent);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(recorder.Count(WM_DESTROY), 1);
    child->Destroy();
    EXPECT_EQ(recorder.Count(WM_DESTROY), 1);
    EXPECT_EQ(child->ClientRect(), platform::Rect{});
}

TEST(Win32Window, ChildWaitWakesWhenTheParentGoes) {
    const HWND parent = MakeParent();
    ASSERT_NE(parent, nullptr);
    Recorder recorder;
    platform::WindowDesc desc;
    desc.kind = platform::WindowKind::Child;
    desc.parent = reinterpret_cast<platform::WindowHandle>(parent);
    auto child = platform::CreateNativeWindow(desc, recorder.Procedure());
    ASSERT_NE(child, nullptr);
    Drain(*child);
    // The parent is destroyed while nothing else is queued: a wait must still come back.
    DestroyWindow(parent);
    child->WaitMessage();
    platform::Message m;
    EXPECT_TRUE(child->PeekMessage(m));
    EXPECT_EQ(recorder.Count(WM_DESTROY), 1);
}

TEST(Win32Window, ChildTakesTheRectangleItIsGiven) {
    const HWND parent = MakeParent();
    ASSERT_NE(parent, nullptr);
    platform::WindowDesc desc;
    desc.kind = platform::WindowKind::Child;
    desc.parent = reinterpret_cast<platform::WindowHandle>(parent);
    desc.rect = {10, 20, 110, 70};
    auto child = platform::CreateNativeWindow(desc, nullptr);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->ClientRect(), (platform::Rect{0, 0, 100, 50}));
    RECT placed{};
    GetWindowRect(reinterpret_cast<HWND>(child->Handle()), &placed);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(placed.left, 10);
    EXPECT_EQ(placed.top, 20);
    child.reset();
    DestroyWindow(parent);
}

TEST(Win32Window, ChildOfNoWindowIsNotMade) {
    platform::WindowDesc desc;
    desc.kind = platform::WindowKind::Child;
    desc.parent = 0;
    EXPECT_EQ(platform::CreateNativeWindow(desc, nullptr), nullptr);
    desc.parent = 0x7FFF1234;
    EXPECT_EQ(platform::CreateNativeWindow(desc, nullptr), nullptr);
    // A window that was there and went.
    const HWND parent = MakeParent();
    DestroyWindow(parent);
    desc.parent = reinterpret_cast<platform::WindowHandle>(parent);
    EXPECT_EQ(platform::CreateNativeWindow(desc, nullptr), nullptr);
}

TEST(Win32Window, BadPicturesPaintNothingAndDoNotCrash) {
    const HWND parent = MakeParent();
    ASSERT_NE(parent, nullptr);
    platform::WindowDesc desc;
    desc.kind = platform::WindowKind::Child;
    desc.parent = reinterpret_cast<platform::WindowHandle>(parent);
    auto child = platform::CreateNativeWindow(desc, nullptr);
    ASSERT_NE(child, nullptr);
    child->PaintBitmap({});
    auto cut = SolidBmp(8, 8, 0x00FF00);
    cut.resize(60);
    child->PaintBitmap(cut);
    const std::vector<std::uint8_t> noise(200, 0xAB);
    child->PaintBitmap(noise);
    child.reset();
    DestroyWindow(parent);
}

}  // namespace
