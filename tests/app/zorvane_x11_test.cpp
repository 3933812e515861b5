// The built saver on a real display: run modes, the keys and buttons that end it and those that
// don't, the mouse-move exit, and the preview picture inside a window of ours.
#include <gtest/gtest.h>

#include "saver_x11_fixture.h"

namespace {

using namespace saverx11;

TEST_F(ZorvaneX11Test, PasswordAndPreviewWithoutAWindowFailTheStart) {
    // A preview for a window that does not exist is like one without a window.
    for (const char* args : {"/a 42", "/p", "/p 123"}) {
        std::vector<std::string> split;
        std::istringstream in(args);
        for (std::string word; in >> word;) {
            split.push_back(word);
        }
        auto saver = Start(split);
        EXPECT_EQ(saver->Wait(10000ms), kStartFailed) << args;
    }
    EXPECT_TRUE(fs::is_empty(config));
    EXPECT_TRUE(fs::is_empty(work));
}

TEST_F(ZorvaneX11Test, SaverCoversTheScreenAndLeavesNoFiles) {
    auto saver = StartSaver();
    const auto root = Tool({"xwininfo", "-root"});
    const auto window = Tool({"xwininfo", "-id", std::to_string(windowId)});
    ASSERT_TRUE(root && window);
    EXPECT_EQ(InfoValue(*window, "Width:"), InfoValue(*root, "Width:"));
    EXPECT_EQ(InfoValue(*window, "Height:"), InfoValue(*root, "Height:"));
    EXPECT_EQ(InfoValue(*window, "Absolute upper-left X:"), 0);
    EXPECT_EQ(InfoValue(*window, "Absolute upper-left Y:"), 0);
    EXPECT_TRUE(Xdotool({"key", "Escape"}));
    EXPECT_EQ(saver->Wait(10000ms), kRanAndEnded);
    EXPECT_TRUE(fs::is_empty(config)) << "only saving the configuration writes settings";
    EXPECT_TRUE(fs::is_empty(work));
    EXPECT_TRUE(fs::is_empty(cache)) << "nor does the graphics driver keep files";
}

TEST_F(ZorvaneX11Test, KeysAndButtonsThatDoNotEndTheSaver) {
    auto saver = StartSaver();
    const std::vector<std::vector<std::string>> harmless = {
        {"key", "F2"},      {"key", "F3"},  {"key", "F6"},    {"key", "alt"},
        {"key", "F10"},     {"click", "2"}, {"click", "4"},   {"click", "5"},
        {"keydown", "alt"}, {"key", "x"},   {"keyup", "alt"},
    };
    for (const auto& action : harmless) {
        ASSERT_TRUE(Xdotool(action));
        EXPECT_FALSE(saver->Wait(400ms)) << action[0] << " " << action[1] << " ended the saver";
    }
    EXPECT_TRUE(Xdotool({"key", "space"}));
    EXPECT_EQ(saver->Wait(10000ms), kRanAndEnded);
}

TEST_F(ZorvaneX11Test, KeysAndButtonsThatEndTheSaver) {
    const std::vector<std::vector<std::string>> ending = {
        {"key", "q"},      {"key", "Escape"}, {"key", "shift"},
        {"key", "Return"}, {"click", "1"},    {"click", "3"},
    };
    for (const auto& action : ending) {
        auto saver = StartSaver();
        ASSERT_TRUE(Xdotool(action));
        EXPECT_EQ(saver->Wait(10000ms), kRanAndEnded) << action[0] << " " << action[1];
    }
}

TEST_F(ZorvaneX11Test, MouseMovesEndTheSaverOnlyWhenAskedAndAfterTheFirstSecond) {
    {
        auto saver = StartSaver();
        ASSERT_TRUE(Xdotool({"mousemove", "300", "200"}));
        std::this_thread::sleep_for(1500ms);
        ASSERT_TRUE(Xdotool({"mousemove", "400", "300"}));
        EXPECT_FALSE(saver->Wait(1000ms)) << "ExitOnMM is off by default";
        Xdotool({"key", "Escape"});
        EXPECT_EQ(saver->Wait(10000ms), kRanAndEnded);
    }
    StoreSetting("ExitOnMM", 1);
    auto saver = StartSaver();
    ASSERT_TRUE(Xdotool({"mousemove", "300", "200"}));
    EXPECT_FALSE(saver->Wait(300ms)) << "a move in the first second";
    // The first second counts from the end of loading, which on a busy machine goes on for a
    // while after the window shows, so the pointer keeps moving until the saver ends.
    std::this_thread::sleep_for(1200ms);
    std::optional<int> exitCode;
    const auto end = std::chrono::steady_clock::now() + 15s;
    for (int i = 0; !exitCode && std::chrono::steady_clock::now() < end; ++i) {
        ASSERT_TRUE(Xdotool({"mousemove", i % 2 ? "300" : "400", i % 2 ? "200" : "300"}));
        exitCode = saver->Wait(500ms);
    }
    EXPECT_EQ(exitCode, kRanAndEnded);
}

TEST_F(ZorvaneX11Test, PreviewShowsThePictureInsideTheGivenWindow) {
    std::ifstream file(ZORVANE_SOURCE_DIR "/resources/preview.bmp", std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                          std::istreambuf_iterator<char>());
    const auto picture = platform::DecodeBmp(bytes);
    ASSERT_TRUE(picture);

    struct Case {
        int width;
        int height;
    };
    // Larger than the picture (the rest stays black) and smaller (the picture is cut off).
    for (const Case c : {Case{240, 180}, Case{100, 70}}) {
        auto parent = MakeWindow(c.width, c.height);
        ASSERT_NE(parent, nullptr);
        EXPECT_EQ(parent->ClientRect(), (platform::Rect{0, 0, c.width, c.height}));

        // Pixels that differ from the picture at the top left and black elsewhere.
        const auto wrong = [&](const std::vector<std::uint32_t>& pixels) {
            if (pixels.size() != std::size_t(c.width) * c.height) {
                return -1;
            }
            int count = 0;
            for (int y = 0; y < c.height; ++y) {
                for (int x = 0; x < c.width; ++x) {
                    const bool inside = x < picture->width && y < picture->height;
                    const std::uint32_t expected = inside ? picture->At(x, y) : 0;
                    count += pixels[std::size_t(y) * c.width + x] != expected;
                }
            }
            return count;
        };

        auto preview = Start({"/p", std::to_string(parent->Handle())});
        const auto pixels = GrabWhen(parent->Handle(), *preview,
                                     [&](const auto& grabbed) { return wrong(grabbed) == 0; });
        EXPECT_FALSE(preview->Wait(0ms)) << "the preview runs until its window goes";
        ASSERT_EQ(pixels.size(), std::size_t(c.width) * c.height);
        EXPECT_EQ(wrong(pixels), 0) << c.width << " x " << c.height;

        // The preview ends when the window it lives in goes away.
        parent.reset();
        EXPECT_EQ(preview->Wait(10000ms), kRanAndEnded);
    }
}

TEST_F(ZorvaneX11Test, DrawsIntoTheWindowOfAScreenSaverDaemon) {
    auto daemon = MakeWindow(320, 240);
    ASSERT_NE(daemon, nullptr);
    // Asked over our own connection, so the window is surely mapped before it takes the focus.
    ASSERT_EQ(daemon->ClientRect(), (platform::Rect{0, 0, 320, 240}));
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", static_cast<unsigned long>(daemon->Handle()));
    // A daemon keeps the keyboard on its window; a saver run before may have left it nowhere.
    ASSERT_TRUE(Xdotool({"windowfocus", "--sync", id}));
    auto saver = Start({"/s"}, id);

    const auto drawn = [](const std::vector<std::uint32_t>& pixels) {
        return std::count_if(pixels.begin(), pixels.end(), [](std::uint32_t p) { return p != 0; }) >
               320 * 240 / 100;
    };
    const auto pixels = GrabWhen(daemon->Handle(), *saver, drawn);
    ASSERT_FALSE(saver->Wait(0ms));
    ASSERT_EQ(pixels.size(), 320u * 240u);
    EXPECT_TRUE(drawn(pixels)) << "nothing was drawn into the daemon's window";
    const auto found = Tool({"xdotool", "search", "--onlyvisible", "--name", "^Zorvane$"});
    EXPECT_TRUE(!found || found->empty()) << "no window of its own";

    ASSERT_TRUE(Xdotool({"mousemove", "100", "100"}));
    ASSERT_TRUE(Xdotool({"key", "F3"}));
    EXPECT_FALSE(saver->Wait(400ms));
    ASSERT_TRUE(Xdotool({"key", "q"}));
    EXPECT_EQ(saver->Wait(10000ms), kRanAndEnded);
    const auto info = Tool({"xwininfo", "-id", std::to_string(daemon->Handle())});
    ASSERT_TRUE(info);
    EXPECT_NE(info->find("IsViewable"), std::string::npos) << "the daemon's window stays up";
}

TEST_F(ZorvaneX11Test, RequestsToEndEndEveryModeThroughItsShutdown) {
    struct Case {
        bool preview;
        int signal;
    };
    for (const Case c : {Case{true, SIGTERM}, Case{true, SIGINT}, Case{false, SIGTERM}}) {
        const char* what = c.signal == SIGTERM ? "SIGTERM" : "SIGINT";
        std::unique_ptr<platform::Window> parent;
        std::unique_ptr<Process> saver;
        if (c.preview) {
            parent = MakeWindow(120, 90);
            ASSERT_NE(parent, nullptr);
            // The window id as X11 tools print it.
            char id[32];
            std::snprintf(id, sizeof id, "0x%lx", static_cast<unsigned long>(parent->Handle()));
            saver = Start({"/p", id});
            // Running once its picture shows.
            const auto pixels = GrabWhen(parent->Handle(), *saver, [](const auto& grabbed) {
                return std::count(grabbed.begin(), grabbed.end(), 0u) < 120 * 90;
            });
            ASSERT_FALSE(saver->Wait(0ms)) << what;
            ASSERT_LT(std::count(pixels.begin(), pixels.end(), 0u), 120 * 90) << "no picture";
        } else {
            saver = StartSaver();
            ASSERT_FALSE(saver->Wait(500ms));
        }
        saver->Signal(c.signal);
        // A signal during loading ends the run once the room has loaded, which takes seconds
        // in a sanitizer build.
        EXPECT_EQ(saver->Wait(c.preview ? 1000ms : 10000ms), kRanAndEnded)
            << (c.preview ? "preview, " : "full screen, ") << what;
    }
}

TEST_F(ZorvaneX11Test, ClickWithAFastMoveInOneGoEndsTheSaver) {
    auto saver = StartSaver();
    ASSERT_FALSE(saver->Wait(500ms));
    // A press, forty diagonal one-pixel moves and the release, as fast as the tool sends them.
    std::vector<std::string> burst{"mousemove", "300", "300", "mousedown", "1"};
    for (int i = 0; i < 40; ++i) {
        burst.insert(burst.end(), {"mousemove_relative", "1", "1"});
    }
    burst.insert(burst.end(), {"mouseup", "1"});
    ASSERT_TRUE(Xdotool(burst));
    EXPECT_EQ(saver->Wait(10000ms), kRanAndEnded);
}

TEST_F(ZorvaneX11Test, ConfigurationDialogChangesSettingsFromTheKeyboard) {
    const fs::path reg = config / "Maravek Studio" / "Zorvane.reg";
    // The dialog on screen, then keyed in: Escape leaves the settings alone; Tab twice moves
    // from OK past Cancel round to "Use Desktop Settings", space clears it, Alt+F checks
    // "Show FPS" and Return presses OK.
    struct Case {
        std::vector<std::string> keys;
        bool saved;
    };
    for (const Case& c :
         {Case{{"Escape"}, false}, Case{{"Tab", "Tab", "space", "alt+f", "Return"}, true}}) {
        auto dialog = Start({"/c"});
        std::optional<std::string> found;
        const auto end = std::chrono::steady_clock::now() + 15s;
        while ((!found || found->empty()) && std::chrono::steady_clock::now() < end &&
               !dialog->Wait(0ms)) {
            std::this_thread::sleep_for(100ms);
            found =
                Tool({"xdotool", "search", "--onlyvisible", "--name", "^Zorvane Configuration$"});
        }
        ASSERT_TRUE(found && !found->empty()) << "no dialog appeared";
        const std::string id = std::to_string(std::strtoul(found->c_str(), nullptr, 10));
        ASSERT_TRUE(Xdotool({"windowfocus", "--sync", id}));
        for (const std::string& key : c.keys) {
            ASSERT_TRUE(Xdotool({"key", key})) << key;
            std::this_thread::sleep_for(100ms);
        }
        EXPECT_EQ(dialog->Wait(10000ms), kRanAndEnded);
        EXPECT_EQ(fs::exists(reg), c.saved);
    }
    std::ifstream in(reg);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\"UseDesktop\"=dword:00000000"), std::string::npos) << text;
    EXPECT_NE(text.find("\"ShowFps\"=dword:00000001"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Music\"=dword:00000001"), std::string::npos) << "the rest as it was";
}

