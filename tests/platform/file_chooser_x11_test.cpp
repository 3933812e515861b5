// The desktop's file chooser on a real display: a typed path to an existing file comes back whole,
// a path to a missing file keeps the chooser open, and Escape gives nothing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_chooser.h"

namespace {

namespace fs = std::filesystem;

class FileChooserX11Test : public testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) {
            GTEST_SKIP() << "needs a display";
        }
        // The chooser keeps its own settings; here they stay in memory.
        setenv("GSETTINGS_BACKEND", "memory", 1);
        char pattern[] = "/tmp/zorvane-chooser-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        std::ofstream(folder / "Photo.PNG") << "not really a picture";
    }
    void TearDown() override {
        if (!folder.empty()) {
            fs::remove_all(folder);
        }
    }

    // Runs `typing` (xdotool commands, one per entry) once the chooser shows and has the focus, in
    // a thread of its own since the chooser runs its own loop; a chooser that never ends aborts
    // instead of hanging.
    std::optional<std::string> Choose(const std::vector<std::string>& typing, bool mustExist) {
        std::atomic<bool> done = false;
        std::thread watchdog([&done] {
            for (int i = 0; i < 300 && !done; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            if (!done) {
                std::fputs("the file chooser never ended\n", stderr);
                std::abort();
            }
        });
        std::thread typist([&typing] {
            std::string command =
                "timeout 20 xdotool search --sync --onlyvisible --name '^Open$' windowfocus "
                "--sync %1 >/dev/null 2>&1";
            for (const std::string& step : typing) {
                command += "; sleep 0.5; timeout 10 xdotool " + step + " >/dev/null 2>&1";
            }
            std::system(command.c_str());
        });
        const std::vector<platform::FileFilter> filters = {{"Pictures", {"*.png", "*.jpg"}}};
        auto chosen = platform::FileChooser::System().ChooseFileToOpen(0, filters, mustExist);
        typist.join();
        done = true;
        watchdog.join();
        return chosen;
    }

    fs::path folder;
};

TEST_F(FileChooserX11Test, TypedExistingPathIsChosen) {
    const std::string path = (folder / "Photo.PNG").string();
    // The location entry is opened first: typing '/' opens it too, but swallows what follows.
    EXPECT_EQ(Choose({"key ctrl+l", "type " + path, "key Return"}, true), path);
}

TEST_F(FileChooserX11Test, MissingFileKeepsTheChooserOpenAndEscapeCancels) {
    const std::string missing = (folder / "missing.png").string();
    EXPECT_EQ(
        Choose({"key ctrl+l", "type " + missing, "key Return", "key Escape", "key Escape"}, true),
        std::nullopt);
}

}  // namespace
