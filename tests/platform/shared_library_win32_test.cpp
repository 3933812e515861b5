// Modules on Windows: a module image written from memory loads, its names resolve, and its file
// lasts exactly as long as the module; bad images, folders and paths fail without leaving files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/shared_library.h"
#include "platform/win32/win32_api.h"

namespace {

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
    std::memcpy(b.data() + at, &v, sizeof v);
}
void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    std::memcpy(b.data() + at, &v, sizeof v);
}
void Put64(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t v) {
    std::memcpy(b.data() + at, &v, sizeof v);
}
void PutText(std::vector<std::uint8_t>& b, std::size_t at, const char* text) {
    std::memcpy(b.data() + at, text, std::strlen(text) + 1);
}

// The smallest 64-bit DLL there is: headers and one read-only section holding an export table
// that names one 32-bit value, `fixture_value`. No code, no entry point, nothing to relocate.
std::vector<std::uint8_t> FixtureDll(std::uint32_t value) {
    std::vector<std::uint8_t> b(0x400, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put32(b, 0x3C, 0x40);
    PutText(b, 0x40, "PE");
    // File header: x64, one section, an executable image that is a DLL.
    Put16(b, 0x44, 0x8664);
    Put16(b, 0x46, 1);
    Put16(b, 0x54, 0xF0);
    Put16(b, 0x56, 0x2022);
    // Optional header (PE32+).
    const std::size_t o = 0x58;
    Put16(b, o + 0, 0x20B);
    Put32(b, o + 8, 0x200);
    Put32(b, o + 20, 0x1000);
    Put64(b, o + 24, 0x180000000ull);
    Put32(b, o + 32, 0x1000);
    Put32(b, o + 36, 0x200);
    Put16(b, o + 40, 6);
    Put16(b, o + 48, 6);
    Put32(b, o + 56, 0x2000);
    Put32(b, o + 60, 0x200);
    Put16(b, o + 68, 2);
    Put16(b, o + 70, 0x0140);
    Put64(b, o + 72, 0x100000);
    Put64(b, o + 80, 0x1000);
    Put64(b, o + 88, 0x100000);
    Put64(b, o + 96, 0x1000);
    Put32(b, o + 108, 16);
    Put32(b, o + 112, 0x1000);  // the export directory
    Put32(b, o + 116, 0x60);
    // The section: RVA 0x1000, file offset 0x200.
    const std::size_t s = 0x148;
    PutText(b, s, ".rdata");
    Put32(b, s + 8, 0x100);
    Put32(b, s + 12, 0x1000);
    Put32(b, s + 16, 0x200);
    Put32(b, s + 20, 0x200);
    Put32(b, s + 36, 0x40000040);
    // Export directory, its three tables, the names, and the value past the directory's end.
    const std::size_t e = 0x200;
    Put32(b, e + 12, 0x1050);
    Put32(b, e + 16, 1);
    Put32(b, e + 20, 1);
    Put32(b, e + 24, 1);
    Put32(b, e + 28, 0x1028);
    Put32(b, e + 32, 0x102C);
    Put32(b, e + 36, 0x1030);
    Put32(b, e + 0x28, 0x1060);
    Put32(b, e + 0x2C, 0x1040);
    Put16(b, e + 0x30, 0);
    PutText(b, e + 0x40, "fixture_value");
    PutText(b, e + 0x50, "fixture.dll");
    Put32(b, e + 0x60, value);
    return b;
}

// A folder of the test's own under the system's temporary folder, removed with what is left.
class TemporaryFolder {
public:
    TemporaryFolder() {
        char base[MAX_PATH + 1] = {};
        GetTempPathA(sizeof base, base);
        path_ = std::string(base) + "zorvane-shared-library-" +
                std::to_string(GetCurrentProcessId());
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TemporaryFolder() {
        for (const auto& name : Files()) {
            DeleteFileA((path_ + "\\" + name).c_str());
        }
        RemoveDirectoryA(path_.c_str());
    }
    const std::string& Path() const { return path_; }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found{};
        const HANDLE search = FindFirstFileA((path_ + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            return names;
        }
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                names.emplace_back(found.cFileName);
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
        return names;
    }

private:
    std::string path_;
};

TEST(SharedLibraryWin32, ImageLoadsFromItsFileWhichGoesAtClose) {
    TemporaryFolder folder;
    platform::SharedLibrary library;
    ASSERT_TRUE(library.openImage(FixtureDll(0x5EED1234), folder.Path(), "bas"));
    ASSERT_TRUE(library.isOpen());
    const auto* value = static_cast<const std::uint32_t*>(library.symbol("fixture_value"));
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(*value, 0x5EED1234u);
    EXPECT_EQ(library.symbol("no_such_name"), nullptr);

    // Windows keeps the module's file while it is loaded; it is named by GetTempFileNameA.
    const auto files = folder.Files();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].rfind("bas", 0), 0u) << files[0];

    library.close();
    EXPECT_FALSE(library.isOpen());
    EXPECT_EQ(library.symbol("fixture_value"), nullptr);
    EXPECT_TRUE(folder.Files().empty());
}

