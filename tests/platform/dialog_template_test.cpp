#include <gtest/gtest.h>

#include "platform/dialog.h"

namespace {

std::optional<platform::DialogTemplate> Parse(std::string_view text) {
    return platform::ParseDialogTemplate(
        {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

TEST(DialogTemplate, ReadsHeaderAndControls) {
    const auto dialog = Parse(
        "; comment\r\n"
        "\r\n"
        "DIALOG 233 102\r\n"
        "CAPTION \"About \"\"it\"\"\"\r\n"
        "FONT 8 \"Microsoft Sans Serif\"\r\n"
        "DEFPUSHBUTTON 1 169 70 50 14 \"OK\"\n"
        "GROUPBOX -1 6 0 221 94 \"\"\n"
        "CTEXT 1039 7 12 156 8 \"\xCF\xF0\xE8\xE2\xE5\xF2\"\n"
        "TRACKBAR 1020 75 55 119 13 \"\"\n"
        "BITMAP -1 169 11 49 46 \"141\"\n");
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->caption, "About \"it\"");
    EXPECT_EQ(dialog->width, 233);
    EXPECT_EQ(dialog->height, 102);
    EXPECT_EQ(dialog->fontPointSize, 8);
    EXPECT_EQ(dialog->fontName, "Microsoft Sans Serif");
    ASSERT_EQ(dialog->controls.size(), 5u);
    EXPECT_EQ(dialog->controls[0].kind, platform::ControlKind::DefaultPushButton);
    EXPECT_EQ(dialog->controls[1].id, -1);
    EXPECT_EQ(dialog->controls[1].kind, platform::ControlKind::GroupBox);
    EXPECT_EQ(dialog->controls[2].text, "Привет");  // Windows-1251 in, UTF-8 out
    EXPECT_EQ(dialog->controls[2].kind, platform::ControlKind::CenteredText);
    EXPECT_EQ(dialog->controls[3].x, 75);
    EXPECT_EQ(dialog->controls[3].y, 55);
    EXPECT_EQ(dialog->controls[3].width, 119);
    EXPECT_EQ(dialog->controls[3].height, 13);
    EXPECT_EQ(dialog->controls[4].text, "141");
}

TEST(DialogTemplate, MalformedTemplatesAreRefused) {
    const char* bad[] = {
        "",
        "CAPTION \"x\"",                               // no size
        "DIALOG 10",                                   // size incomplete
        "DIALOG 10 x",                                 // not a number
        "DIALOG 0 10",                                 // empty
        "DIALOG 10 99999",                             // absurd size
        "DIALOG 10 10\nCAPTION x",                     // caption not quoted
        "DIALOG 10 10\nCAPTION \"open",                // quote never closed
        "DIALOG 10 10\nFONT 0 \"x\"",                  // no such point size
        "DIALOG 10 10\nBUTTON 1 0 0 1 1 \"x\"",        // unknown kind
        "DIALOG 10 10\nPUSHBUTTON 1 0 0 1 \"x\"",      // field missing
        "DIALOG 10 10\nPUSHBUTTON 1 0 0 1 1 \"x\" 5",  // field too many
        "DIALOG 10 10\nPUSHBUTTON -2 0 0 1 1 \"x\"",   // id out of range
        "DIALOG 10 10\nPUSHBUTTON 1 -5 0 1 1 \"x\"",   // negative position
        "DIALOG 10 10\nPUSHBUTTON 1 0 0 1 1 x",        // text not quoted
        "DIALOG 10 10\nPUSHBUTTON 1 0 0 1 1x \"x\"",   // trailing garbage in a number
    };
    for (const char* text : bad) {
        EXPECT_FALSE(Parse(text)) << text;
    }
}

TEST(DialogTemplate, ControlCountIsBounded) {
    std::string text = "DIALOG 10 10\n";
    for (int i = 0; i < 300; ++i) {
        text += "LTEXT -1 0 0 1 1 \"x\"\n";
    }
    EXPECT_FALSE(Parse(text));
}

}  // namespace
