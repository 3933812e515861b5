// The text resources as they ship: every key present, the encoding and line ends the program
// expects.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <utility>
#include <span>

#include "app/default_settings.h"
#include "app/text_table.h"
#include "core/cp1251.h"
#include "platform/bmp_image.h"
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

// Each platform's notice names what it needs, in the same layout.
TEST(ShippedResources, NoticeDialogKeepsItsLayout) {
    const std::pair<const char*, const char*> notices[] = {
        {"dialog_129.dlg", "OpenGL 3.3"}, {"windows/dialog_129.dlg", "DirectX 9 is required"}};
    for (const auto& [file, need] : notices) {
        const auto bytes = ReadResource(file);
        const auto dialog = platform::ParseDialogTemplate(bytes);
        ASSERT_TRUE(dialog) << file;
        EXPECT_EQ(dialog->width, 248);
        EXPECT_EQ(dialog->height, 60);
        ASSERT_EQ(dialog->controls.size(), 3u) << file;
        const auto& button = dialog->controls[0];
        EXPECT_EQ(button.id, 1);
        EXPECT_EQ(button.kind, platform::ControlKind::DefaultPushButton);
        EXPECT_EQ((std::array{button.x, button.y, button.width, button.height}),
                  (std::array{17, 36, 86, 14}));
        EXPECT_NE(dialog->controls[1].text.find(need), std::string::npos) << file;
        EXPECT_EQ(dialog->controls[2].id, 2);
        EXPECT_EQ(dialog->controls[2].text, "Cancel");
    }
}

struct ExpectedControl {
    int id;
    platform::ControlKind kind;
    std::array<int, 4> rect;
};

void ExpectControls(const platform::DialogTemplate& dialog,
                    std::span<const ExpectedControl> expected) {
    ASSERT_EQ(dialog.controls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& c = dialog.controls[i];
        EXPECT_EQ(c.id, expected[i].id) << i;
        EXPECT_EQ(c.kind, expected[i].kind) << c.id;
        EXPECT_EQ((std::array{c.x, c.y, c.width, c.height}), expected[i].rect) << c.id;
    }
}

TEST(ShippedResources, SettingsDialogHasEveryControlInTabOrder) {
    using K = platform::ControlKind;
    const auto dialog = platform::ParseDialogTemplate(ReadResource("dialog_132.dlg"));
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->width, 382);
    EXPECT_EQ(dialog->height, 263);
    const ExpectedControl expected[] = {
        {1013, K::GroupBox, {5, 4, 193, 42}},
        {1011, K::DropDownList, {11, 13, 178, 74}},
        {1012, K::CheckBox, {11, 30, 180, 10}},
        {1014, K::GroupBox, {5, 47, 193, 38}},
        {1023, K::StaticText, {11, 58, 62, 8}},
        {1020, K::Trackbar, {75, 55, 119, 13}},
        {1021, K::CheckBox, {11, 70, 92, 11}},
        {1022, K::CheckBox, {112, 71, 79, 11}},
        {1015, K::GroupBox, {5, 86, 193, 36}},
        {1106, K::StaticText, {11, 101, 70, 8}},
        {1046, K::Trackbar, {81, 100, 115, 12}},
        {1016, K::GroupBox, {6, 123, 193, 55}},
        {1008, K::PushButton, {12, 137, 58, 14}},
        {1017, K::StaticText, {73, 139, 19, 13}},
        {1009, K::Edit, {95, 138, 97, 12}},
        {1010, K::PushButton, {12, 156, 120, 14}},
        {-1, K::Bitmap, {203, 8, 172, 114}},
        {1025, K::GroupBox, {204, 123, 173, 55}},
        {1044, K::CheckBox, {215, 136, 76, 10}},
        {1119, K::CheckBox, {297, 136, 76, 10}},
        {1045, K::CheckBox, {215, 147, 96, 12}},
        {1112, K::RadioButton, {316, 149, 55, 8}},
        {1111, K::RadioButton, {316, 160, 55, 8}},
        {1018, K::GroupBox, {6, 179, 371, 26}},
        {1019, K::StaticText, {14, 190, 229, 8}},
        {1061, K::PushButton, {248, 187, 59, 13}},
        {1062, K::PushButton, {312, 187, 59, 13}},
        {1063, K::PushButton, {8, 242, 88, 13}},
        {1, K::DefaultPushButton, {248, 242, 59, 13}},
        {2, K::PushButton, {312, 242, 59, 13}},
    };
    ExpectControls(*dialog, expected);
    EXPECT_EQ(dialog->controls[16].text, "155");
}

TEST(ShippedResources, AboutBoxHasSevenCentredLines) {
    using K = platform::ControlKind;
    const auto dialog = platform::ParseDialogTemplate(ReadResource("dialog_103.dlg"));
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->width, 233);
    EXPECT_EQ(dialog->height, 102);
    std::vector<ExpectedControl> expected = {{1, K::DefaultPushButton, {169, 70, 50, 14}},
                                             {-1, K::GroupBox, {6, 0, 221, 94}},
                                             {-1, K::Bitmap, {169, 11, 49, 46}}};
    for (int line = 0; line < 7; ++line) {
        expected.push_back({1039 + line, K::CenteredText, {7, 12 + 11 * line, 156, 8}});
    }
    ExpectControls(*dialog, expected);
    EXPECT_EQ(dialog->controls[2].text, "141");
}

TEST(ShippedResources, DialogPicturesDecode) {
    const auto settings = platform::DecodeBmp(ReadResource("settings_picture.bmp"));
    ASSERT_TRUE(settings);
    EXPECT_EQ(std::pair(settings->width, settings->height), std::pair(300, 210));
    const auto about = platform::DecodeBmp(ReadResource("about_picture.bmp"));
    ASSERT_TRUE(about);
    EXPECT_EQ(std::pair(about->width, about->height), std::pair(86, 86));
}

}  // namespace
