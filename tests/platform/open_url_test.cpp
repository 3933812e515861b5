#include "platform/open_url.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

namespace {

namespace fs = std::filesystem;

// A stand-in xdg-open first on PATH writes its arguments, one a line, to a file.
class OpenUrlTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ =
            fs::temp_directory_path() / ("zorvane-open-" + std::to_string(std::random_device()()));
        fs::create_directories(dir_);
        const fs::path script = dir_ / "xdg-open";
        std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \""
                              << (dir_ / "args.tmp").string() << "\"\nmv \""
                              << (dir_ / "args.tmp").string() << "\" \"" << (dir_ / "args").string()
                              << "\"\n";
        fs::permissions(script, fs::perms::owner_all);
        const char* path = std::getenv("PATH");
        savedPath_ = path ? path : "";
        setenv("PATH", (dir_.string() + ":" + savedPath_).c_str(), 1);
    }
    void TearDown() override {
        setenv("PATH", savedPath_.c_str(), 1);
        fs::remove_all(dir_);
    }

    std::string WaitForArguments() {
        const fs::path args = dir_ / "args";
        for (int i = 0; i < 500 && !fs::exists(args); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::ifstream in(args);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    fs::path dir_;
    std::string savedPath_;
};

TEST_F(OpenUrlTest, HandsTheAddressOverAsOneArgumentWithoutAShell) {
    const std::string url = "https://example.org/a b?x=1&y=$(touch pwned);`id`";
    ASSERT_TRUE(platform::OpenUrl(url));
    EXPECT_EQ(WaitForArguments(), url + "\n");
    EXPECT_FALSE(fs::exists(fs::current_path() / "pwned"));
}

TEST_F(OpenUrlTest, RefusesWhatCouldReadAsAnOption) {
    EXPECT_FALSE(platform::OpenUrl("--help"));
    EXPECT_FALSE(platform::OpenUrl(""));
}

TEST(OpenUrlMissing, NoOpenerOnPathFails) {
    const char* path = std::getenv("PATH");
    const std::string saved = path ? path : "";
    setenv("PATH", "/nonexistent-zorvane", 1);
    EXPECT_FALSE(platform::OpenUrl("https://example.org/"));
    setenv("PATH", saved.c_str(), 1);
}

}  // namespace
