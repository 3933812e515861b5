// The built saver on a real display: run modes, the keys and buttons that end it and those that
// don't, the mouse-move exit, and the preview picture inside a window of ours.
#include <gtest/gtest.h>

#include <cmath>

#include "private_screen.h"
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

// The picture's mean colour over the part of it that the window's cell (cx, cy) of a grid of n × n
// over `fitted` shows, next to the window's own mean there: the picture as scaled into the window.
struct CellColours {
    double picture[3] = {};
    double window[3] = {};
};

CellColours CompareCell(const platform::BmpImage& picture, const std::vector<std::uint32_t>& pixels,
                        int windowWidth, const platform::Rect& fitted, int cx, int cy, int n) {
    CellColours c;
    const auto add = [](double* sum, std::uint32_t rgb, double weight) {
        sum[0] += ((rgb >> 16) & 0xFF) * weight;
        sum[1] += ((rgb >> 8) & 0xFF) * weight;
        sum[2] += (rgb & 0xFF) * weight;
    };
    // Cells are taken a little inside their borders, where filtering mixes neighbours.
    const auto range = [n](int cell, int size) {
        const double from = size * (cell + 0.15) / n;
        const double to = size * (cell + 0.85) / n;
        return std::pair{int(from), std::max(int(from) + 1, int(to))};
    };
    const auto [px0, px1] = range(cx, picture.width);
    const auto [py0, py1] = range(cy, picture.height);
    const double pictureCount = double(px1 - px0) * (py1 - py0);
    for (int y = py0; y < py1; ++y) {
        for (int x = px0; x < px1; ++x) {
            add(c.picture, picture.At(x, y), 1.0 / pictureCount);
        }
    }
    const auto [wx0, wx1] = range(cx, fitted.Width());
    const auto [wy0, wy1] = range(cy, fitted.Height());
    const double windowCount = double(wx1 - wx0) * (wy1 - wy0);
    for (int y = wy0; y < wy1; ++y) {
        for (int x = wx0; x < wx1; ++x) {
            add(c.window,
                pixels[std::size_t(fitted.top + y) * windowWidth + std::size_t(fitted.left + x)],
                1.0 / windowCount);
        }
    }
    return c;
}

