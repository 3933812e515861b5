// The GTK dialogs on a real display: the procedure sees WM_INITDIALOG first, Escape and clicks
// arrive as WM_COMMAND, and EndDialog's value comes back.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/dialog.h"
#include "platform/message_box.h"
#include "platform/termination.h"

namespace {

platform::DialogTemplate Template(const char* caption) {
    platform::DialogTemplate t;
    t.caption = caption;
    t.width = 248;
    t.height = 60;
    t.fontName = "MS Sans Serif";
    t.controls = {
        {1, platform::ControlKind::DefaultPushButton, 17, 36, 86, 14, "First"},
        {-1, platform::ControlKind::StaticText, 16, 11, 218, 20, "Some text"},
        {2, platform::ControlKind::PushButton, 109, 36, 58, 14, "Cancel"},
    };
    return t;
}

TEST(GtkDialog, EndDialogDuringInitReturnsAtOnce) {
    std::vector<std::uint32_t> messages;
    platform::DialogTemplate dialogTemplate = Template("zorvane init test");
    // Pictures from the resources, a missing one and a malformed id all lay out.
    for (const char* id : {"173", "999999", "1x", ""}) {
        dialogTemplate.controls.push_back({-1, platform::ControlKind::Bitmap, 1, 1, 10, 10, id});
    }
    const auto result = platform::Dialogs::System().RunModal(
        dialogTemplate, 0,
        [&messages](platform::DialogWindow& dialog, std::uint32_t message, platform::WPARAM,
                    platform::LPARAM) {
            messages.push_back(message);
            dialog.SetWindowPos(300, 300, 390, 131);
            dialog.SetItemText(1, "Renamed");
            dialog.SetItemText(999, "no such control");
            dialog.EndDialog(7);
            return true;
        });
    EXPECT_EQ(result, 7);
    EXPECT_EQ(messages, std::vector<std::uint32_t>{platform::WM_INITDIALOG});
}

TEST(GtkDialog, EscapeArrivesAsCancelCommand) {
    std::vector<platform::WPARAM> commands;
    // A key that never arrives would leave the dialog open for good; fail instead of hanging.
    std::atomic<bool> done = false;
    std::thread watchdog([&done] {
        for (int i = 0; i < 300 && !done; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        if (!done) {
            std::fputs("the dialog never saw Escape\n", stderr);
            std::abort();
        }
    });
    // Escape is typed into the window once it is on screen (released first, so that an earlier
    // press whose release went elsewhere can't make this one look like a repeat).
    std::thread typist([] {
        std::system(
            "timeout 20 xdotool search --sync --name '^zorvane escape test$' windowfocus --sync %1 "
            "keyup Escape key Escape >/dev/null 2>&1");
    });
    const auto result = platform::Dialogs::System().RunModal(
        Template("zorvane escape test"), 0,
        [&commands](platform::DialogWindow& dialog, std::uint32_t message, platform::WPARAM wParam,
                    platform::LPARAM) {
            if (message != platform::WM_COMMAND) {
                return message == platform::WM_INITDIALOG;
            }
            commands.push_back(wParam);
            dialog.EndDialog(static_cast<std::intptr_t>(wParam & 0xFFFF));
            return true;
        });
    typist.join();
    done = true;
    watchdog.join();
    EXPECT_EQ(result, 2);
    EXPECT_EQ(commands, std::vector<platform::WPARAM>{2});
}

// A request to end the process cancels a dialog through its procedure, and ends even one whose
// procedure would keep it open; a message box is answered as cancelled. In a child each, since
// the request stays for the process.
TEST(GtkDialog, RequestToEndTheProcessCancelsTheDialog) {
    for (const bool procedureEnds : {true, false}) {
        EXPECT_EXIT(
            {
                alarm(10);  // a request that is never seen fails the case instead of hanging it
                platform::CatchTerminationRequests();
                std::vector<platform::WPARAM> commands;
                const auto result = platform::Dialogs::System().RunModal(
                    Template("zorvane termination test"), 0,
                    [&](platform::DialogWindow& dialog, std::uint32_t message,
                        platform::WPARAM wParam, platform::LPARAM) {
                        if (message == platform::WM_INITDIALOG) {
                            kill(getpid(), SIGTERM);
                            return true;
                        }
                        commands.push_back(wParam);
                        if (procedureEnds) {
                            dialog.EndDialog(static_cast<std::intptr_t>(wParam & 0xFFFF));
                        }
                        return true;
                    });
                std::exit(result == 2 && commands == std::vector<platform::WPARAM>{2} ? 0 : 1);
            },
            testing::ExitedWithCode(0), "")
            << (procedureEnds ? "procedure ends it" : "procedure keeps it open");
    }
    EXPECT_EXIT(
        {
            alarm(10);
            platform::CatchTerminationRequests();
            raise(SIGINT);
            const int answer = platform::MessageBox::System().Show(0, "text", "zorvane box test",
                                                                   platform::MB_OKCANCEL);
            std::exit(answer == platform::IDCANCEL ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
