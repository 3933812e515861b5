// The saver started and run for a moment with its settings and temporary folders in the states a
// user's machine can leave them in: the settings folder missing, read-only or a file, the settings
// file a folder, random bytes or 100 MB; the temporary folder read-only, a file or full. Each run
// ends by itself within its time and memory and closes on its key; settings it can't read leave
// the defaults, a settings file is left byte for byte as it was (the run saves nothing), and
// where the sound module can't be written out the run is silent.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "fault_run.h"
#include "platform/resources.h"
#include "run_checks.h"

namespace {

namespace fs = std::filesystem;
using faults::ChildEnd;

constexpr const char* kHeader =
    "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Maravek Studio\\Zorvane]\n";

// A file's bytes; empty when it can't be read.
std::string Contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Every name below `folder`, with the file's bytes (folders: "/").
std::map<std::string, std::string> Tree(const fs::path& folder) {
    std::map<std::string, std::string> tree;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        const std::string name = fs::relative(it->path(), folder).string();
        tree[name] = it->is_directory() ? "/" : Contents(it->path());
    }
    return tree;
}

// Hands everything below `folder` to `user`, so that a run made as that user reaches it.
void GiveTo(const fs::path& folder, uid_t user) {
    lchown(folder.c_str(), user, user);
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        lchown(it->path().c_str(), user, user);
    }
}

class SettingsFaults : public ::testing::Test {
protected:
    static void SetUpTestSuite() { screen = std::make_unique<faults::PrivateScreen>(320, 240); }
    static void TearDownTestSuite() { screen.reset(); }

    void SetUp() override {
        if (!screen->Started()) {
            GTEST_SKIP() << "needs Xvfb";
        }
        folder = scratch.Path() / "run";
        run.environment = faults::RunEnvironment(folder, screen->Display());
        settingsFolder = folder / "config" / "Maravek Studio";
        settingsFile = settingsFolder / "Zorvane.reg";
    }

    void SetEnvironment(const std::string& name, const std::string& value) {
        for (auto& [key, current] : run.environment) {
            if (key == name) {
                current = value;
            }
        }
    }

    // Permissions bind only on others than root: as root the run is made as an unprivileged
    // user that owns the run's folders.
    void RunUnprivileged() {
        if (geteuid() == 0) {
            GiveTo(folder, faults::kNobody);
            run.user = faults::kNobody;
        }
    }

    ChildEnd Run(std::string what) {
        if (run.user) {
            what += " (as user " + std::to_string(*run.user) + ")";
        }
        const fs::path output = scratch.Path() / "output.txt";
        const ChildEnd end = faults::RunInChild(
            [this](const faults::Report& report) { return faults::RunSaverInChild(run, report); },
            faults::kRunLimit, output);
        std::printf("  %-44s -> %s, %lld sounds, settings %s, %.1f s, %lld MB\n", what.c_str(),
                    end.Describe().c_str(), end.Number("samples"),
                    end.Number("defaults") == 1 ? "defaults" : "stored", end.seconds,
                    end.Number("peak_kb", 0) / 1024);
        faults::ExpectEndedCleanly(end, what);
        faults::ExpectRanAndClosed(end, what);
        return end;
    }

    static inline std::unique_ptr<faults::PrivateScreen> screen;
    faults::ScratchFolder scratch;
    fs::path folder;
    fs::path settingsFolder;
    fs::path settingsFile;
    faults::SaverRun run;
};

TEST_F(SettingsFaults, AMissingSettingsFolderGivesTheDefaultsAndIsNotMade) {
    const fs::path absent = folder / "absent";
    SetEnvironment("XDG_CONFIG_HOME", absent.string());
    const ChildEnd end = Run("settings folder missing");
    EXPECT_EQ(end.Number("defaults"), 1);
    EXPECT_GT(end.Number("samples"), 0) << "the sound plays";
    EXPECT_FALSE(fs::exists(absent)) << "a run that saves nothing makes no folder";
}

TEST_F(SettingsFaults, AReadOnlySettingsFolderIsReadAndLeftAsItWas) {
    fs::create_directories(settingsFolder);
    Write(settingsFile, std::string(kHeader) +
                            "\"ShowFps\"=dword:00000001\n"
                            "\"Volume\"=dword:00000021\n");
    RunUnprivileged();
    chmod(settingsFile.c_str(), 0400);
    chmod(settingsFolder.c_str(), 0500);
    const auto before = Tree(folder / "config");
    const ChildEnd end = Run("settings folder read-only");
    EXPECT_EQ(end.Number("show_fps"), 1) << "the stored settings are read";
    EXPECT_EQ(end.Number("volume"), 33);
    chmod(settingsFolder.c_str(), 0700);
    EXPECT_EQ(Tree(folder / "config"), before);
}

