#include "app/version_notice.h"

#include <gtest/gtest.h>

#include "platform/fake/memory_resources.h"
#include "platform/fake/recording_url_opener.h"
#include "platform/fake/scripted_dialogs.h"

namespace {

constexpr std::string_view kTemplate =
    "DIALOG 248 60\r\n"
    "CAPTION \"Dialog\"\r\n"
    "FONT 8 \"MS Sans Serif\"\r\n"
    "DEFPUSHBUTTON 1 17 36 86 14 \"Update\"\r\n"
    "LTEXT -1 16 11 218 20 \"Too old\"\r\n"
    "PUSHBUTTON 2 109 36 58 14 \"Cancel\"\r\n";

class VersionNoticeTest : public testing::Test {
protected:
    VersionNoticeTest() { resources.Add("DIALOG", 129, kTemplate); }

    platform::fake::MemoryResources resources;
    platform::fake::ScriptedDialogs dialogs;
    platform::fake::RecordingUrlOpener opener;
};

TEST_F(VersionNoticeTest, FirstButtonOpensTheDriverPage) {
    dialogs.clicks = {1};
    EXPECT_EQ(app::ShowVersionNotice(resources, dialogs, opener), 1);
    EXPECT_EQ(opener.opened, std::vector<std::string>{std::string(app::kDriverUpdateUrl)});
    EXPECT_EQ(dialogs.shownOwner, 0u);
    EXPECT_EQ(dialogs.shownTemplate.controls.size(), 3u);
}

TEST_F(VersionNoticeTest, PlacesItselfAt300With390By131) {
    dialogs.clicks = {2};
    EXPECT_EQ(app::ShowVersionNotice(resources, dialogs, opener), 2);
    EXPECT_TRUE(dialogs.initHandled);
    ASSERT_EQ(dialogs.positions.size(), 1u);
    EXPECT_EQ(dialogs.positions[0].x, 300);
    EXPECT_EQ(dialogs.positions[0].y, 300);
    EXPECT_EQ(dialogs.positions[0].width, 390);
    EXPECT_EQ(dialogs.positions[0].height, 131);
    EXPECT_TRUE(opener.opened.empty());
}

TEST_F(VersionNoticeTest, OtherCommandsDoNotEndIt) {
    dialogs.clicks = {-1, 3, 0, 2, 1};
    EXPECT_EQ(app::ShowVersionNotice(resources, dialogs, opener), 2);
    EXPECT_TRUE(opener.opened.empty());
}

TEST_F(VersionNoticeTest, NoDialogOpensNothing) {
    dialogs.available = false;
    dialogs.clicks = {1};
    EXPECT_EQ(app::ShowVersionNotice(resources, dialogs, opener), -1);
    EXPECT_TRUE(opener.opened.empty());

    platform::fake::MemoryResources empty;
    dialogs.available = true;
    EXPECT_EQ(app::ShowVersionNotice(empty, dialogs, opener), -1);
    EXPECT_EQ(dialogs.runs, 0);
}

}  // namespace
