// Dialogs on Windows' own controls: the template as Windows builds it, and a dialog driven through
// its controller, with the messages its procedure sees.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialog.h"
#include "platform/win32/win32_api.h"

namespace {

using platform::DialogController;
using platform::DialogWindow;

constexpr std::string_view kTemplate =
    "DIALOG 200 120\r\n"
    "CAPTION \"Test\"\r\n"
    "FONT 8 \"MS Shell Dlg\"\r\n"
    "CHECKBOX 10 5 5 80 10 \"&Check\"\r\n"
    "RADIOBUTTON 11 5 18 60 10 \"One\"\r\n"
    "RADIOBUTTON 12 70 18 60 10 \"Two\"\r\n"
    "DROPDOWN 13 5 32 100 60 \"\"\r\n"
    "TRACKBAR 14 5 48 100 14 \"\"\r\n"
    "EDITTEXT 15 5 66 100 12 \"start\"\r\n"
    "LTEXT 16 110 5 80 8 \"Label\"\r\n"
    "PUSHBUTTON 17 110 20 60 14 \"Off\"\r\n"
    "DEFPUSHBUTTON 1 80 100 50 14 \"OK\"\r\n"
    "PUSHBUTTON 2 140 100 50 14 \"Cancel\"\r\n";

platform::DialogTemplate OurTemplate() {
    const auto parsed = platform::ParseDialogTemplate(
        {reinterpret_cast<const std::uint8_t*>(kTemplate.data()), kTemplate.size()});
    EXPECT_TRUE(parsed);
    return parsed.value_or(platform::DialogTemplate{});
}

struct Seen {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

// A procedure that fills its controls on WM_INITDIALOG, records the rest, and ends on OK or
// Cancel with their ids.
class RecordingDialog {
public:
    platform::DialogProc Proc() {
        return [this](DialogWindow& dialog, std::uint32_t message, platform::WPARAM wParam,
                      platform::LPARAM lParam) {
            if (message == WM_INITDIALOG) {
                dialog.AddListItem(13, "first");
                dialog.AddListItem(13, "second \xD0\x96");
                dialog.SetListSelection(13, 0);
                dialog.SetTrackbarRange(14, 0, 100);
                dialog.SetTrackbarPos(14, 40);
                dialog.CheckRadioButton(11, 12, 12);
                dialog.SetItemText(15, "set by the procedure");
                dialog.LimitItemText(15, 8);
                dialog.EnableItem(17, false);
                return true;
            }
            seen.push_back({message, wParam, lParam});
            const auto id = static_cast<int>(wParam & 0xFFFF);
            if (message == WM_COMMAND && (id == IDOK || id == IDCANCEL)) {
                dialog.EndDialog(id == IDOK ? 100 : 200);
                return true;
            }
            return false;
        };
    }

