#include "app/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using app::RunMode;

struct LineCase {
    const char* line;
    RunMode mode;
    std::uint32_t handle;
};

class ParseCommandLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(ParseCommandLineTest, GivesModeAndHandle) {
    const LineCase& c = GetParam();
    std::uint32_t handle = 0xDEADBEEF;
    EXPECT_EQ(app::ParseCommandLine(c.line, handle), c.mode) << c.line;
    EXPECT_EQ(handle, c.handle) << c.line;
}

INSTANTIATE_TEST_SUITE_P(
    Switches, ParseCommandLineTest,
    testing::Values(
        // No switch at all: configuration without owner.
        LineCase{"", RunMode::Configure, 0}, LineCase{"saver.scr", RunMode::Configure, 0},
        LineCase{"saver.scr ", RunMode::Configure, 0},
        LineCase{"\"C:\\My Savers\\saver.scr\"", RunMode::Configure, 0},
        // Letters that are not A, C, P or T, and characters outside 'A'..'t'.
        LineCase{"saver.scr /s", RunMode::Saver, 0}, LineCase{"saver.scr /S", RunMode::Saver, 0},
        LineCase{"saver.scr -s", RunMode::Saver, 0}, LineCase{"saver.scr /x", RunMode::Saver, 0},
        LineCase{"saver.scr /1", RunMode::Saver, 0}, LineCase{"saver.scr /u", RunMode::Saver, 0},
        LineCase{"saver.scr /z", RunMode::Saver, 0}, LineCase{"saver.scr /@", RunMode::Saver, 0},
        LineCase{"saver.scr /", RunMode::Saver, 0},
        // Preview with the handle written every way.
        LineCase{"saver.scr /p 1234", RunMode::Preview, 1234},
        LineCase{"saver.scr /p:1234", RunMode::Preview, 1234},
        LineCase{"saver.scr /P1234", RunMode::Preview, 1234},
        LineCase{"saver.scr -p 5678", RunMode::Preview, 5678},
        LineCase{"saver.scr /p", RunMode::Preview, 0},
        LineCase{"saver.scr /p 12ab34", RunMode::Preview, 12},
        LineCase{"saver.scr /p 4294967295", RunMode::Preview, 4294967295u},
        LineCase{"saver.scr /p 4294967296", RunMode::Preview, 0},
        LineCase{"saver.scr /p 99999999999999999999999", RunMode::Preview, 0},
        // Window ids as X11 tools print them.
        LineCase{"saver.scr /p 0x400001", RunMode::Preview, 0x400001},
        LineCase{"saver.scr /p:0XaBc", RunMode::Preview, 0xABC},
        LineCase{"saver.scr /p 0x1fz9", RunMode::Preview, 0x1F},
        LineCase{"saver.scr /p 0xFFFFFFFF", RunMode::Preview, 0xFFFFFFFFu},
        LineCase{"saver.scr /p 0x100000000", RunMode::Preview, 0},
        LineCase{"saver.scr /p 0x", RunMode::Preview, 0},
        LineCase{"saver.scr /p 0xg1", RunMode::Preview, 0},
        LineCase{"saver.scr /p 00x12", RunMode::Preview, 0},
        LineCase{"saver.scr /c 0x2a00003", RunMode::Configure, 0x2a00003},
        // Configuration with and without owner.
        LineCase{"saver.scr /c:1234", RunMode::Configure, 1234},
        LineCase{"saver.scr /c", RunMode::Configure, 0},
        LineCase{"saver.scr /C 77", RunMode::Configure, 77},
        // Password change, and /t which reads no number.
        LineCase{"saver.scr /a 42", RunMode::Password, 42},
        LineCase{"saver.scr -A", RunMode::Password, 0},
        LineCase{"saver.scr /t", RunMode::SaverT, 0},
        LineCase{"saver.scr /T 99", RunMode::SaverT, 0},
        // The program name is skipped first: quoted (with blanks and switch characters inside),
        // or up to the first blank.
        LineCase{"\"C:\\a-b\\my saver.scr\" /p 9", RunMode::Preview, 9},
        LineCase{"\"/usr/bin/z -c\" /s", RunMode::Saver, 0},
        LineCase{"/usr/bin/zorvane /c", RunMode::Configure, 0},
        LineCase{"/usr/bin/zorvane -p 31", RunMode::Preview, 31},
        // A '-' in an argument starts the switch ("my-file": 'f').
        LineCase{"saver.scr my-file", RunMode::Saver, 0},
        LineCase{"saver.scr file /p 5", RunMode::Preview, 5},
        // A quoted name without its closing quote takes the whole line.
        LineCase{"\"C:\\saver.scr /s", RunMode::Configure, 0},
        LineCase{"\"saver.scr /p 1234", RunMode::Configure, 0}));

TEST(FullCommandLine, QuotesAProgramNameWithBlanksAndJoinsArguments) {
    const char* plain[] = {"/usr/bin/zorvane", "/p", "1234"};
    EXPECT_EQ(app::FullCommandLine(3, plain), "/usr/bin/zorvane /p 1234");

    const char* blank[] = {"/opt/my savers/zorvane", "-c:55"};
    EXPECT_EQ(app::FullCommandLine(2, blank), "\"/opt/my savers/zorvane\" -c:55");

    const char* alone[] = {"zorvane"};
    EXPECT_EQ(app::FullCommandLine(1, alone), "zorvane");
    EXPECT_EQ(app::FullCommandLine(0, nullptr), "");
}

TEST(FullCommandLine, ParsesBackToTheSwitchEvenWhenTheProgramPathHasDashes) {
    // Without the quotes the '-' of the folder would be taken as the switch.
    const char* argv[] = {"/home/u/my-saver dir/zorvane", "/p", "808"};
    std::uint32_t handle = 0;
    EXPECT_EQ(app::ParseCommandLine(app::FullCommandLine(3, argv), handle), RunMode::Preview);
    EXPECT_EQ(handle, 808u);
}

}  // namespace
