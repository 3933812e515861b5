// The system's message box, answered by a helper thread as a user would (its text and the button
// chosen), and which addresses the browser is handed.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "platform/message_box.h"
#include "platform/open_url.h"
#include "platform/win32/win32_api.h"

namespace {

// Waits (up to thirty seconds) for a visible dialog window of this process with `caption` and
// hands it to `answer`.
class Answerer {
public:
    static HWND FindDialog(const std::string& caption) {
        HWND window = nullptr;
        while ((window = FindWindowExA(nullptr, window, "#32770",
                                       caption.c_str())) != nullptr) {
            ::DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == GetCurrentProcessId() && IsWindowVisible(window)) {
                return window;
            }
        }
        return nullptr;
    }

    Answerer(std::string caption, std::function<void(HWND)> answer)
        : thread_([this, caption = std::move(caption), answer = std::move(answer)] {
              for (int i = 0; i < 3000; ++i) {
                  if (HWND box = FindDialog(caption)) {
                      Sleep(50);
                      answer(box);
                      found_ = true;
                      return;
                  }
                  Sleep(10);
              }
          }) {}
    ~Answerer() { Finish(); }
    Answerer(const Answerer&) = delete;
    Answerer& operator=(const Answerer&) = delete;

    bool Found() {
        Finish();
        return found_;
    }

private:
    void Finish() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    std::atomic<bool> found_{false};
    std::thread thread_;
};

std::string WindowTextOf(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

TEST(MessageBoxWin32, ShowsTheTextAndReturnsTheButtonChosen) {
    std::string shown;
    Answerer answerer("Zorvane test box", [&shown](HWND box) {
        // The text is the box's static control (id 0xFFFF).
        shown = WindowTextOf(GetDlgItem(box, 0xFFFF));
        PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(platform::MessageBox::System().Show(0, "Settings & more", "Zorvane test box",
                                                  MB_OKCANCEL),
              IDCANCEL);
    EXPECT_TRUE(answerer.Found());
    EXPECT_EQ(shown, "Settings & more");
}

TEST(UrlOpenerWin32, OnlyWebAddressesAreHandedOver) {
    auto& opener = platform::UrlOpener::System();
    EXPECT_FALSE(opener.Open(""));
    EXPECT_FALSE(opener.Open("C:\\Windows\\system32\\calc.exe"));
    EXPECT_FALSE(opener.Open("file:///C:/Windows/win.ini"));
    EXPECT_FALSE(opener.Open(std::string("https://a\0b", 11)));
}

}  // namespace
