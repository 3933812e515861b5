#include "platform/linux/registry_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using platform::REG_BINARY;
using platform::REG_DWORD;
using platform::REG_SZ;
using platform::RegistryAccess;
using platform::linux_impl::FileRegistry;
using platform::linux_impl::FormatRegText;
using platform::linux_impl::MergeRegText;
using platform::linux_impl::ParseRegText;
using platform::linux_impl::RegValue;

constexpr std::string_view kKey = "Software\\Maravek Studio\\Zorvane";

std::vector<std::uint8_t> Bytes(std::string_view s) {
    return {s.begin(), s.end()};
}

class TempRoot : public testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("zorvane-registry-" + std::to_string(std::random_device()()));
        fs::create_directories(root_);
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path root_;
};

TEST(RegText, ValueForms) {
    const auto values = ParseRegText(
        "REGEDIT4\n\n"
        "[HKEY_CURRENT_USER\\Software\\Maravek Studio\\Zorvane]\n"
        "\"A\"=dword:0000002a\n"
        "\"B\"=\"say \\\"hi\\\" \\\\ there\"\n"
        "\"C\"=hex:de,ad,BE,ef\n"
        "\"D\"=hex(7):61,00,\\\n"
        "  62,00,00\n"
        "  \"E\" = dword:1 \r\n"
        "\"F\" = hex: 0a ,\\\r\n"
        "  0b\r\n"
        "@=\"default\"\n",
        kKey);
    ASSERT_EQ(values.size(), 7u);
    EXPECT_EQ(values[0].name, "A");
    EXPECT_EQ(values[0].type, REG_DWORD);
    EXPECT_EQ(values[0].data, (std::vector<std::uint8_t>{42, 0, 0, 0}));
    EXPECT_EQ(values[1].type, REG_SZ);
    EXPECT_EQ(values[1].data, Bytes("say \"hi\" \\ there"));
    EXPECT_EQ(values[2].type, REG_BINARY);
    EXPECT_EQ(values[2].data, (std::vector<std::uint8_t>{0xde, 0xad, 0xbe, 0xef}));
    EXPECT_EQ(values[3].type, 7u);
    EXPECT_EQ(values[3].data, (std::vector<std::uint8_t>{0x61, 0, 0x62, 0, 0}));
    EXPECT_EQ(values[4].name, "E");
    EXPECT_EQ(values[4].data, (std::vector<std::uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(values[5].name, "F");
    EXPECT_EQ(values[5].data, (std::vector<std::uint8_t>{0x0a, 0x0b}));
    EXPECT_EQ(values[6].name, "");
}

TEST(RegText, ForeignAndBrokenLinesAreSkipped) {
    const auto values = ParseRegText(
        "\"Before\"=dword:00000001\n"
        "[HKEY_CURRENT_USER\\Software\\Other]\n"
        "\"Other\"=dword:00000001\n"
        "[hkey_current_user\\software\\maravek studio\\zorvane]\n"
        "\"NoValue\"\n"
        "\"BadDword\"=dword:123456789\n"
        "\"BadHex\"=hex:1,2\n"
        "\"TrailingComma\"=hex:01,\n"
        "\"OpenQuote\"=\"abc\n"
        "\"AfterText\"=\"abc\" junk\n"
        "\"Unknown\"=qword:01\n"
        "\"BadType\"=hex(x):01\n"
        "[broken header\n"
        "\"Lost\"=dword:00000001\n",
        kKey);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].name, "Before");
}

TEST(RegText, LaterValueReplacesEarlierWithoutRegardToCase) {
    const auto values = ParseRegText("\"Width\"=dword:1\n\"WIDTH\"=dword:2\n", kKey);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].data[0], 2);
}

TEST(RegText, FormatParsesBackToTheSameValues) {
    std::vector<RegValue> values = {
        {"UseDesktop", REG_DWORD, {1, 0, 0, 0}},
        {"PhotoPath", REG_SZ, Bytes("C:\\Pics\\\"q\"\xC0.jpg")},
        {"Lines", REG_SZ, Bytes("a\nb\r\0c")},
        {"Blob", REG_BINARY, {0, 255, 16}},
        {"Odd", 0x12345u, {}},
        {"Short dword", REG_DWORD, {1, 2}},
        {"", REG_SZ, Bytes("default")},
    };
    const std::string text = FormatRegText(values, kKey);
    EXPECT_TRUE(
        text.starts_with("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Maravek "
                         "Studio\\Zorvane]\n\"UseDesktop\"=dword:00000001\n"))
        << text;
    const auto back = ParseRegText(text, kKey);
    ASSERT_EQ(back.size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(back[i].name, values[i].name) << i;
        EXPECT_EQ(back[i].type, values[i].type) << i;
        EXPECT_EQ(back[i].data, values[i].data) << i;
    }
}