TEST_F(ZorvaneX11Test, HelpAndVersionNeedNoDisplay) {
    for (const char* arg : {"--help", "-h", "--version"}) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        Process run({kSaver, arg}, {"DISPLAY", "XDG_CONFIG_HOME=" + config.string()}, work.string(),
                    fds);
        close(fds[1]);
        std::string output;
        char buffer[4096];
        for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) {
            output.append(buffer, std::size_t(n));
        }
        close(fds[0]);
        EXPECT_EQ(run.Wait(5000ms), 0) << arg;
        const std::string expected = std::string(arg) == "--version"
                                         ? std::string("zorvane ") + ZORVANE_VERSION + "\n"
                                         : "Usage: zorvane";
        EXPECT_EQ(output.rfind(expected, 0), 0u) << arg << ": " << output;
    }
    EXPECT_TRUE(fs::is_empty(config));
}

// What a program run to its end printed on standard error, and its exit status.
struct Finished {
    std::optional<int> code;
    std::string errors;
};

Finished RunToEnd(const std::vector<std::string>& args, const std::vector<std::string>& env,
                  const std::string& work) {
    int fds[2];
    if (pipe(fds) != 0) {
        return {};
    }
    Process run(args, env, work, nullptr, fds);
    close(fds[1]);
    Finished finished;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) {
        finished.errors.append(buffer, std::size_t(n));
    }
    close(fds[0]);
    finished.code = run.Wait(10000ms);
    return finished;
}