TEST_F(ZorvaneX11Test, PreviewShowsThePictureScaledIntoTheGivenWindowKeepingItsShape) {
    std::ifstream file(ZORVANE_SOURCE_DIR "/resources/preview.bmp", std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                          std::istreambuf_iterator<char>());
    const auto picture = platform::DecodeBmp(bytes);
    ASSERT_TRUE(picture);

    struct Case {
        int width;
        int height;
        platform::Rect fitted;  // where the picture must land
    };
    const double shape = double(picture->width) / picture->height;
    const auto centred = [&](int width, int height) {
        // Wider than the picture: bars left and right; taller: above and below.
        if (width > shape * height) {
            const int w = int(std::lround(shape * height));
            return platform::Rect{(width - w) / 2, 0, (width - w) / 2 + w, height};
        }
        const int h = int(std::lround(width / shape));
        return platform::Rect{0, (height - h) / 2, width, (height - h) / 2 + h};
    };
    // Larger than the picture, smaller, much wider and much taller.
    for (const Case c : {Case{400, 300, centred(400, 300)}, Case{100, 70, centred(100, 70)},
                         Case{480, 120, centred(480, 120)}, Case{150, 330, centred(150, 330)}}) {
        auto parent = MakeWindow(c.width, c.height);
        ASSERT_NE(parent, nullptr);
        EXPECT_EQ(parent->ClientRect(), (platform::Rect{0, 0, c.width, c.height}));

        // Black outside the picture's place (one pixel of rounding allowed at its edges), and
        // the picture's colours cell by cell inside it.
        const auto faults = [&](const std::vector<std::uint32_t>& pixels) {
            if (pixels.size() != std::size_t(c.width) * c.height) {
                return std::string("no picture of the window's size");
            }
            for (int y = 0; y < c.height; ++y) {
                for (int x = 0; x < c.width; ++x) {
                    const bool outside = x < c.fitted.left - 1 || x > c.fitted.right ||
                                         y < c.fitted.top - 1 || y > c.fitted.bottom;
                    if (outside && pixels[std::size_t(y) * c.width + x] != 0) {
                        return "not black at " + std::to_string(x) + ", " + std::to_string(y);
                    }
                }
            }
            constexpr int kGrid = 6;
            for (int cy = 0; cy < kGrid; ++cy) {
                for (int cx = 0; cx < kGrid; ++cx) {
                    const CellColours cell =
                        CompareCell(*picture, pixels, c.width, c.fitted, cx, cy, kGrid);
                    for (int k = 0; k < 3; ++k) {
                        if (std::abs(cell.picture[k] - cell.window[k]) > 14.0) {
                            return "cell " + std::to_string(cx) + ", " + std::to_string(cy) +
                                   " differs: " + std::to_string(cell.picture[k]) + " against " +
                                   std::to_string(cell.window[k]);
                        }
                    }
                }
            }
            return std::string();
        };

        auto preview = Start({"/p", std::to_string(parent->Handle())});
        const auto pixels = GrabWhen(parent->Handle(), *preview,
                                     [&](const auto& grabbed) { return faults(grabbed).empty(); });
        EXPECT_FALSE(preview->Wait(0ms)) << "the preview runs until its window goes";
        EXPECT_EQ(faults(pixels), "") << c.width << " x " << c.height;

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

// The box around the overlay's white text in the corner its window takes (at most 350 x 74 pixels
// on a picture 1024 wide, scaled with the picture's width): near-white and grey (the lamp's cream
// and the storm's blue are not), at least a few words' worth, and no taller than that window (a
// lightning flash or the lit window frame behind the corner whitens more than the text, and is
// waited out).
std::optional<platform::Rect> WhiteTextBox(const std::vector<std::uint32_t>& pixels, int width,
                                           int height) {
    if (pixels.size() != std::size_t(width) * height) {
        return std::nullopt;
    }
    const double scale = width / 1024.0;
    const int cornerWidth = int(350 * scale * 1.25);
    const int cornerHeight = int(74 * scale * 1.25);
    platform::Rect box{width, height, 0, 0};
    int count = 0;
    for (int y = std::max(0, height - cornerHeight); y < height; ++y) {
        for (int x = std::max(0, width - cornerWidth); x < width; ++x) {
            const std::uint32_t rgb = pixels[std::size_t(y) * width + x];
            const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
            if (std::min({r, g, b}) >= 225 && std::max({r, g, b}) - std::min({r, g, b}) <= 24) {
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                       std::max(box.bottom, y + 1)};
                ++count;
            }
        }
    }
    if (count < 40 || box.Height() > int(74 * scale) + 1 || box.Width() > int(350 * scale) + 1) {
        return std::nullopt;
    }
    return box;
}

TEST_F(ZorvaneX11Test, ADaemonsWindowGetsAPictureOfItsOwnShapeWithTheTimeInItsCorner) {
    StoreSettings({{"ShowTime", 1}});
    // The time's text keeps its own shape in every window, before and after a resize: a picture
    // stretched to the window would squeeze it in one and widen it in another. Its glyphs are as
    // tall as the overlay's scale, which the window's width at the start sets; its width changes
    // from second to second with the digits shown (a "1" is narrower than a "0"), so the shape of
    // the whole box is held only loosely, where a stretch changes it 1.6 times or more.
    std::vector<double> shapes;
    std::vector<double> heights;
    // The text's box over 2.5 s of grabs, the lowest seen: a lightning flash (or a chain of them)
    // whitens the room behind the corner for up to a second or two, and a box grabbed then takes
    // in what it lit.
    const auto expectInCorner = [&](platform::WindowHandle window, Process& saver, int width,
                                    int height, int startWidth) {
        std::optional<platform::Rect> box;
        std::optional<std::chrono::steady_clock::time_point> first;
        GrabWhen(
            window, saver,
            [&](const std::vector<std::uint32_t>& pixels) {
                const auto grabbed = WhiteTextBox(pixels, width, height);
                if (grabbed && (!box || grabbed->Height() < box->Height())) {
                    box = grabbed;
                }
                if (box && !first) {
                    first = std::chrono::steady_clock::now();
                }
                return first && std::chrono::steady_clock::now() - *first > 2500ms;
            },
            45s);
        if (!box) {
            ADD_FAILURE() << "no time text in the lower right of " << width << " x " << height;
            return;
        }
        EXPECT_GT(box->right, width * 0.85) << width << " x " << height;
        EXPECT_GT(box->bottom, height * 0.85) << width << " x " << height;
        shapes.push_back(double(box->Width()) / box->Height());
        heights.push_back(box->Height() / (startWidth / 1024.0));
        std::cout << "[ measured ] text in " << width << " x " << height << ": " << box->Width()
                  << " x " << box->Height() << "\n";
    };
    struct Case {
        int width, height;
        int resizedWidth, resizedHeight;
    };
    for (const Case c : {Case{500, 500, 800, 300}, Case{640, 400, 0, 0}}) {
        auto window = MakeWindow(c.width, c.height);
        ASSERT_NE(window, nullptr);
        char id[32];
        std::snprintf(id, sizeof id, "0x%lx", static_cast<unsigned long>(window->Handle()));
        // As xscreensaver 6 starts its hacks.
        auto saver = Start({"--root"}, id);
        expectInCorner(window->Handle(), *saver, c.width, c.height, c.width);
        if (c.resizedWidth) {
            ASSERT_TRUE(Xdotool({"windowsize", id, std::to_string(c.resizedWidth),
                                 std::to_string(c.resizedHeight)}));
            // The first grabs after the resize may still show the old picture in the new window.
            std::this_thread::sleep_for(1500ms);
            expectInCorner(window->Handle(), *saver, c.resizedWidth, c.resizedHeight, c.width);
        }
        ASSERT_FALSE(saver->Wait(0ms)) << "the saver ended by itself";
        // The daemon ends its hack with SIGTERM: a normal end, without delay.
        const auto asked = std::chrono::steady_clock::now();
        saver->Signal(SIGTERM);
        EXPECT_EQ(saver->Wait(10000ms), kRanAndEnded);
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - asked);
        std::cout << "[ measured ] " << c.width << " x " << c.height << ": ended " << took.count()
                  << " ms after SIGTERM\n";
        EXPECT_LT(took, 1500ms) << "a busy machine's margin over the 500 ms a daemon allows";
    }
    ASSERT_EQ(shapes.size(), 3u);
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        EXPECT_NEAR(heights[i], heights.front(), heights.front() * 0.12) << i;
        EXPECT_NEAR(shapes[i], shapes.front(), shapes.front() * 0.3) << i;
    }
}

