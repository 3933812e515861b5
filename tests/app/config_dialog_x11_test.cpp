// The settings dialog on the desktop's dialogs (GTK), driven through its controller: the key
// behaviours as the user meets them, the layout at the default theme (nothing clipped, nothing
// overlapping), and pictures of the dialog and the about box for the documentation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "config_dialog_fixture.h"

namespace {

using namespace app::config_id;
using platform::DialogController;

class ConfigDialogX11Test : public testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) {
            GTEST_SKIP() << "needs a display";
        }
        // The dialog centres itself on this desktop; it matches the test display, so the
        // dialog is wholly on screen.
        fixture.script.adapters[0].desktop = {1280, 1024, 60, gfx::D3DFMT_X8R8G8B8};
    }

    app::test::ConfigDialogFixture fixture{platform::Dialogs::System()};
};

TEST_F(ConfigDialogX11Test, SoundBoxesDesktopListAndTypedPathAsTheUserMeetsThem) {
    bool ran = false;
    fixture.Run([&ran](DialogController& c) {
        ran = true;
        EXPECT_EQ(c.Caption(), "Zorvane Configuration");
        c.Click(kMusic);
        EXPECT_TRUE(c.IsEnabled(kVolume));
        c.Click(kSound);
        EXPECT_FALSE(c.IsEnabled(kVolume));
        EXPECT_FALSE(c.IsEnabled(kVolumeLabel));
        c.Click(kSound);
        EXPECT_TRUE(c.IsEnabled(kVolume));

        EXPECT_FALSE(c.IsEnabled(kModeList));
        EXPECT_EQ(c.ListItems(kModeList).size(), 10u);
        EXPECT_EQ(c.ListItems(kModeList)[std::size_t(c.ListSelection(kModeList))], "800x600x32bit");

        c.MoveTrackbar(kGamma, 25);
        EXPECT_EQ(c.ItemText(kGammaLabel), "&Gamma Control: 100%");
        c.Click(kTwentyFourHour);
        EXPECT_TRUE(c.IsChecked(kTwentyFourHour));
        EXPECT_FALSE(c.IsChecked(kTwelveHour));
        c.TypeText(app::kPicturePathEditId, "/tmp/typed.png");
        c.Click(1);
        EXPECT_FALSE(c.IsOpen());
    });
    EXPECT_TRUE(ran);
    const auto stored = fixture.Stored();
    EXPECT_FALSE(stored.Music);
    EXPECT_TRUE(stored.Sound);
    EXPECT_EQ(stored.Gamma, 25);
    EXPECT_TRUE(stored.TimeStyle);
    EXPECT_EQ(stored.PhotoPath, "/tmp/typed.png");
    EXPECT_EQ(stored.Width, 800);
}

TEST_F(ConfigDialogX11Test, RestoreDefaultsThenCancelStoresNothing) {
    fixture.registry.Put(app::kSettingsKeyPath, "Volume", platform::REG_DWORD, {7, 0, 0, 0});
    fixture.Run([](DialogController& c) {
        EXPECT_EQ(c.TrackbarPos(kVolume), 7);
        c.Click(kRestoreDefaults);
        EXPECT_EQ(c.TrackbarPos(kVolume), 50);
        c.Click(2);
    });
    EXPECT_EQ(fixture.registry.stores, 0);
    EXPECT_EQ(fixture.StoredDword("Volume"), 7u);
}

// Every control is as large as its content needs and none covers another (group boxes hold
// others and are left out); a picture of each dialog goes to the build folder.
TEST_F(ConfigDialogX11Test, LayoutShowsEveryLabelWholeWithoutOverlaps) {
    const std::filesystem::path shots = std::filesystem::path(ZORVANE_BINARY_DIR) / "shots";
    std::filesystem::create_directories(shots);
    const auto check = [](DialogController& c, const std::vector<int>& ids, const char* name) {
        for (std::size_t i = 0; i < ids.size(); ++i) {
            const platform::Rect a = c.ItemRect(ids[i]);
            EXPECT_GT(a.Width(), 0) << name << " " << ids[i];
            EXPECT_FALSE(c.IsClipped(ids[i])) << name << " " << ids[i] << " is clipped";
            for (std::size_t j = i + 1; j < ids.size(); ++j) {
                const platform::Rect b = c.ItemRect(ids[j]);
                const bool overlap =
                    a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
                EXPECT_FALSE(overlap) << name << ": " << ids[i] << " and " << ids[j] << " overlap";
            }
        }
    };
    const auto capture = [&shots](DialogController& c, const char* file) {
        c.WaitUntilDrawn();
        const std::string command = "import -silent -window " + std::to_string(c.Handle()) + " " +
                                    (shots / file).string() + " >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << file;
    };
    fixture.Run([&](DialogController& c) {
        check(c,
              {kModeList,
               kUseDesktop,
               kVolumeLabel,
               kVolume,
               kMusic,
               kSound,
               kGammaLabel,
               kGamma,
               1008,
               1017,
               1009,
               1010,
               kShowFps,
               kShowTime,
               kExitOnMouseMove,
               kTwentyFourHour,
               kTwelveHour,
               1019,
               kVisit,
               kAbout,
               kRestoreDefaults,
               1,
               2},
              "settings");
        capture(c, "config_dialog.png");
        platform::Dialogs::System().Drive([&](DialogController& about) {
            std::vector<int> ids = {1};
            for (int id = app::kAboutFirstLineId; id < app::kAboutFirstLineId + 7; ++id) {
                ids.push_back(id);
            }
            check(about, ids, "about");
            capture(about, "about_box.png");
            about.Click(1);
        });
        c.Click(kAbout);
        c.Click(2);
    });
}

}  // namespace