TEST_F(ZorvaneX11Test, AFailedStartSaysWhyOnOneLineAndAnUnknownOptionGetsTheUsage) {
    const std::string home = "XDG_CONFIG_HOME=" + config.string();
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> env;
        std::string said;
    };
    const Case cases[] = {
        {{kSaver, "/s"}, {"DISPLAY", home}, "zorvane: no X display: DISPLAY is not set\n"},
        {{kSaver, "/s"}, {"DISPLAY=:97", home}, "zorvane: cannot open the X display \":97\"\n"},
        {{kSaver, "--window-id", "0x7ffff01"},
         {home},
         "zorvane: there is no X window 0x7ffff01 on the display\n"},
        {{kSaver, "-root"},
         {"XSCREENSAVER_WINDOW=0x7ffff02", home},
         "zorvane: there is no X window 0x7ffff02 on the display\n"},
        {{kSaver, "/p", "0x7ffff03"}, {home}, "zorvane: there is no X window 0x7ffff03 on the display\n"},
        {{kSaver, "/a"}, {home}, "zorvane: changing the password is not supported\n"},
    };
    for (const Case& c : cases) {
        const Finished run = RunToEnd(c.args, c.env, work.string());
        EXPECT_EQ(run.code, kStartFailed) << c.args[1];
        // One line, and nothing from the libraries underneath.
        EXPECT_EQ(run.errors, c.said) << c.args[1];
    }
    const Finished usage = RunToEnd({kSaver, "--full-screen"}, {home}, work.string());
    EXPECT_EQ(usage.code, 2);
    EXPECT_TRUE(usage.errors.starts_with("zorvane: unknown option --full-screen\n\nUsage:"))
        << usage.errors;
    EXPECT_TRUE(fs::is_empty(config));
    EXPECT_TRUE(fs::is_empty(work));
}

