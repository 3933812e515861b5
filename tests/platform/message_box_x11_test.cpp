// GTK message boxes on a real display answer with the Windows button ids.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/message_box.h"

namespace {

// Shows a box and types `key` into it once it is on screen; aborts rather than hang when the key
// never gets there. The key is released first: a box closed by a press never sees the release,
// and GTK then takes the next press of that key for a repeat.
int ShowAndPress(const char* caption, std::uint32_t type, const char* key) {
    std::atomic<bool> done = false;
    std::thread watchdog([&done] {
        for (int i = 0; i < 300 && !done; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        if (!done) {
            std::fputs("the message box never closed\n", stderr);
            std::abort();
        }
    });
    std::thread typist([caption, key] {
        const std::string command = std::string("timeout 20 xdotool search --sync --name '^") +
                                    caption + "$' windowfocus --sync %1 keyup " + key + " key " +
                                    key + " >/dev/null 2>&1";
        std::system(command.c_str());
    });
    const int answer = platform::MessageBox::System().Show(0, "Не найден параметр", caption, type);
    typist.join();
    done = true;
    watchdog.join();
    return answer;
}

TEST(GtkMessageBox, OkBoxAnswersOkEvenWhenEscaped) {
    EXPECT_EQ(ShowAndPress("zorvane ok box", platform::MB_OK, "Return"), platform::IDOK);
    EXPECT_EQ(ShowAndPress("zorvane ok box 2", platform::MB_OK, "Escape"), platform::IDOK);
}

TEST(GtkMessageBox, OkCancelBoxAnswersCancelOnEscape) {
    EXPECT_EQ(ShowAndPress("zorvane cancel box", platform::MB_OKCANCEL | platform::MB_ICONERROR,
                           "Escape"),
              platform::IDCANCEL);
}

}  // namespace
