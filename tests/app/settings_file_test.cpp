// The settings kept in the .reg file: round trip, hand-edited and damaged files.
#include <gtest/gtest.h>

#include "shipped_settings.h"

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>

#include "app/settings_store.h"
#include "platform/linux/registry_file.h"

namespace {

namespace fs = std::filesystem;

class SettingsFileTest : public testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("zorvane-settings-" + std::to_string(std::random_device()()));
        fs::create_directories(root_);
        file_ = root_ / "Maravek Studio" / "Zorvane.reg";
        registry_ = std::make_unique<platform::linux_impl::FileRegistry>(root_.string());
    }
    void TearDown() override { fs::remove_all(root_); }

    void WriteFile(std::string_view text) {
        fs::create_directories(file_.parent_path());
        std::ofstream(file_, std::ios::binary) << text;
    }

    static app::SaverSettings Defaults() { return app::test::ShippedSettings(); }

    app::SaverSettings ReadAll() {
        app::SaverSettings s = Defaults();
        EXPECT_TRUE(app::ReadPhotoPath(*registry_, s.PhotoPath));
        EXPECT_TRUE(app::ReadBaseSettings(*registry_, s));
        return s;
    }

    fs::path root_;
    fs::path file_;
    std::unique_ptr<platform::linux_impl::FileRegistry> registry_;
};

TEST_F(SettingsFileTest, RoundTripThroughTheFile) {
    app::SaverSettings written;
    written.UseDesktop = false;
    written.ExitOnMM = true;
    written.TimeStyle = true;
    written.Volume = 100;
    written.Gamma = -100;
    written.Adapter = 0;
    written.Width = 2560;
    written.Height = 1440;
    written.Depth = 16;
    written.PhotoPath = "/home/u/\xD4\xEE\xF2\xEE/a \\b\" c.jpg";
    ASSERT_TRUE(app::WritePhotoPath(*registry_, written.PhotoPath));
    ASSERT_TRUE(app::WriteBaseSettings(*registry_, written));
    ASSERT_TRUE(fs::exists(file_));
    EXPECT_EQ(ReadAll(), written);
    // Nothing else is left in the folder: the temporary files were renamed into place.
    EXPECT_EQ(std::distance(fs::directory_iterator(file_.parent_path()), fs::directory_iterator()),
              1);
}

TEST_F(SettingsFileTest, MissingFileGivesDefaultsAndReadingCreatesNothing) {
    EXPECT_EQ(ReadAll(), Defaults());
    EXPECT_FALSE(fs::exists(file_.parent_path()));
}

TEST_F(SettingsFileTest, HandEditedFileKeepsDefaultsForWhatItCannotRead) {
    WriteFile(
        "REGEDIT4\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Maravek Studio\\Zorvane]\r\n"
        "\"Width\"=dword:00000500\r\n"
        "\"Height\"=\"720\"\r\n"            // a text, not a number
        "\"Depth\"=dword:1000000000\r\n"    // too many digits
        "\"Volume\"=hex:01,02\r\n"          // binary
        "\"Music\"=hex(4):00,00,00,00\r\n"  // a number written as bytes
        "\"Gamma\"=dword:fffffff6\r\n"      // -10
        "\"ShowFps\"=dword:zz\r\n"          // garbage digits
        "complete garbage \x01\x02\xff\r\n"
        "\"Adapter\r\n"  // unterminated name
        "=dword:00000001\r\n"
        "\"ExitOnMM\"\r\n"
        "[HKEY_CURRENT_USER\\Software\\Someone Else]\r\n"
        "\"ShowTime\"=dword:00000000\r\n");
    app::SaverSettings expected = Defaults();
    expected.Width = 0x500;
    expected.Music = false;
    expected.Gamma = -10;
    EXPECT_EQ(ReadAll(), expected);
}

TEST_F(SettingsFileTest, HugeValueAndHugeFileAreHandledQuietly) {
    std::string text = "\"Width\"=dword:00000400\n\"PhotoPath\"=\"" + std::string(5 << 20, 'p') +
                       "\"\n\"Height\"=dword:00000300\n";
    WriteFile(text);
    app::SaverSettings expected = Defaults();
    expected.Width = 1024;
    // The rest of a file past its first mebibyte is not read, so Height stays.
    EXPECT_EQ(ReadAll(), expected);
}

TEST_F(SettingsFileTest, OverlongPhotoPathInTheFileIsIgnored) {
    WriteFile("\"PhotoPath\"=\"" + std::string(300, 'q') + "\"\n");
    EXPECT_EQ(ReadAll().PhotoPath, "");
}

TEST_F(SettingsFileTest, WritingKeepsValuesItDoesNotOwn) {
    WriteFile(
        "[HKEY_CURRENT_USER\\Software\\Maravek Studio\\Zorvane]\n"
        "\"Extra\"=\"kept\"\n\"Width\"=dword:00000001\n");
    ASSERT_TRUE(app::WriteBaseSettings(*registry_, Defaults()));
    std::ifstream in(file_, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\"Extra\"=\"kept\""), std::string::npos);
    EXPECT_NE(text.find("\"Width\"=dword:00000320"), std::string::npos);
}

TEST_F(SettingsFileTest, UnreadableStorageFailsTheRead) {
    // A folder where the file should be can't be read as one.
    fs::create_directories(file_);
    app::SaverSettings settings = Defaults();
    EXPECT_FALSE(app::ReadPhotoPath(*registry_, settings.PhotoPath));
    EXPECT_FALSE(app::ReadBaseSettings(*registry_, settings));
    EXPECT_FALSE(app::WriteBaseSettings(*registry_, settings));
    EXPECT_EQ(settings, Defaults());
}

TEST_F(SettingsFileTest, FailedWriteLeavesTheOldFileWhole) {
    app::SaverSettings first = Defaults();
    first.Width = 1111;
    ASSERT_TRUE(app::WriteBaseSettings(*registry_, first));
    // A file-size limit makes the new file's write fail part way, as a full disk would.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = saved;
    tight.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    app::SaverSettings second = Defaults();
    second.Width = 2222;
    const bool written = app::WriteBaseSettings(*registry_, second);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadAll().Width, 1111);
    EXPECT_EQ(std::distance(fs::directory_iterator(file_.parent_path()), fs::directory_iterator()),
              1);
}

}  // namespace