TEST_F(ZorvaneX11Test, RunsAMinuteWithBothOverlaysAndFlashes) {
    StoreSettings({{"ShowFps", 1}, {"ShowTime", 1}});
    auto saver = StartSaver();
    const auto rootInfo = Tool({"xwininfo", "-root"});
    ASSERT_TRUE(rootInfo);
    const int width = int(InfoValue(*rootInfo, "Width:").value_or(0));
    const int height = int(InfoValue(*rootInfo, "Height:").value_or(0));
    ASSERT_GT(width, 400);
    ASSERT_GT(height, 300);

    // Brightness and the overlay corners of each grab; a flash brightens the whole picture for
    // a few tenths of a second, and the first comes a second after loading.
    struct Sample {
        double brightness;
        int topLeft;
        int bottomRight;
    };
    std::vector<Sample> samples;
    const auto end = std::chrono::steady_clock::now() + 60s;
    while (std::chrono::steady_clock::now() < end && !saver->Wait(0ms)) {
        const auto pixels = Grab(windowId);
        if (pixels.size() == std::size_t(width) * height) {
            samples.push_back(
                {MeanBrightness(pixels), WhitePixels(pixels, width, 0, 0, 200, 60),
                 WhitePixels(pixels, width, width - 300, height - 60, width, height)});
        }
    }
    ASSERT_FALSE(saver->Wait(0ms)) << "the saver ended by itself";
    EXPECT_TRUE(Xdotool({"key", "Escape"}));
    EXPECT_EQ(saver->Wait(10000ms), kRanAndEnded);

    // The text shows once loading is over and stays; the grabs of the first seconds show the
    // loading picture, which is no flash either.
    const auto hasText = [](const Sample& sample) {
        return sample.topLeft >= 100 && sample.bottomRight >= 300;
    };
    const auto loaded = std::find_if(samples.begin(), samples.end(), hasText);
    ASSERT_NE(loaded, samples.end()) << "the overlays never showed";
    const std::vector<Sample> running(loaded, samples.end());
    ASSERT_GE(running.size(), 20u);
    EXPECT_EQ(std::count_if(running.begin(), running.end(), hasText),
              std::ptrdiff_t(running.size()))
        << "the overlays went away";
    std::vector<double> levels;
    for (const Sample& sample : running) {
        levels.push_back(sample.brightness);
    }
    std::sort(levels.begin(), levels.end());
    const double median = levels[levels.size() / 2];
    EXPECT_GT(levels.back(), 2.0 * median + 20.0)
        << "no flash: median " << median << ", brightest " << levels.back();
}

}  // namespace
