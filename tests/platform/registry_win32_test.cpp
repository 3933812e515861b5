// The registry of the current user, for real: a key of the test's own under HKEY_CURRENT_USER,
// deleted afterwards.
#include <gtest/gtest.h>

#include <string>

#include "platform/registry.h"
#include "platform/win32/win32_api.h"

namespace {

using platform::Registry;
using platform::RegistryAccess;

class RegistryWin32Test : public testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str()); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str()); }

    // What the registry holds now, read past our classes.
    bool StoredRaw(const char* name, ::DWORD& type, std::string& bytes) const {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_QUERY_VALUE, &key) !=
            ERROR_SUCCESS) {
            return false;
        }
        char data[512] = {};
        ::DWORD size = sizeof data;
        const bool found =
            RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) ==
            ERROR_SUCCESS;
        RegCloseKey(key);
        bytes.assign(data, found ? size : 0);
        return found;
    }

    void PutRaw(const char* name, ::DWORD type, const void* data, ::DWORD size) const {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }

    std::string key_ =
        "Software\\Maravek Studio\\Zorvane Test " + std::to_string(GetCurrentProcessId());
};

TEST_F(RegistryWin32Test, ValuesReachTheRegistryOnCloseAndReadBack) {
    auto key = Registry::CurrentUser().CreateKey(key_, RegistryAccess::Write);
    ASSERT_TRUE(key);
    ASSERT_TRUE(platform::SetDword(*key, "Width", 1024));
    ASSERT_TRUE(platform::SetString(*key, "PhotoPath", "C:\\p.png"));
    const std::uint8_t bytes[] = {1, 2, 3};
    ASSERT_TRUE(key->SetValue("Blob", REG_BINARY, bytes));
    ::DWORD type = 0;
    std::string raw;
    EXPECT_FALSE(StoredRaw("Width", type, raw));
    // A value set but not yet stored reads back from the key itself.
    std::uint32_t width = 0;
    EXPECT_TRUE(platform::QueryDword(*key, "WIDTH", width));
    EXPECT_EQ(width, 1024u);
    ASSERT_TRUE(key->Close());

    ASSERT_TRUE(StoredRaw("Width", type, raw));
    EXPECT_EQ(type, static_cast<::DWORD>(REG_DWORD));
    EXPECT_EQ(raw, std::string("\x00\x04\x00\x00", 4));
    ASSERT_TRUE(StoredRaw("PhotoPath", type, raw));
    EXPECT_EQ(type, static_cast<::DWORD>(REG_SZ));
    EXPECT_EQ(raw, std::string("C:\\p.png\0", 9));

    auto reader = Registry::CurrentUser().CreateKey(key_, RegistryAccess::Read);
    ASSERT_TRUE(reader);
    width = 0;
    std::string path;
    EXPECT_TRUE(platform::QueryDword(*reader, "width", width));
    EXPECT_EQ(width, 1024u);
    EXPECT_TRUE(platform::QueryString(*reader, "photopath", path, 256));
    EXPECT_EQ(path, "C:\\p.png");
    std::uint32_t blobType = 0;
    std::vector<std::uint8_t> blob;
    EXPECT_TRUE(reader->QueryValue("Blob", blobType, blob, 3));
    EXPECT_EQ(blobType, static_cast<std::uint32_t>(REG_BINARY));
    EXPECT_EQ(blob, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(reader->QueryValue("Blob", blobType, blob, 2));
    EXPECT_FALSE(platform::SetDword(*reader, "Width", 1));
    EXPECT_TRUE(reader->Close());
}

TEST_F(RegistryWin32Test, AKeyDroppedWithoutCloseStoresNothing) {
    {
        auto key = Registry::CurrentUser().CreateKey(key_, RegistryAccess::Write);
        ASSERT_TRUE(key);
        platform::SetDword(*key, "Width", 1);
    }
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
}

TEST_F(RegistryWin32Test, ValuesOfTheWrongTypeOrSizeReadAsAbsent) {
    const char text[] = "text";
    const std::uint32_t number = 5;
    const std::uint16_t shortNumber = 5;
    const std::uint8_t bytes[] = {1, 2, 3, 4};
    const char longText[] = "0123456789";
    PutRaw("s", REG_SZ, text, sizeof text);
    PutRaw("d", REG_DWORD, &number, sizeof number);
    PutRaw("short", REG_DWORD, &shortNumber, sizeof shortNumber);
    PutRaw("b", REG_BINARY, bytes, sizeof bytes);
    PutRaw("long", REG_SZ, longText, sizeof longText);
    auto key = Registry::CurrentUser().CreateKey(key_, RegistryAccess::Read);
    ASSERT_TRUE(key);
    std::uint32_t value = 77;
    std::string read = "kept";
    EXPECT_FALSE(platform::QueryDword(*key, "s", value));
    EXPECT_FALSE(platform::QueryDword(*key, "short", value));
    EXPECT_FALSE(platform::QueryDword(*key, "b", value));
    EXPECT_FALSE(platform::QueryDword(*key, "missing", value));
    EXPECT_EQ(value, 77u);
    EXPECT_FALSE(platform::QueryString(*key, "d", read, 256));
    // Windows keeps a text's terminating zero: ten letters need eleven bytes.
    EXPECT_FALSE(platform::QueryString(*key, "long", read, 10));
    EXPECT_EQ(read, "kept");
    EXPECT_TRUE(platform::QueryDword(*key, "d", value));
    EXPECT_EQ(value, 5u);
    EXPECT_TRUE(platform::QueryString(*key, "long", read, 11));
    EXPECT_EQ(read, "0123456789");
}

TEST_F(RegistryWin32Test, MissingKeysOpenEmptyAndBadPathsOpenNothing) {
    auto missing = Registry::CurrentUser().CreateKey(key_ + "\\Nowhere", RegistryAccess::Read);
    ASSERT_TRUE(missing);
    std::uint32_t value = 0;
    EXPECT_FALSE(platform::QueryDword(*missing, "Width", value));
    EXPECT_TRUE(missing->Close());
    // Closing a key without changes creates nothing.
    auto unchanged = Registry::CurrentUser().CreateKey(key_, RegistryAccess::Write);
    ASSERT_TRUE(unchanged);
    EXPECT_TRUE(unchanged->Close());
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);

    for (const std::string& path : {std::string(), std::string("\\Software"),
                                    std::string("Software\\\\X"), std::string("Software\\"),
                                    std::string(300, 'k'), std::string("Soft\0ware", 9)}) {
        EXPECT_FALSE(Registry::CurrentUser().CreateKey(path, RegistryAccess::Write));
    }
}

}  // namespace