    std::vector<Seen> seen;
};

TEST(DialogWin32, ControlsAreDrivenAsTheUserWouldAndTheProcedureSeesWindowsValues) {
    RecordingDialog recording;
    bool ran = false;
    auto& dialogs = platform::Dialogs::System();
    dialogs.Drive([&](DialogController& c) {
        ran = true;
        EXPECT_EQ(c.Caption(), "Test");
        // What the procedure set sent nothing.
        EXPECT_TRUE(recording.seen.empty());
        EXPECT_EQ(c.ItemText(15), "set by the procedure");
        EXPECT_EQ(c.ListItems(13), (std::vector<std::string>{"first", "second \xD0\x96"}));
        EXPECT_EQ(c.ListSelection(13), 0);
        EXPECT_EQ(c.TrackbarRange(14), (std::pair<int, int>{0, 100}));
        EXPECT_EQ(c.TrackbarPos(14), 40);
        EXPECT_TRUE(c.IsChecked(12));
        EXPECT_FALSE(c.IsChecked(11));
        EXPECT_FALSE(c.IsEnabled(17));

        c.Click(10);
        EXPECT_TRUE(c.IsChecked(10));
        c.Click(11);
        EXPECT_TRUE(c.IsChecked(11));
        EXPECT_FALSE(c.IsChecked(12));
        c.ChooseListItem(13, 1);
        c.ChooseListItem(13, 5);
        EXPECT_EQ(c.ListSelection(13), 1);
        c.MoveTrackbar(14, 250);
        EXPECT_EQ(c.TrackbarPos(14), 100);
        c.TypeText(15, "typed by the user");
        EXPECT_EQ(c.ItemText(15), "typed by");
        c.Click(17);
        c.Click(99);

        ASSERT_EQ(recording.seen.size(), 6u);
        EXPECT_EQ(recording.seen[0].message, static_cast<std::uint32_t>(WM_COMMAND));
        EXPECT_EQ(recording.seen[0].wParam, MAKEWPARAM(10, BN_CLICKED));
        EXPECT_EQ(recording.seen[1].wParam, MAKEWPARAM(11, BN_CLICKED));
        EXPECT_EQ(recording.seen[2].wParam, MAKEWPARAM(13, CBN_SELCHANGE));
        EXPECT_EQ(recording.seen[3].message, static_cast<std::uint32_t>(WM_HSCROLL));
        EXPECT_EQ(recording.seen[3].wParam, MAKEWPARAM(platform::TB_THUMBPOSITION, 100));
        EXPECT_EQ(recording.seen[3].lParam, 14);
        // The edit tells of the update before the change, as it does when the user types.
        EXPECT_EQ(recording.seen[4].wParam, MAKEWPARAM(15, EN_UPDATE));
        EXPECT_EQ(recording.seen[5].wParam, MAKEWPARAM(15, EN_CHANGE));
        c.Click(1);
        EXPECT_FALSE(c.IsOpen());
    });
    EXPECT_EQ(dialogs.RunModal(OurTemplate(), 0, recording.Proc()), 100);
    EXPECT_TRUE(ran);
}

// Windows makes every control of the template, in its order (the Tab order), of the class its
// kind asks for; Tab walks the stops in that order and a radio group is one stop.
TEST(DialogWin32, ControlsComeInTemplateOrderWithTheirClassesAndTabStops) {
    auto& dialogs = platform::Dialogs::System();
    std::vector<std::string> classes;
    std::vector<int> tabOrder;
    dialogs.Drive([&](DialogController& c) {
        const HWND dialog = reinterpret_cast<HWND>(c.Handle());
        for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            char name[64] = {};
            GetClassNameA(child, name, sizeof name);
            classes.push_back(name);
        }
        HWND stop = GetNextDlgTabItem(dialog, nullptr, FALSE);
        for (int i = 0; i < 8 && stop != nullptr; ++i) {
            tabOrder.push_back(GetDlgCtrlID(stop));
            stop = GetNextDlgTabItem(dialog, stop, FALSE);
        }
        const platform::Rect check = c.ItemRect(10);
        const platform::Rect edit = c.ItemRect(15);
        EXPECT_GT(check.right - check.left, 0);
        EXPECT_LT(check.top, edit.top);
        EXPECT_FALSE(c.IsClipped(10));
        c.Click(2);
    });
    EXPECT_EQ(dialogs.RunModal(OurTemplate(), 0, RecordingDialog().Proc()), 200);
    for (std::string& name : classes) {
        for (char& ch : name) {
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        }
    }
    EXPECT_EQ(classes, (std::vector<std::string>{"button", "button", "button", "combobox",
                                                 "msctls_trackbar32", "edit", "static", "button",
                                                 "button", "button"}));
    // The disabled button is skipped; the radio group is one stop, entered at its checked button.
    EXPECT_EQ(tabOrder, (std::vector<int>{10, 12, 13, 14, 15, 1, 2, 10}));
}

TEST(DialogWin32, ClosingCancelsNestedDialogsRunTheirOwnScriptsAndOpenScriptsEndWithMinusOne) {
    auto& dialogs = platform::Dialogs::System();
    std::intptr_t nested = 0;
    dialogs.Drive([&](DialogController& c) {
        // Clicking the check box opens a dialog of its own, driven by the next script.
        c.Click(10);
        EXPECT_TRUE(c.IsOpen());
        PostMessageW(reinterpret_cast<HWND>(c.Handle()), WM_CLOSE, 0, 0);
        c.WaitUntilDrawn();
        EXPECT_FALSE(c.IsOpen());
    });
    dialogs.Drive([](DialogController& c) { EXPECT_EQ(c.Caption(), "Test"); });
    const std::intptr_t result = dialogs.RunModal(
        OurTemplate(), 0,
        [&](DialogWindow& dialog, std::uint32_t message, platform::WPARAM wParam,
            platform::LPARAM) {
            const auto id = static_cast<int>(wParam & 0xFFFF);
            if (message == WM_COMMAND && id == 10) {
                nested = platform::Dialogs::System().RunModal(OurTemplate(), dialog.Handle(),
                                                              RecordingDialog().Proc());
                return true;
            }
            if (message == WM_COMMAND && id == IDCANCEL) {
                dialog.EndDialog(7);
                return true;
            }
            return false;
        });
    EXPECT_EQ(nested, -1);
    EXPECT_EQ(result, 7);
}

TEST(DialogWin32, AnUnusableOwnerOrNoProcedureShowsNothingOrShowsItUnowned) {
    auto& dialogs = platform::Dialogs::System();
    EXPECT_EQ(dialogs.RunModal(OurTemplate(), 0, nullptr), -1);
    dialogs.Drive([](DialogController& c) { c.Click(1); });
    EXPECT_EQ(dialogs.RunModal(OurTemplate(), 0x12345678, RecordingDialog().Proc()), 100);
}

}  // namespace
