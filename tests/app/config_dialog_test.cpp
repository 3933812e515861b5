// The settings dialog driven through its controller on the fake dialogs: every control's effect
// on the settings and on the registry, the mode list, the picture path, the error box, and the
// buttons that open other windows.
#include "app/config_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <vector>

#include "config_dialog_fixture.h"
#include "platform/fake/scripted_dialogs.h"
#include "shipped_settings.h"

namespace {

using namespace app::config_id;
using platform::DialogController;

class ConfigDialogTest : public testing::Test {
protected:
    void Store(const char* name, std::uint32_t value) {
        fixture.registry.Put(app::kSettingsKeyPath, name, platform::REG_DWORD,
                             {std::uint8_t(value), std::uint8_t(value >> 8),
                              std::uint8_t(value >> 16), std::uint8_t(value >> 24)});
    }
    void StorePath(const std::string& path) {
        fixture.registry.Put(app::kSettingsKeyPath, "PhotoPath", platform::REG_SZ,
                             std::vector<std::uint8_t>(path.begin(), path.end()));
    }

    platform::fake::ScriptedDialogs dialogs;
    app::test::ConfigDialogFixture fixture{dialogs};
};

TEST_F(ConfigDialogTest, LabelsComeFromTheTextTableWithMnemonics) {
    fixture.Run([](DialogController& c) {
        EXPECT_EQ(c.Caption(), "Zorvane Configuration");
        EXPECT_EQ(c.ItemText(1), "&OK");
        EXPECT_EQ(c.ItemText(2), "&Cancel");
        EXPECT_EQ(c.ItemText(kAbout), "&About...");
        EXPECT_EQ(c.ItemText(kGammaLabel), "&Gamma Control: 100%");
        EXPECT_EQ(c.ItemText(kSound), "Enable &SFX") << "E went to Enable Music";
        EXPECT_EQ(c.ItemText(kShowFps), "Show &FPS");
        EXPECT_EQ(c.ItemText(1013), "Video Mode") << "group boxes take none";
        EXPECT_EQ(c.ItemText(1019), "Visit our official web-site for more great 3D screensavers");
        c.Click(2);
    });
}

TEST_F(ConfigDialogTest, ControlsStartFromTheStoredSettings) {
    Store("Volume", 35);
    Store("Gamma", std::uint32_t(-60));
    Store("ShowTime", 0);
    Store("TimeStyle", 1);
    Store("ShowFps", 1);
    fixture.Run([](DialogController& c) {
        EXPECT_EQ(c.TrackbarRange(kVolume), (std::pair{0, 100}));
        EXPECT_EQ(c.TrackbarPos(kVolume), 35);
        EXPECT_EQ(c.TrackbarRange(kGamma), (std::pair{-100, 100}));
        EXPECT_EQ(c.TrackbarPos(kGamma), -60);
        EXPECT_FALSE(c.IsChecked(kShowTime));
        EXPECT_TRUE(c.IsChecked(kTwentyFourHour));
        EXPECT_FALSE(c.IsChecked(kTwelveHour));
        EXPECT_FALSE(c.IsEnabled(kTwentyFourHour)) << "the time style goes with the time";
        EXPECT_FALSE(c.IsEnabled(kTwelveHour));
        EXPECT_TRUE(c.IsChecked(kShowFps));
        EXPECT_TRUE(c.IsChecked(kMusic));
        EXPECT_TRUE(c.IsChecked(kSound));
        EXPECT_FALSE(c.IsChecked(kExitOnMouseMove));
        EXPECT_TRUE(c.IsChecked(kUseDesktop));
        c.Click(2);
    });
    EXPECT_EQ(dialogs.moves,
              (std::vector<std::pair<int, int>>{{(1920 - 530) / 2, (1080 - 440) / 2}}));
}

TEST_F(ConfigDialogTest, UncheckingBothSoundBoxesDisablesTheVolume) {
    const auto settings = fixture.Run([](DialogController& c) {
        struct Step {
            int click;
            bool enabled;
        };
        for (const Step step : {Step{kMusic, true}, Step{kSound, false}, Step{kSound, true},
                                Step{kSound, false}, Step{kMusic, true}, Step{kMusic, false}}) {
            c.Click(step.click);
            EXPECT_EQ(c.IsEnabled(kVolume), step.enabled) << step.click;
            EXPECT_EQ(c.IsEnabled(kVolumeLabel), step.enabled) << step.click;
        }
        c.Click(1);
    });
    EXPECT_FALSE(settings.Music);
    EXPECT_FALSE(settings.Sound);
    EXPECT_EQ(fixture.StoredDword("Music"), 0u);
    EXPECT_EQ(fixture.StoredDword("Sound"), 0u);
}

TEST_F(ConfigDialogTest, EveryBoxAndTrackbarReachesTheRegistryOnOk) {
    const auto before = fixture.Stored();
    fixture.Run([](DialogController& c) {
        c.Click(kShowFps);
        c.Click(kExitOnMouseMove);
        c.Click(kTwentyFourHour);
        c.MoveTrackbar(kVolume, 80);
        c.MoveTrackbar(kGamma, -150);  // beyond the range: held at its end
        c.Click(1);
    });
    auto expected = before;
    expected.ShowFps = true;
    expected.ExitOnMM = true;
    expected.TimeStyle = true;
    expected.Volume = 80;
    expected.Gamma = -100;
    EXPECT_EQ(fixture.Stored(), expected);
}

TEST_F(ConfigDialogTest, ShowTimeEnablesTheTimeStyle) {
    const auto settings = fixture.Run([](DialogController& c) {
        EXPECT_TRUE(c.IsEnabled(kTwelveHour));
        c.Click(kShowTime);
        EXPECT_FALSE(c.IsEnabled(kTwelveHour));
        EXPECT_FALSE(c.IsEnabled(kTwentyFourHour));
        c.Click(kTwentyFourHour);  // disabled: nothing happens
        c.Click(kShowTime);
        c.Click(kTwentyFourHour);
        c.Click(kTwelveHour);
        EXPECT_TRUE(c.IsChecked(kTwelveHour));
        EXPECT_FALSE(c.IsChecked(kTwentyFourHour));
        c.Click(2);
    });
    EXPECT_TRUE(settings.ShowTime);
    EXPECT_FALSE(settings.TimeStyle);
    EXPECT_EQ(fixture.registry.stores, 0) << "Cancel stores nothing";
}

TEST_F(ConfigDialogTest, DesktopModeDisablesTheListButItIsStillFilledAndRead) {
    // A stored mode on another adapter matches no entry, so the desktop's mode is selected.
    Store("Adapter", 1);
    fixture.Run([](DialogController& c) {
        EXPECT_FALSE(c.IsEnabled(kModeList));
        const auto items = c.ListItems(kModeList);
        ASSERT_EQ(items.size(), 10u) << "five sizes in 32 and 16 bits, refresh rates merged";
        EXPECT_EQ(items.front(), "640x480x32bit") << "by size, then format";
        ASSERT_GE(c.ListSelection(kModeList), 0);
        EXPECT_EQ(items[std::size_t(c.ListSelection(kModeList))], "1920x1080x32bit");
        c.ChooseListItem(kModeList, 0);  // disabled: the user can't
        c.Click(1);
    });
    const auto stored = fixture.Stored();
    EXPECT_TRUE(stored.UseDesktop);
    EXPECT_EQ(stored.Width, 1920);
    EXPECT_EQ(stored.Height, 1080);
    EXPECT_EQ(stored.Depth, 32);
    EXPECT_EQ(stored.Adapter, 0);
}

TEST_F(ConfigDialogTest, ChosenModeIsStoredOnAdapterZero) {
    fixture.Run([](DialogController& c) {
        c.Click(kUseDesktop);
        EXPECT_TRUE(c.IsEnabled(kModeList));
        const auto items = c.ListItems(kModeList);
        const auto wanted = std::find(items.begin(), items.end(), "1024x768x16bit");
        ASSERT_NE(wanted, items.end());
        c.ChooseListItem(kModeList, int(wanted - items.begin()));
        c.Click(1);
    });
    const auto stored = fixture.Stored();
    EXPECT_FALSE(stored.UseDesktop);
    EXPECT_EQ(stored.Width, 1024);
    EXPECT_EQ(stored.Height, 768);
    EXPECT_EQ(stored.Depth, 16);
}

TEST_F(ConfigDialogTest, TwoAdaptersOfferingTheSameModeGiveOneEntry) {
    fixture.script.adapters.push_back(gfx::fake::StandardAdapter());
    fixture.script.adapters.back().modes.push_back({2560, 1440, 60, gfx::D3DFMT_X8R8G8B8});
    fixture.Run([](DialogController& c) {
        const auto items = c.ListItems(kModeList);
        EXPECT_EQ(items.size(), 11u);
        EXPECT_EQ(std::set<std::string>(items.begin(), items.end()).size(), items.size());
        EXPECT_EQ(items.back(), "2560x1440x32bit");
        c.Click(2);
    });
}

TEST_F(ConfigDialogTest, RestoreDefaultsRefreshesTheControlsAndCancelLeavesTheRegistry) {
    Store("ShowFps", 1);
    Store("Volume", 20);
    Store("Gamma", 30);
    StorePath("/home/user/cat.png");
    const auto values = fixture.registry.Values(app::kSettingsKeyPath);
    fixture.Run([](DialogController& c) {
        c.Click(kRestoreDefaults);
        EXPECT_FALSE(c.IsChecked(kShowFps));
        EXPECT_EQ(c.TrackbarPos(kVolume), 50);
        EXPECT_EQ(c.TrackbarPos(kGamma), 0);
        EXPECT_EQ(c.ItemText(app::kPicturePathEditId), "/home/user/cat.png");
        EXPECT_EQ(c.ItemText(kGammaLabel), "&Gamma Control: 100%");
        EXPECT_EQ(c.Caption(), "Zorvane Configuration");
        EXPECT_FALSE(c.ListItems(kModeList).empty());
        c.Click(2);
    });
    EXPECT_EQ(fixture.registry.stores, 0);
    const auto after = fixture.registry.Values(app::kSettingsKeyPath);
    ASSERT_EQ(after.size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(after[i].name, values[i].name);
        EXPECT_EQ(after[i].data, values[i].data) << values[i].name;
    }
    EXPECT_EQ(dialogs.moves.size(), 1u) << "placed once, not again on restoring";
}

TEST_F(ConfigDialogTest, RestoreDefaultsThenOkStoresTheDefaultsAndKeepsThePicture) {
    Store("ShowFps", 1);
    StorePath("/home/user/cat.png");
    fixture.Run([](DialogController& c) {
        c.Click(kRestoreDefaults);
        c.Click(1);
    });
    auto expected = app::test::ShippedSettings();
    expected.PhotoPath = "/home/user/cat.png";
    EXPECT_EQ(fixture.Stored(), expected);
}

TEST_F(ConfigDialogTest, GammaTrackbarChangesOnlyGammaAndTheLabelKeepsItsText) {
    const auto before = fixture.Stored();
    const auto settings = fixture.Run([](DialogController& c) {
        c.MoveTrackbar(kGamma, -40);
        EXPECT_EQ(c.ItemText(kGammaLabel), "&Gamma Control: 100%");
        c.Click(2);
    });
    auto expected = before;
    expected.Gamma = -40;
    EXPECT_EQ(settings, expected);
}

TEST_F(ConfigDialogTest, PicturePathTypedBrowsedOrRestored) {
    struct Case {
        const char* what;
        std::string stored;
        std::optional<std::string> chosen;  // nothing: no browsing
        std::optional<std::string> typed;
        bool restore;
        std::string expected;
    };
    const std::string tooLong = "/" + std::string(app::kMaxPicturePathLength, 'p');
    const std::string longest = "/" + std::string(app::kMaxPicturePathLength - 1, 'p');
    const Case cases[] = {
        {"typed by hand", "", std::nullopt, "/tmp/typed photo.jpg", false, "/tmp/typed photo.jpg"},
        {"longest typed", "", std::nullopt, longest, false, longest},
        {"browsed", "/old.png", "/pictures/new.JPG", std::nullopt, false, "/pictures/new.JPG"},
        {"browsing cancelled", "/old.png", std::string(), std::nullopt, false, "/old.png"},
        {"browsed too long", "/old.png", tooLong, std::nullopt, false, "/old.png"},
        {"restored", "/old.png", std::nullopt, std::nullopt, true, ""},
        {"browsed then restored", "", "/new.png", std::nullopt, true, ""},
    };
    for (const Case& c : cases) {
        platform::fake::ScriptedDialogs caseDialogs;
        app::test::ConfigDialogFixture caseFixture(caseDialogs);
        if (!c.stored.empty()) {
            caseFixture.registry.Put(app::kSettingsKeyPath, "PhotoPath", platform::REG_SZ,
                                     std::vector<std::uint8_t>(c.stored.begin(), c.stored.end()));
        }
        if (c.chosen && !c.chosen->empty()) {
            caseFixture.files.answer = c.chosen;
        }
        caseFixture.Run([&](DialogController& d) {
            EXPECT_EQ(d.ItemText(app::kPicturePathEditId), c.stored) << c.what;
            if (c.chosen) {
                d.Click(app::kBrowsePictureId);
            }
            if (c.typed) {
                d.TypeText(app::kPicturePathEditId, *c.typed);
            }
            if (c.restore) {
                d.Click(app::kRestoreDefaultPictureId);
            }
            d.Click(1);
        });
        EXPECT_EQ(caseFixture.Stored().PhotoPath, c.expected) << c.what;
        EXPECT_EQ(caseFixture.files.requests.size(), c.chosen ? 1u : 0u) << c.what;
    }
}

TEST_F(ConfigDialogTest, BrowseAsksForAnExistingPictureAboveTheDialog) {
    fixture.Run([](DialogController& c) {
        c.Click(app::kBrowsePictureId);
        c.Click(2);
    });
    ASSERT_EQ(fixture.files.requests.size(), 1u);
    const auto& request = fixture.files.requests[0];
    EXPECT_EQ(request.owner, 0x5001u) << "above the settings dialog";
    EXPECT_TRUE(request.mustExist);
    const std::vector<platform::FileFilter> filters = {
        {"(*.jpg;*.tga;*.bmp;*.gif;*.png)", {"*.jpg", "*.tga", "*.bmp", "*.gif", "*.png"}}};
    EXPECT_EQ(request.filters, filters);
}

TEST_F(ConfigDialogTest, TypedPathBeyondTheEditsLimitIsCut) {
    fixture.Run([](DialogController& c) {
        c.TypeText(app::kPicturePathEditId, std::string(300, 'x'));
        EXPECT_EQ(c.ItemText(app::kPicturePathEditId).size(), app::kMaxPicturePathLength);
        c.Click(1);
    });
    EXPECT_EQ(fixture.Stored().PhotoPath, std::string(app::kMaxPicturePathLength, 'x'));
}

TEST_F(ConfigDialogTest, VisitOpensTheMakersSiteAndAboutOpensTheBoxBesideTheDialog) {
    fixture.Run(
        [this](DialogController& c) {
            c.Click(kVisit);
            dialogs.Drive([](DialogController& about) {
                EXPECT_EQ(about.Caption(), "About");
                EXPECT_EQ(about.ItemText(1), "OK");
                EXPECT_EQ(about.ItemText(app::kAboutFirstLineId), "Zorvane 3D Pendulum Clock");
                EXPECT_EQ(about.ItemText(app::kAboutFirstLineId + 1), "");
                about.Click(1);
            });
            c.Click(kAbout);
            EXPECT_TRUE(c.IsOpen()) << "the about box ends only itself";
            c.Click(2);
        },
        4321);
    EXPECT_EQ(fixture.urls.opened, std::vector<std::string>{"https://www.maravek-studio.example/"});
    ASSERT_EQ(dialogs.owners.size(), 2u);
    EXPECT_EQ(dialogs.owners[0], 4321u) << "the settings dialog above the given window";
    EXPECT_EQ(dialogs.owners[1], 0x5001u) << "the about box above the settings dialog";
    // The about box's record: placed 140, 150 from the dialog, which sits centred on the desktop.
    EXPECT_EQ(dialogs.moves,
              (std::vector<std::pair<int, int>>{{(1920 - 530) / 2 + 140, (1080 - 440) / 2 + 150}}));
}

TEST_F(ConfigDialogTest, WithoutGraphicsRuntimeAnErrorBoxClosesTheDialog) {
    fixture.noRuntime = true;
    bool scriptRan = false;
    fixture.Run([&scriptRan](DialogController&) { scriptRan = true; });
    EXPECT_FALSE(scriptRan);
    ASSERT_EQ(fixture.messageBoxes.shown.size(), 1u);
    EXPECT_EQ(fixture.messageBoxes.shown[0].text, "Cannot initialize D3D, please reinstall DX9");
    EXPECT_EQ(fixture.messageBoxes.shown[0].caption, "Error");
    EXPECT_EQ(fixture.messageBoxes.shown[0].type, platform::MB_OK);
    EXPECT_EQ(fixture.registry.stores, 0);
}

TEST_F(ConfigDialogTest, RuntimeIsReleasedAfterFillingTheList) {
    // The list is filled at the start and again by Restore Defaults: each runtime made for it
    // must be released by the dialog.
    std::vector<gfx::fake::FakeRuntime*> made;
    auto services = fixture.Services();
    services.runtime = [&]() -> gfx::Runtime* {
        made.push_back(new gfx::fake::FakeRuntime(fixture.script));
        made.back()->AddRef();  // the test's own, to look at it afterwards
        return made.back();
    };
    dialogs.Drive([](DialogController& c) {
        c.Click(kRestoreDefaults);
        c.Click(2);
    });
    {
        app::SaverApplication saver(std::move(services));
        saver.Create(0, app::RunMode::Configure, 0);
    }
    ASSERT_FALSE(made.empty());
    for (gfx::fake::FakeRuntime* runtime : made) {
        EXPECT_EQ(runtime->Release(), 0u) << "no reference of the dialog's is left";
    }
}

TEST(Mnemonics, EachLabelTakesAFreeLetterWordStartsFirst) {
    struct Case {
        std::vector<std::string> labels;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {{"OK", "Cancel"}, {"&OK", "&Cancel"}},
        {{"Enable Music", "Enable SFX"}, {"&Enable Music", "Enable &SFX"}},
        {{"Show FPS", "Show Time", "Show"}, {"&Show FPS", "Show &Time", "S&how"}},
        {{"ab", "ab", "ab"}, {"&ab", "a&b", "ab"}},
        {{"R&D", "R&D"}, {"&R&&D", "R&&&D"}},
        {{"24h format", "12h format"}, {"&24h format", "&12h format"}},
        {{"", "...", "\xD0\x90\xD0\x91"}, {"", "...", "\xD0\x90\xD0\x91"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(app::WithMnemonics(c.labels), c.expected) << c.labels[0];
    }
}

}  // namespace