TEST(SharedLibraryWin32, SecondImageReplacesTheFirstAndItsFile) {
    TemporaryFolder folder;
    {
        platform::SharedLibrary library;
        ASSERT_TRUE(library.openImage(FixtureDll(1), folder.Path(), "bas"));
        ASSERT_TRUE(library.openImage(FixtureDll(2), folder.Path(), "bas"));
        const auto* value = static_cast<const std::uint32_t*>(library.symbol("fixture_value"));
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(*value, 2u);
        EXPECT_EQ(folder.Files().size(), 1u);
    }
    // The destructor closes as close() does.
    EXPECT_TRUE(folder.Files().empty());
}

TEST(SharedLibraryWin32, EmptyFolderMeansTheSystemsTemporaryFolder) {
    platform::SharedLibrary library;
    ASSERT_TRUE(library.openImage(FixtureDll(7), "", "bas"));
    char module[MAX_PATH + 1] = {};
    const auto* value = library.symbol("fixture_value");
    HMODULE handle = nullptr;
    ASSERT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                       GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   static_cast<const char*>(value), &handle));
    ASSERT_GT(GetModuleFileNameA(handle, module, sizeof module), 0u);
    const std::string path = module;
    EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    library.close();
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD done = 0;
    ::WriteFile(file, bytes.data(), DWORD(bytes.size()), &done, nullptr);
    CloseHandle(file);
}

// A killed run leaves its copy behind: the next load removes copies of the same image that no
// module holds, and nothing else.
TEST(SharedLibraryWin32, StaleCopiesOfTheSameImageGoAndOthersStay) {
    TemporaryFolder folder;
    const auto image = FixtureDll(9);
    WriteFile(folder.Path() + "\\basA1.tmp", image);
    WriteFile(folder.Path() + "\\basA2.tmp", FixtureDll(10));
    WriteFile(folder.Path() + "\\other.tmp", image);
    platform::SharedLibrary held;
    ASSERT_TRUE(held.openImage(image, folder.Path(), "bas"));
    ASSERT_EQ(folder.Files().size(), 3u);

    platform::SharedLibrary library;
    ASSERT_TRUE(library.openImage(image, folder.Path(), "bas"));
    auto files = folder.Files();
    std::sort(files.begin(), files.end());
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(std::count(files.begin(), files.end(), "basA1.tmp"), 0) << "the stale copy stayed";
    EXPECT_EQ(std::count(files.begin(), files.end(), "basA2.tmp"), 1);
    EXPECT_EQ(std::count(files.begin(), files.end(), "other.tmp"), 1);

    // Both loaded copies remain usable, and each goes with its module.
    const auto* value = static_cast<const std::uint32_t*>(held.symbol("fixture_value"));
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(*value, 9u);
    held.close();
    library.close();
    EXPECT_EQ(folder.Files().size(), 2u);
}

TEST(SharedLibraryWin32, BadImagesAndPathsFailQuietlyLeavingNoFile) {
    TemporaryFolder folder;
    platform::SharedLibrary library;

    EXPECT_FALSE(library.openImage({}, folder.Path(), "bas"));

    const std::vector<std::uint8_t> text(300, 'x');
    EXPECT_FALSE(library.openImage(text, folder.Path(), "bas"));

    auto cut = FixtureDll(3);
    cut.resize(0x180);
    EXPECT_FALSE(library.openImage(cut, folder.Path(), "bas"));
    EXPECT_FALSE(library.isOpen());
    EXPECT_TRUE(folder.Files().empty());

    EXPECT_FALSE(library.openImage(FixtureDll(4), folder.Path() + "\\missing\\deeper", "bas"));
    EXPECT_FALSE(library.open(folder.Path() + "\\no-such-module.dll"));
    EXPECT_FALSE(library.open(""));
    EXPECT_FALSE(library.isOpen());
    EXPECT_EQ(library.symbol("fixture_value"), nullptr);
    EXPECT_TRUE(folder.Files().empty());
}

TEST(SharedLibraryWin32, FailedOpenClosesTheEarlierModule) {
    TemporaryFolder folder;
    platform::SharedLibrary library;
    ASSERT_TRUE(library.openImage(FixtureDll(5), folder.Path(), "bas"));
    EXPECT_FALSE(library.open(folder.Path() + "\\no-such-module.dll"));
    EXPECT_FALSE(library.isOpen());
    EXPECT_TRUE(folder.Files().empty());
}

}  // namespace