TEST_F(SettingsFaults, ASettingsFolderThatIsAFileGivesTheDefaults) {
    fs::create_directories(settingsFolder.parent_path());
    Write(settingsFolder, std::string(kHeader) + "\"ShowFps\"=dword:00000001\n");
    const auto before = Tree(folder / "config");
    const ChildEnd end = Run("settings folder is a file");
    EXPECT_EQ(end.Number("defaults"), 1);
    EXPECT_EQ(Tree(folder / "config"), before);
}

TEST_F(SettingsFaults, ASettingsFileThatIsAFolderGivesTheDefaults) {
    fs::create_directories(settingsFile);
    const ChildEnd end = Run("settings file is a folder");
    EXPECT_EQ(end.Number("defaults"), 1);
    EXPECT_TRUE(fs::is_directory(settingsFile));
    EXPECT_TRUE(fs::is_empty(settingsFile));
}

TEST_F(SettingsFaults, ASettingsFileOfRandomBytesGivesTheDefaultsAndStaysAsItWas) {
    fs::create_directories(settingsFolder);
    std::mt19937 random(20240611);
    std::string bytes(256 * 1024, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    Write(settingsFile, bytes);
    const ChildEnd end = Run("settings file of random bytes");
    EXPECT_EQ(end.Number("defaults"), 1);
    EXPECT_TRUE(Contents(settingsFile) == bytes) << "the file changed";
}

TEST_F(SettingsFaults, AHundredMegabyteSettingsFileIsReadOnlyInPartAndStaysAsItWas) {
    // A picture path of 100 MB, then a value that only a reader of the whole file would see.
    constexpr std::size_t kChunk = 1 << 20;
    constexpr int kChunks = 100;
    const std::string head = std::string(kHeader) + "\"PhotoPath\"=\"";
    const std::string chunk(kChunk, 'x');
    const std::string tail = "\"\n\"ShowFps\"=dword:00000001\n";
    fs::create_directories(settingsFolder);
    {
        std::ofstream out(settingsFile, std::ios::binary);
        out << head;
        for (int i = 0; i < kChunks; ++i) {
            out << chunk;
        }
        out << tail;
    }
    const ChildEnd end = Run("settings file of 100 MB");
    EXPECT_EQ(end.Number("defaults"), 1);

    std::ifstream in(settingsFile, std::ios::binary);
    std::string read(head.size(), '\0');
    bool same = in.read(read.data(), std::streamsize(read.size())) && read == head;
    read.resize(kChunk);
    for (int i = 0; same && i < kChunks; ++i) {
        same = in.read(read.data(), std::streamsize(kChunk)) && read == chunk;
    }
    read.assign(tail.size() + 1, '\0');
    same = same &&
           in.read(read.data(), std::streamsize(read.size())).gcount() ==
               std::streamsize(tail.size()) &&
           read.substr(0, tail.size()) == tail;
    EXPECT_TRUE(same) << "the file changed";
}

TEST_F(SettingsFaults, AReadOnlyTemporaryFolderLeavesTheRunSilent) {
    const fs::path tmp = folder / "tmp";
    RunUnprivileged();
    chmod(tmp.c_str(), 0500);
    const ChildEnd end = Run("temporary folder read-only");
    EXPECT_EQ(end.Number("samples"), 0) << "the sound module can't be written out";
    chmod(tmp.c_str(), 0700);
    EXPECT_TRUE(fs::is_empty(tmp));
}

TEST_F(SettingsFaults, ATemporaryFolderThatIsAFileLeavesTheRunSilent) {
    const fs::path file = folder / "not-a-folder";
    Write(file, "a file");
    SetEnvironment("TMPDIR", file.string());
    const ChildEnd end = Run("temporary folder is a file");
    EXPECT_EQ(end.Number("samples"), 0) << "the sound module can't be written out";
    EXPECT_EQ(Contents(file), "a file");
}

TEST_F(SettingsFaults, AFullTemporaryFolderLeavesTheRunSilent) {
    // Files stop growing halfway through the sound module, as on a disk that fills up while it
    // is written out.
    const auto module = platform::Resources::Module().Find("BASS", 185);
    ASSERT_TRUE(module.has_value());
    run.fileSizeLimit = module->size() / 2;
    const ChildEnd end = Run("temporary folder full");
    EXPECT_EQ(end.Number("samples"), 0) << "the sound module can't be written out";
    EXPECT_EQ(faults::LeftModules(folder / "tmp"), std::vector<std::string>{});
}

}  // namespace
