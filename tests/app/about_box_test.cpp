// The about box: its texts from the table, its place beside the settings dialog, its buttons.
#include "app/about_box.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/fake/memory_resources.h"
#include "platform/fake/scripted_dialogs.h"

namespace {

class AboutBoxTest : public testing::Test {
protected:
    AboutBoxTest() {
        std::ifstream in(std::string(ZORVANE_SOURCE_DIR) + "/resources/dialog_103.dlg",
                         std::ios::binary);
        resources.Add("DIALOG", app::kAboutBoxDialogId,
                      std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}));
        const std::string table =
            "#About#\nAbout\n#OK#\nFine\n#About_Window_Text#\nName%%one%two%\xC0%four%five%six\n";
        texts.Parse({reinterpret_cast<const std::uint8_t*>(table.data()), table.size()});
    }

    platform::fake::MemoryResources resources;
    platform::fake::ScriptedDialogs dialogs;
    app::TextTable texts;
};

TEST_F(AboutBoxTest, TextsComeFromTheTableSplitAtPercentMarks) {
    dialogs.clicks = {1};
    EXPECT_EQ(app::ShowAboutBox(resources, texts, dialogs, 77, std::nullopt), 1);
    EXPECT_EQ(dialogs.shownOwner, 77u);
    EXPECT_EQ(dialogs.caption, "About");
    EXPECT_EQ(dialogs.itemTexts[1], "Fine");
    // The seventh line keeps the rest of the text; '%' past the sixth are dropped.
    const std::vector<std::string> expected = {"Name",     "",     "one",    "two",
                                               "\xD0\x90", "four", "fivesix"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(dialogs.itemTexts[app::kAboutFirstLineId + i], expected[i]) << i;
    }
    EXPECT_TRUE(dialogs.moves.empty());
}

TEST_F(AboutBoxTest, PlacedBesideTheSettingsDialogAndEndedByEitherButton) {
    dialogs.clicks = {1061, 2};
    EXPECT_EQ(app::ShowAboutBox(resources, texts, dialogs, 0, std::pair{300, 200}), 2);
    EXPECT_EQ(dialogs.moves, (std::vector<std::pair<int, int>>{{440, 350}}));
    EXPECT_TRUE(dialogs.positions.empty());
}

TEST_F(AboutBoxTest, MissingTemplateShowsNothing) {
    platform::fake::MemoryResources empty;
    EXPECT_EQ(app::ShowAboutBox(empty, texts, dialogs, 0, std::nullopt), -1);
    EXPECT_EQ(dialogs.runs, 0);
}

}  // namespace