TEST_F(ZorvaneX11Test, AFixedSizeTheDisplayCannotSwitchToIsFittedIntoTheWholeScreen) {
    // 800 x 600 on a screen that offers only its own size (Xvfb's).
    StoreSettings({{"UseDesktop", 0}, {"Width", 800}, {"Height", 600}, {"ShowTime", 1}});
    auto saver = StartSaver();
    const auto root = Tool({"xwininfo", "-root"});
    const auto window = Tool({"xwininfo", "-id", std::to_string(windowId)});
    ASSERT_TRUE(root && window);
    const int width = int(InfoValue(*root, "Width:").value_or(0));
    const int height = int(InfoValue(*root, "Height:").value_or(0));
    EXPECT_EQ(InfoValue(*window, "Width:"), width);
    EXPECT_EQ(InfoValue(*window, "Height:"), height);
    // The 4:3 picture at the screen's full width or height, centred, black around it.
    const platform::Rect fitted =
        width * 3 > height * 4
            ? platform::Rect{(width - height * 4 / 3) / 2, 0, (width + height * 4 / 3) / 2, height}
            : platform::Rect{0, (height - width * 3 / 4) / 2, width, (height + width * 3 / 4) / 2};
    ASSERT_GT(fitted.Width() * fitted.Height(), 0);
    const auto pixels = GrabWhen(windowId, *saver, [&](const auto& grabbed) {
        return WhiteTextBox(grabbed, width, height).has_value();
    });
    ASSERT_EQ(pixels.size(), std::size_t(width) * height);
    int lit = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool inside = x >= fitted.left - 1 && x <= fitted.right && y >= fitted.top - 1 &&
                                y <= fitted.bottom;
            const std::uint32_t rgb = pixels[std::size_t(y) * width + x];
            if (!inside) {
                ASSERT_EQ(rgb, 0u) << "at " << x << ", " << y;
            }
            lit += inside && rgb != 0;
        }
    }
    EXPECT_GT(lit, fitted.Width() * fitted.Height() / 2) << "the room fills the picture";
    // The overlay sits in the picture's corner, not in the corner of a smaller picture.
    const auto box = WhiteTextBox(pixels, width, height);
    ASSERT_TRUE(box);
    EXPECT_GT(box->right, fitted.left + fitted.Width() * 0.85);
    EXPECT_GT(box->bottom, fitted.top + fitted.Height() * 0.85);
    EXPECT_TRUE(Xdotool({"key", "Escape"}));
    EXPECT_EQ(saver->Wait(10000ms), kRanAndEnded);
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
        {{kSaver, "/p", "0x7ffff03"},
         {home},
         "zorvane: there is no X window 0x7ffff03 on the display\n"},
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

