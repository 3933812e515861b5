// The text resources as they ship: every key present, the encoding and line ends the program
// expects.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/default_settings.h"
#include "app/text_table.h"
#include "core/cp1251.h"
#include "platform/dialog.h"
#include "platform/fake/recording_message_box.h"

namespace {

std::vector<std::uint8_t> ReadResource(const char* name) {
    std::ifstream in(std::string(ZORVANE_SOURCE_DIR) + "/resources/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void ExpectCrLfOnly(const std::vector<std::uint8_t>& bytes) {
    ASSERT_FALSE(bytes.empty());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare line feed at " << i;
        }
        if (bytes[i] == '\r') {
            ASSERT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "bare CR at " << i;
        }
    }
}

TEST(ShippedResources, DefaultsGiveTheShippedSettingsWithoutComplaint) {
    const auto bytes = ReadResource("def_settings.txt");
    ExpectCrLfOnly(bytes);
    platform::fake::RecordingMessageBox box;
    app::DefaultSettings defaults(box);
    defaults.Parse(bytes);
    app::SaverSettings settings;
    defaults.LoadDefaults(settings);
    EXPECT_TRUE(box.shown.empty());
    app::SaverSettings expected;
    expected.UseDesktop = true;
    expected.ShowTime = true;
    expected.Music = true;
    expected.Sound = true;
    expected.Volume = 50;
    expected.Width = 800;
    expected.Height = 600;
    expected.Depth = 32;
    EXPECT_EQ(settings, expected);
    EXPECT_TRUE(defaults.GetDefault("main_web_site_url").starts_with("https://"));
    EXPECT_TRUE(box.shown.empty());
}

TEST(ShippedResources, TextTableHasEveryKeyWithItsText) {
    const auto bytes = ReadResource("texts.txt");
    ExpectCrLfOnly(bytes);
    app::TextTable table;
    table.Parse(bytes);
    const std::pair<const char*, const char*> expected[] = {
        {"screensaver_name", "Zorvane"},
        {"screensaver_configuration", "Zorvane Configuration"},
        {"video_mode_selection", "Video Mode"},
        {"use_desktop_settings", "Use Desktop Settings"},
        {"sound_control", "Sound Control"},
        {"master_volume:", "Volume"},
        {"enable_music", "Enable Music"},
        {"enable_sfx", "Enable SFX"},
        {"graphics", "Graphics"},
        {"gamma_control:", "Gamma Control:"},
        {"put_your_picture_in_the_frame", "Put your picture in the frame"},
        {"browse", "Browse ..."},
        {"restore_default_picture", "Restore Default Picture"},
        {"path", "Path:"},
        {"products", "Products"},
        {"visit_our_official_web-site_for_more_great_3d_screensavers",
         "Visit our official web-site for more great 3D screensavers"},
        {"misc_options", "Misc Options"},
        {"show_fps", "Show FPS"},
        {"show_time", "Show Time"},
        {"24h_style", "24h format"},
        {"12h_style", "12h format"},
        {"exit_on_mouse_move", "Exit on Mouse Move"},
        {"visit...", "Visit..."},
        {"about", "About"},
        {"restore_defaults", "Restore Defaults"},
        {"ok", "OK"},
        {"cancel", "Cancel"},
    };
    for (const auto& [key, text] : expected) {
        EXPECT_EQ(table.GetText(key), text) << key;
    }
    const std::string about = table.GetText("about_window_text");
    EXPECT_EQ(std::count(about.begin(), about.end(), '%'), 6);
    const auto lines = app::SplitAboutText(about);
    EXPECT_EQ(lines[0], "Zorvane 3D Pendulum Clock");
    EXPECT_EQ(lines[1], "");
    for (std::size_t i = 2; i < lines.size(); ++i) {
        EXPECT_FALSE(lines[i].empty()) << i;
    }
}

TEST(ShippedResources, NoticeDialogKeepsItsLayout) {
    const auto bytes = ReadResource("dialog_129.dlg");
    const auto dialog = platform::ParseDialogTemplate(bytes);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->width, 248);
    EXPECT_EQ(dialog->height, 60);
    ASSERT_EQ(dialog->controls.size(), 3u);
    const auto& button = dialog->controls[0];
    EXPECT_EQ(button.id, 1);
    EXPECT_EQ(button.kind, platform::ControlKind::DefaultPushButton);
    EXPECT_EQ((std::array{button.x, button.y, button.width, button.height}),
              (std::array{17, 36, 86, 14}));
    EXPECT_NE(dialog->controls[1].text.find("OpenGL 3.3"), std::string::npos);
    EXPECT_EQ(dialog->controls[2].id, 2);
    EXPECT_EQ(dialog->controls[2].text, "Cancel");
}

}  // namespace