TEST_F(TempRoot, KeyPathsMapToFilesUnderTheRoot) {
    FileRegistry registry(root_.string());
    EXPECT_EQ(registry.KeyFile(kKey), (root_ / "Maravek Studio" / "Zorvane.reg").string());
    EXPECT_EQ(registry.KeyFile("Zorvane"), (root_ / "Zorvane.reg").string());
    EXPECT_FALSE(registry.KeyFile("Software"));
    EXPECT_FALSE(registry.KeyFile("Software\\..\\x"));
    EXPECT_FALSE(registry.KeyFile("Software\\a/b"));
    EXPECT_FALSE(registry.KeyFile("Software\\\\x"));
    EXPECT_FALSE(registry.CreateKey("Software\\..", RegistryAccess::Write));
}

TEST_F(TempRoot, RootFollowsXdgConfigHomeThenHome) {
    FileRegistry registry;
    const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = savedXdg ? savedXdg : "";
    setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
    EXPECT_EQ(registry.KeyFile(kKey), (root_ / "Maravek Studio" / "Zorvane.reg").string());
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    const char* home = std::getenv("HOME");
    if (home != nullptr) {
        EXPECT_EQ(registry.KeyFile(kKey),
                  std::string(home) + "/.config/Maravek Studio/Zorvane.reg");
    }
    if (savedXdg) {
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
}

TEST_F(TempRoot, WritesReachTheFileOnlyOnClose) {
    FileRegistry registry(root_.string());
    const fs::path file = root_ / "Maravek Studio" / "Zorvane.reg";
    auto key = registry.CreateKey(kKey, RegistryAccess::Write);
    ASSERT_TRUE(key);
    EXPECT_FALSE(fs::exists(file));
    ASSERT_TRUE(platform::SetDword(*key, "Width", 1024));
    ASSERT_TRUE(platform::SetString(*key, "PhotoPath", "/p.png"));
    EXPECT_FALSE(fs::exists(file));
    ASSERT_TRUE(key->Close());
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    auto reader = registry.CreateKey(kKey, RegistryAccess::Read);
    ASSERT_TRUE(reader);
    std::uint32_t width = 0;
    std::string path;
    EXPECT_TRUE(platform::QueryDword(*reader, "width", width));
    EXPECT_EQ(width, 1024u);
    EXPECT_TRUE(platform::QueryString(*reader, "PhotoPath", path, 256));
    EXPECT_EQ(path, "/p.png");
    EXPECT_FALSE(platform::SetDword(*reader, "Width", 1));
}

TEST_F(TempRoot, DroppedKeyStoresNothing) {
    FileRegistry registry(root_.string());
    {
        auto key = registry.CreateKey(kKey, RegistryAccess::Write);
        ASSERT_TRUE(key);
        platform::SetDword(*key, "Width", 1);
    }
    EXPECT_FALSE(fs::exists(root_ / "Maravek Studio" / "Zorvane.reg"));
}

TEST_F(TempRoot, TypedQueriesRejectOtherTypesAndSizes) {
    std::ofstream(root_ / "K.reg")
        << "\"s\"=\"text\"\n\"d\"=dword:00000005\n\"b\"=hex:01,02,03,04\n"
           "\"long\"=\"0123456789\"\n";
    FileRegistry registry(root_.string());
    auto key = registry.CreateKey("Software\\K", RegistryAccess::Read);
    ASSERT_TRUE(key);
    std::uint32_t number = 77;
    std::string text = "kept";
    EXPECT_FALSE(platform::QueryDword(*key, "s", number));
    EXPECT_FALSE(platform::QueryDword(*key, "b", number));
    EXPECT_FALSE(platform::QueryDword(*key, "missing", number));
    EXPECT_EQ(number, 77u);
    EXPECT_FALSE(platform::QueryString(*key, "d", text, 256));
    EXPECT_FALSE(platform::QueryString(*key, "long", text, 9));
    EXPECT_EQ(text, "kept");
    EXPECT_TRUE(platform::QueryString(*key, "long", text, 10));
    EXPECT_EQ(text, "0123456789");
}

TEST_F(TempRoot, PipeInPlaceOfTheFileFailsWithoutBlocking) {
    const fs::path file = root_ / "Fifo.reg";
    ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
    FileRegistry registry(root_.string());
    EXPECT_FALSE(registry.CreateKey("Software\\Fifo", RegistryAccess::Read));
}

TEST_F(TempRoot, RandomBytesNeverBreakTheReader) {
    std::mt19937 random(1234);
    for (int round = 0; round < 200; ++round) {
        std::string text;
        const int size = static_cast<int>(random() % 400);
        const std::string_view pieces[] = {"\"", "=",  "dword:", "hex:", "hex(", "):", ",",
                                           "\\", "\n", "[",      "]",    "@",    "ff", "0"};
        for (int i = 0; i < size; ++i) {
            if (random() % 3 == 0) {
                text += pieces[random() % std::size(pieces)];
            } else {
                text += static_cast<char>(random() % 256);
            }
        }
        const auto values = ParseRegText(text, kKey);
        // What was read formats and reads back unchanged.
        const auto back = ParseRegText(FormatRegText(values, kKey), kKey);
        ASSERT_EQ(back.size(), values.size()) << round;
        for (std::size_t i = 0; i < values.size(); ++i) {
            ASSERT_EQ(back[i].data, values[i].data) << round;
        }
    }
}

TEST(RegText, MergeReplacesInPlaceAndKeepsEverythingElse) {
    const std::string head = "[HKEY_CURRENT_USER\\Software\\Maravek Studio\\Zorvane]";
    const RegValue width{"Width", REG_DWORD, {0x20, 3, 0, 0}};
    const RegValue path{"PhotoPath", REG_SZ, Bytes("/a.png")};
    struct Case {
        std::string_view what;
        std::string original;
        std::vector<RegValue> changes;
        std::string expected;
    };
    const Case cases[] = {
        {"comments, other keys and unknown values stay; the value changes where it stands",
         "REGEDIT4\n; mine\n\n[HKEY_CURRENT_USER\\Software\\Other]\n\"Width\"=dword:00000001\n\n" +
             head +
             "\n\"Extra\"=\"kept\"\n\"width\" = dword:1 ; old\ngarbage line\n\"Tail\"=hex:01\n",
         {width},
         "REGEDIT4\n; mine\n\n[HKEY_CURRENT_USER\\Software\\Other]\n\"Width\"=dword:00000001\n\n" +
             head +
             "\n\"Extra\"=\"kept\"\n\"Width\"=dword:00000320\ngarbage line\n\"Tail\"=hex:01\n"},
        {"a new value follows the key's last value, before the next key",
         head +
             "\n\"A\"=dword:00000001\n; note\n[HKEY_CURRENT_USER\\Software\\Other]\n\"B\"=\"b\"\n",
         {path},
         head + "\n\"A\"=dword:00000001\n\"PhotoPath\"=\"/a.png\"\n; note\n"
                "[HKEY_CURRENT_USER\\Software\\Other]\n\"B\"=\"b\"\n"},
        {"an empty key gets its value right after the header",
         head + "\n; empty\n",
         {width},
         head + "\n\"Width\"=dword:00000320\n; empty\n"},
        {"a file without our key gets the key at its end",
         "[HKEY_CURRENT_USER\\Software\\Other]\n\"B\"=\"b\"",
         {width},
         "[HKEY_CURRENT_USER\\Software\\Other]\n\"B\"=\"b\"\n\n" + head +
             "\n\"Width\"=dword:00000320\n"},
        {"a file without headers is the key's own",
         "\"A\"=dword:00000001",
         {width},
         "\"A\"=dword:00000001\n\"Width\"=dword:00000320\n"},
        {"later lines of the value go, a continued hex list whole",
         head + "\r\n\"Width\"=hex:01,\\\r\n  02\r\n\"X\"=\"x\"\r\n\"WIDTH\"=dword:5\r\n",
         {width, path},
         head + "\r\n\"Width\"=dword:00000320\r\n\"X\"=\"x\"\r\n\"PhotoPath\"=\"/a.png\"\r\n"},
        {"an empty file gets the full layout",
         " \n",
         {width},
         "REGEDIT4\n\n" + head + "\n\"Width\"=dword:00000320\n"},
    };
    for (const Case& c : cases) {
        const std::string merged = MergeRegText(c.original, c.changes, kKey);
        EXPECT_EQ(merged, c.expected) << c.what;
        // What the reader makes of it: the changes, and the other values it read before.
        auto before = ParseRegText(c.original, kKey);
        for (const RegValue& change : c.changes) {
            std::erase_if(before, [&](const RegValue& v) {
                return v.name.size() == change.name.size() &&
                       std::equal(
                           v.name.begin(), v.name.end(), change.name.begin(),
                           [](char a, char b) { return std::tolower(a) == std::tolower(b); });
            });
        }
        const auto after = ParseRegText(merged, kKey);
        EXPECT_EQ(after.size(), before.size() + c.changes.size()) << c.what;
    }
}

class RegistryFileTest : public TempRoot {
protected:
    void SetUp() override {
        TempRoot::SetUp();
        dir_ = root_ / "Maravek Studio";
        file_ = dir_ / "Zorvane.reg";
        fs::create_directories(dir_);
    }

    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    bool WriteWidth(std::uint32_t width) {
        FileRegistry registry(root_.string());
        auto key = registry.CreateKey(kKey, RegistryAccess::Write);
        return key && platform::SetDword(*key, "Width", width) && key->Close();
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
    fs::path file_;
};

TEST_F(RegistryFileTest, RewriteKeepsCommentsAndOtherKeys) {
    const std::string text =
        "REGEDIT4\n; written by hand\n[HKEY_CURRENT_USER\\Software\\Maravek Studio\\Zorvane]\n"
        "\"Width\"=dword:00000001\n[HKEY_CURRENT_USER\\Software\\Other]\n\"Kept\"=\"yes\"\n";
    std::ofstream(file_) << text;
    ASSERT_TRUE(WriteWidth(1024));
    std::string expected = text;
    expected.replace(expected.find("00000001"), 8, "00000400");
    EXPECT_EQ(Read(file_), expected);
}

TEST_F(RegistryFileTest, ChangesMadeSinceTheKeyWasOpenedSurvive) {
    FileRegistry registry(root_.string());
    auto key = registry.CreateKey(kKey, RegistryAccess::Write);
    ASSERT_TRUE(key);
    std::ofstream(file_) << "\"Other\"=dword:00000007\n";
    ASSERT_TRUE(platform::SetDword(*key, "Width", 2));
    ASSERT_TRUE(key->Close());
    EXPECT_EQ(Read(file_), "\"Other\"=dword:00000007\n\"Width\"=dword:00000002\n");
}

TEST_F(RegistryFileTest, WritesGoThroughLinksToTheirTarget) {
    const fs::path elsewhere = root_ / "dotfiles" / "zorvane.reg";
    fs::create_directories(elsewhere.parent_path());
    std::ofstream(elsewhere) << "; mine\n";
    // A relative link to a link to the real file.
    fs::create_symlink(elsewhere, root_ / "dotfiles" / "hop.reg");
    fs::create_symlink("../dotfiles/hop.reg", file_);
    ASSERT_TRUE(WriteWidth(640));
    EXPECT_TRUE(fs::is_symlink(file_));
    EXPECT_TRUE(fs::is_symlink(root_ / "dotfiles" / "hop.reg"));
    EXPECT_EQ(Read(elsewhere), "; mine\n\"Width\"=dword:00000280\n");
    EXPECT_EQ(Names(), (std::vector<std::string>{"Zorvane.reg"}));
    EXPECT_EQ(std::distance(fs::directory_iterator(elsewhere.parent_path()), {}), 2);

    // A link to a file not made yet makes the file; a loop of links writes nothing.
    fs::remove(elsewhere);
    ASSERT_TRUE(WriteWidth(800));
    EXPECT_EQ(Read(elsewhere),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Maravek "
              "Studio\\Zorvane]\n\"Width\"=dword:00000320\n");
    fs::remove(file_);
    fs::create_symlink("Zorvane.reg", file_);
    EXPECT_FALSE(WriteWidth(1));
}

TEST_F(RegistryFileTest, StaleTemporaryFilesGoOnTheNextReadOrWrite) {
    const auto temporary = [this](const std::string& name) {
        std::ofstream(dir_ / name) << "half written";
    };
    temporary("Zorvane.reg.aB3xY9");  // left by a writer that was killed
    temporary("Zorvane.reg.old");     // not a name the writer makes
    temporary("Zorvane.reg.aB3xY");
    temporary("Other.reg.aB3xY9");
    temporary("Zorvane.reg.Q1w2E3");  // held by a live writer
    const int held = open((dir_ / "Zorvane.reg.Q1w2E3").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);

    FileRegistry registry(root_.string());
    EXPECT_TRUE(registry.CreateKey(kKey, RegistryAccess::Read));
    const std::vector<std::string> kept = {"Other.reg.aB3xY9", "Zorvane.reg.Q1w2E3",
                                           "Zorvane.reg.aB3xY", "Zorvane.reg.old"};
    EXPECT_EQ(Names(), kept);

    temporary("Zorvane.reg.zzzzzz");
    ASSERT_TRUE(WriteWidth(3));
    std::vector<std::string> afterWrite = kept;
    afterWrite.push_back("Zorvane.reg");
    std::sort(afterWrite.begin(), afterWrite.end());
    EXPECT_EQ(Names(), afterWrite);

    close(held);
    EXPECT_TRUE(registry.CreateKey(kKey, RegistryAccess::Read));
    EXPECT_FALSE(fs::exists(dir_ / "Zorvane.reg.Q1w2E3"));
}

TEST_F(RegistryFileTest, FileTooLargeToReadWholeIsNotRewritten) {
    const std::string text = "; " + std::string(FileRegistry::kMaxFileBytes, 'x') + "\n";
    std::ofstream(file_) << text;
    EXPECT_FALSE(WriteWidth(5));
    EXPECT_EQ(Read(file_), text);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Zorvane.reg"}));
}

}  // namespace