TEST_F(ZorvaneX11Test, ARunOutsideALoginSessionWritesNothingAndSaysNothing) {
    // No runtime folder, no chosen sound driver, and whatever sound devices this machine has
    // (in CI: none).
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    Process saver({kSaver, "/s"},
                  {"XDG_CONFIG_HOME=" + config.string(), "XDG_CACHE_HOME=" + cache.string(),
                   "HOME=" + home.string(), "TMPDIR=" + tmp.string(), "LIBGL_ALWAYS_SOFTWARE=1",
                   "XDG_RUNTIME_DIR", "ALSOFT_DRIVERS", "ALSOFT_LOGLEVEL", "PULSE_SERVER",
                   "XSCREENSAVER_WINDOW"},
                  work.string(), nullptr, fds);
    close(fds[1]);
    ASSERT_TRUE(FindSaverWindow(saver)) << "no saver window appeared";
    std::this_thread::sleep_for(3s);
    EXPECT_TRUE(Xdotool({"key", "Escape"}));
    std::string errors;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) {
        errors.append(buffer, std::size_t(n));
    }
    close(fds[0]);
    EXPECT_EQ(saver.Wait(10000ms), kRanAndEnded);
    EXPECT_EQ(errors, "");
    // On a machine with PulseAudio, its client library keeps its cookie in the configuration
    // folder and, without a runtime folder, its runtime files in the temporary one, whoever
    // opens a sound device: the sound system's, not the saver's.
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(home)) {
        const std::string name = fs::relative(entry.path(), home).string();
        if (name.rfind("config/pulse", 0) != 0 && name.rfind("tmp/pulse-", 0) != 0) {
            left.push_back(name);
        }
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"cache", "config", "tmp", "work"}));
}

TEST_F(ZorvaneX11Test, TheSettingsDialogOpensWhollyOnScreenAtEveryScale) {
    // A 2560 x 1600 screen at GTK's scale 2 is 1280 x 800 of GTK's pixels: the dialog fits, but
    // the place worked out in screen pixels for its unscaled size would put most of it outside.
    faults::PrivateScreen large(2560, 1600);
    ASSERT_TRUE(large.Started()) << "no Xvfb";
    for (const char* scale : {"1", "2"}) {
        const std::string display = "DISPLAY=" + large.Display();
        auto dialog = Start({"/c"}, {}, {std::string("GDK_SCALE=") + scale, display});
        const auto onScreen = [&](const std::vector<std::string>& args) {
            std::vector<std::string> all{"env", display};
            all.insert(all.end(), args.begin(), args.end());
            return Tool(all);
        };
        std::optional<std::string> info;
        std::string id;
        const auto end = std::chrono::steady_clock::now() + 15s;
        while (!info && std::chrono::steady_clock::now() < end && !dialog->Wait(0ms)) {
            const auto found = onScreen(
                {"xdotool", "search", "--onlyvisible", "--name", "^Zorvane Configuration$"});
            if (found && !found->empty()) {
                id = std::to_string(std::strtoul(found->c_str(), nullptr, 10));
                info = onScreen({"xwininfo", "-id", id});
            } else {
                std::this_thread::sleep_for(100ms);
            }
        }
        ASSERT_TRUE(info) << "no dialog at scale " << scale;
        const long x = InfoValue(*info, "Absolute upper-left X:").value_or(-1);
        const long y = InfoValue(*info, "Absolute upper-left Y:").value_or(-1);
        const long width = InfoValue(*info, "Width:").value_or(0);
        const long height = InfoValue(*info, "Height:").value_or(0);
        EXPECT_GE(x, 0) << "scale " << scale;
        EXPECT_GE(y, 0) << "scale " << scale;
        EXPECT_LE(x + width, 2560) << "scale " << scale;
        EXPECT_LE(y + height, 1600) << "scale " << scale;
        EXPECT_GT(width, 400 * std::atoi(scale)) << "the dialog grows with the scale";
        EXPECT_TRUE(onScreen({"xdotool", "windowfocus", "--sync", id}));
        EXPECT_TRUE(onScreen({"xdotool", "key", "Escape"}));
        EXPECT_EQ(dialog->Wait(10000ms), kRanAndEnded);
    }
    EXPECT_TRUE(fs::is_empty(config)) << "Escape stores nothing";
}

