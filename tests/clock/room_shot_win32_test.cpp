// The same frame on both platforms: zorvane-shot built for Windows draws the shipped room through
// Wine's Direct3D 9, and the picture is compared with the Linux build's frame of the same
// arguments (tests/golden/room_dial_0300.png, drawn by the OpenGL device).
//
// Tolerance. Flat areas agree within a level or two. Edges do not: Direct3D 9 puts pixel centres
// on whole screen coordinates, and the OpenGL device shifts only pre-transformed vertices to
// match, so every transformed edge and every texture detail sits half a pixel apart between the
// two pictures (shifting the Linux frame by half a pixel right and down halves the difference).
// Measured under Wine 8 and Mesa llvmpipe: 76% of the pixels within 2 levels, 3.6% more than 16
// and 0.8% more than 64 levels apart, a mean of 3.5 levels. The bounds below leave room for
// another Mesa and nothing for a wrong picture (a missing texture, light or transform moves
// whole surfaces).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "render/textures/image/image_decoder.h"

#include "platform/win32/win32_api.h"

namespace {

namespace fs = std::filesystem;

// Our build paths are the build machine's; Wine reaches them on the current drive.
std::string OnCurrentDrive(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

bool ReadPicture(const fs::path& path, render::Image& image) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    render::ImageInfo info;
    return !bytes.empty() && render::DecodeImage(bytes, image, info);
}

// Runs the tool to its end; its exit code, or -1 when it could not start or did not end.
int RunShot(const std::string& tool, const std::string& arguments) {
    std::string command = "\"" + tool + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(tool.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return -1;
    }
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, 180000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

TEST(RoomShot, WindowsFrameMatchesTheLinuxFrameOfTheSameArguments) {
    const std::string tool =
        OnCurrentDrive(std::string(ZORVANE_BINARY_DIR) + "/tools/zorvane-shot/zorvane-shot.exe");
    if (!fs::exists(tool))
        GTEST_SKIP() << "zorvane-shot.exe is not built";
    const fs::path out = fs::temp_directory_path() / "zorvane_room_shot_win32.png";
    const std::string scene =
        OnCurrentDrive(std::string(ZORVANE_SOURCE_DIR) + "/media/Media/clock.UDF");
    const std::string arguments =
        "\"" + scene + "\" --out \"" + out.string() +
        "\" --size 640x360 --fov 1.2217 --near 0.1 --far 1000 --ambient FFFFFF"
        " --clock-time 03:00:00 --time 0.000000 --eye 100,-125,24 --dir 0,-1,0 --up 0,0,1";
    ASSERT_EQ(RunShot(tool, arguments), 0) << arguments;

    render::Image windows, opengl;
    ASSERT_TRUE(ReadPicture(out, windows));
    fs::remove(out);
    ASSERT_TRUE(ReadPicture(fs::path(ZORVANE_SOURCE_DIR) / "tests/golden/room_dial_0300.png",
                            opengl));
    ASSERT_EQ(windows.width, opengl.width);
    ASSERT_EQ(windows.height, opengl.height);

    std::size_t within2 = 0, beyond16 = 0, beyond64 = 0;
    double sum = 0;
    for (std::size_t i = 0; i < windows.pixels.size(); ++i) {
        int worst = 0;
        for (int shift : {16, 8, 0}) {
            const int a = static_cast<int>((windows.pixels[i] >> shift) & 0xFF);
            const int b = static_cast<int>((opengl.pixels[i] >> shift) & 0xFF);
            worst = std::max(worst, std::abs(a - b));
        }
        within2 += worst <= 2;
        beyond16 += worst > 16;
        beyond64 += worst > 64;
        sum += worst;
    }
    const double count = static_cast<double>(windows.pixels.size());
    EXPECT_GE(within2 / count, 0.70);
    EXPECT_LE(beyond16 / count, 0.05);
    EXPECT_LE(beyond64 / count, 0.015);
    EXPECT_LE(sum / count, 5.0);
}

}  // namespace
