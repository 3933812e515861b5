// The module resources of a Windows program: every entry of the manifest found by its type in
// any case and its id, byte for byte the file it was built from, and nothing for a type or id
// the program does not carry.
#include "platform/resources.h"
#include "platform/shared_library.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> Bytes(std::span<const std::uint8_t> span) {
    return {span.begin(), span.end()};
}

struct ShippedResource {
    const char* type;
    std::uint32_t id;
    const char* file;  // below resources/
};

// The types windres would take for its own statements (BITMAP, DIALOG) among the others.
const ShippedResource kShipped[] = {
    {"BITMAP", 141, "about_picture.bmp"},   {"BITMAP", 173, "preview.bmp"},
    {"CustomData", 193, "def_settings.txt"}, {"CustomData", 194, "texts.txt"},
    {"DIALOG", 103, "dialog_103.dlg"},      {"DIALOG", 132, "dialog_132.dlg"},
    {"MEMFILE", 186, "loading.jpg"},        {"MEMFILE", 190, "corner_top_right.tga"},
};

TEST(ModuleResourcesWin32, EveryShippedFileIsFoundWholeByTypeInAnyCase) {
    const auto& module = platform::Resources::Module();
    for (const auto& r : kShipped) {
        SCOPED_TRACE(std::string(r.type) + " " + std::to_string(r.id));
        const auto expected = ReadFile(std::string(ZORVANE_SOURCE_DIR) + "/resources/" + r.file);
        ASSERT_FALSE(expected.empty());
        std::string lower(r.type);
        for (char& c : lower) {
            c = char(std::tolower(static_cast<unsigned char>(c)));
        }
        const auto exact = module.Find(r.type, r.id);
        const auto other = module.Find(lower, r.id);
        ASSERT_TRUE(exact);
        ASSERT_TRUE(other);
        EXPECT_EQ(exact->data(), other->data());
        // A bitmap keeps its file header: the resource is our data, not Windows' RT_BITMAP.
        EXPECT_EQ(Bytes(*exact), expected);
    }
}

TEST(ModuleResourcesWin32, TheMediaArchiveIsCarried) {
    const auto archive = platform::Resources::Module().Find("memfile", 147);
    ASSERT_TRUE(archive);
    ASSERT_GT(archive->size(), 7u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(archive->data()), 4), "Rar!");
}

// The sound module travels as a DLL image that loads from its temporary copy with the eleven
// names the program calls.
TEST(ModuleResourcesWin32, TheSoundModuleIsCarriedAndLoads) {
    const auto image = platform::Resources::Module().Find("BASS", 185);
    ASSERT_TRUE(image);
    ASSERT_GT(image->size(), 2u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(image->data()), 2), "MZ");
    platform::SharedLibrary module;
    ASSERT_TRUE(module.openImage(*image, "", "bas"));
    for (const char* name :
         {"BASS_Init", "BASS_Set3DFactors", "BASS_Apply3D", "BASS_SetConfig", "BASS_SampleLoad",
          "BASS_SampleGetChannel", "BASS_ChannelPlay", "BASS_ChannelSetAttributes",
          "BASS_ChannelSet3DAttributes", "BASS_ChannelSet3DPosition", "BASS_Set3DPosition"}) {
        EXPECT_NE(module.symbol(name), nullptr) << name;
    }
    EXPECT_EQ(module.symbol("BASS_Free"), nullptr);
    // Device 0 is no sound, and it always starts.
    using Init = int (*)(int, std::uint32_t, std::uint32_t, void*, void*);
    using SetConfig = std::uint32_t (*)(std::uint32_t, std::uint32_t);
    const auto init = reinterpret_cast<Init>(module.symbol("BASS_Init"));
    const auto setConfig = reinterpret_cast<SetConfig>(module.symbol("BASS_SetConfig"));
    ASSERT_TRUE(init && setConfig);
    EXPECT_EQ(init(0, 44100, 0, nullptr, nullptr), 1);
    EXPECT_EQ(setConfig(4, 50), 1u);
    EXPECT_EQ(setConfig(4, 101), 0u);
}

TEST(ModuleResourcesWin32, TypesAndIdsTheProgramDoesNotCarryFindNothing) {
    const auto& module = platform::Resources::Module();
    EXPECT_FALSE(module.Find("CustomData", 195));
    EXPECT_FALSE(module.Find("CustomDat", 193));
    EXPECT_FALSE(module.Find("", 193));
    EXPECT_FALSE(module.Find(std::string_view("DIALOG\0X", 8), 103));
    // Windows reads "#5" as the numbered type 5 (its own dialogs); ours are names only.
    EXPECT_FALSE(module.Find("#5", 103));
    EXPECT_FALSE(module.Find("#24", 1));
    EXPECT_FALSE(module.Find("DIALOG", 0));
    EXPECT_FALSE(module.Find("DIALOG", 103 + 0x10000));
}

}  // namespace