// The processor time a process has used so far, in seconds (its threads included).
double ProcessorSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The fields after the command's closing parenthesis; utime and stime are 14th and 15th.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int index = 3; fields >> field && index <= 15; ++index) {
        if (index >= 14) {
            ticks += std::strtod(field.c_str(), nullptr);
        }
    }
    return ticks / double(sysconf(_SC_CLK_TCK));
}

TEST_F(ZorvaneX11Test, ACoveredSaverDrawsNothingAndDrawsAgainWhenUncovered) {
    auto saver = StartSaver();
    ASSERT_TRUE(windowId);
    // Loading (the room, the sounds proved whole) is work of its own, which a slow start, as
    // under the sanitizers, carries well past the window's first seconds: the measuring starts
    // once the time, drawn from the end of loading on, shows in the bottom-right corner.
    const auto rootInfo = Tool({"xwininfo", "-root"});
    ASSERT_TRUE(rootInfo);
    const int width = int(InfoValue(*rootInfo, "Width:").value_or(0));
    const int height = int(InfoValue(*rootInfo, "Height:").value_or(0));
    bool loaded = false;
    const auto end = std::chrono::steady_clock::now() + 60s;
    while (!loaded && std::chrono::steady_clock::now() < end && !saver->Wait(0ms)) {
        const auto pixels = Grab(windowId);
        loaded = pixels.size() == std::size_t(width) * height &&
                 WhitePixels(pixels, width, width - 300, height - 60, width, height) >= 300;
        if (!loaded) {
            std::this_thread::sleep_for(200ms);
        }
    }
    ASSERT_TRUE(loaded) << "the time never showed";
    std::this_thread::sleep_for(1s);
    const auto busy = [&] {
        const double before = ProcessorSeconds(saver->Pid());
        std::this_thread::sleep_for(2s);
        return (ProcessorSeconds(saver->Pid()) - before) / 2.0;
    };
    const double drawing = busy();
    double covered = 0;
    {
        // A window of ours over the whole screen (no manager: the newest window is on top).
        const auto root = Tool({"xwininfo", "-root"});
        ASSERT_TRUE(root);
        auto cover = MakeWindow(int(InfoValue(*root, "Width:").value_or(0)),
                                int(InfoValue(*root, "Height:").value_or(0)));
        ASSERT_NE(cover, nullptr);
        ASSERT_TRUE(Xdotool({"windowmove", std::to_string(cover->Handle()), "0", "0"}));
        std::this_thread::sleep_for(500ms);
        covered = busy();
    }
    std::this_thread::sleep_for(500ms);
    const double uncovered = busy();
    std::cout << "[ measured ] processor time a second: drawing " << drawing << " s, covered "
              << covered << " s, uncovered again " << uncovered << " s\n";
    EXPECT_LT(covered, 0.1);
    EXPECT_LT(covered, drawing / 4);
    EXPECT_GT(uncovered, covered * 2) << "drawing again";
    EXPECT_FALSE(saver->Wait(0ms)) << "covering does not end the saver";
    EXPECT_TRUE(Xdotool({"key", "Escape"}));
    EXPECT_EQ(saver->Wait(10000ms), kRanAndEnded);
}

TEST_F(ZorvaneX11Test, AClickEndsTheSaverWhileAnotherWindowHoldsTheFocus) {
    // Without a manager nobody hands the focus to a window that is clicked.
    auto saver = StartSaver();
    ASSERT_TRUE(windowId);
    auto other = MakeWindow(300, 200);
    ASSERT_NE(other, nullptr);
    ASSERT_TRUE(Xdotool({"windowfocus", "--sync", std::to_string(other->Handle())}));
    // Raised over the other window again, as a daemon keeps its own on top.
    ASSERT_TRUE(Xdotool({"windowraise", std::to_string(windowId)}));
    std::this_thread::sleep_for(1500ms);
    ASSERT_FALSE(saver->Wait(0ms));
    EXPECT_TRUE(Xdotool({"mousemove", "600", "500", "click", "1"}));
    EXPECT_EQ(saver->Wait(10000ms), kRanAndEnded) << "the click did not end the saver";
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
