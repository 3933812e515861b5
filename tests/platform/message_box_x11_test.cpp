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
// and GTK then takes the next press of that key for a repeat. On a busy display the window can be
// found before it can take the focus, so the key is tried again until the box answers.
int ShowAndPress(const char* caption, std::uint32_t type, const char* key) {
    std::atomic<bool> answered = false;
    std::thread typist([&answered, caption, key] {
        const std::string command = std::string("timeout 5 xdotool search --onlyvisible --name '^") +
                                    caption + "$' windowfocus --sync %1 keyup " + key + " key " +
                                    key + " >/dev/null 2>&1";
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(45);
        while (!answered && std::chrono::steady_clock::now() < deadline) {
            if (std::system(command.c_str()) != 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(250));
                continue;
            }
            // The press is in: give the box time to answer before pressing again.
            for (int wait = 0; wait < 20 && !answered; ++wait) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        }
        if (!answered) {
            std::fputs("the message box never closed\n", stderr);
            std::abort();
        }
    });
    const int answer = platform::MessageBox::System().Show(0, "Не найден параметр", caption, type);
    answered = true;
    typist.join();
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
