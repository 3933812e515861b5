#include "app/directx_version.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/fake/scripted_gl_probe.h"

namespace {

using platform::fake::ScriptedGlProbe;

TEST(PackVersion, PacksMajorMinorAndLetter) {
    EXPECT_EQ(app::PackVersion(9, 0, ' '), 0x00090000u);
    EXPECT_EQ(app::PackVersion(9, 0, 'c'), 0x00090003u);
    EXPECT_EQ(app::PackVersion(9, 0, 'C'), 0x00090003u);
    EXPECT_EQ(app::PackVersion(8, 1, 'b'), 0x00080102u);
    EXPECT_EQ(app::PackVersion(3, 3, ' '), 0x00030300u);
    EXPECT_EQ(app::PackVersion(4, 6, 'z'), 0x0004061Au);
    EXPECT_EQ(app::PackVersion(3, 3, '1'), 0x00030300u);
}

TEST(FormatVersionText, WritesLetterOnlyWhenThereIsOneAndAlwaysTerminates) {
    char text[10];
    app::FormatVersionText(9, 0, 'c', text, sizeof text);
    EXPECT_STREQ(text, "9.0c");
    app::FormatVersionText(4, 6, ' ', text, sizeof text);
    EXPECT_STREQ(text, "4.6");
    char small[4] = {'x', 'x', 'x', 'x'};
    app::FormatVersionText(12, 34, 'a', small, sizeof small);
    EXPECT_STREQ(small, "12.");
}

struct GlTextCase {
    const char* text;
    bool ok;
    int major;
    int minor;
};

class ParseGlVersionTest : public testing::TestWithParam<GlTextCase> {};

TEST_P(ParseGlVersionTest, ReadsMajorAndMinor) {
    const GlTextCase& c = GetParam();
    int major = -1;
    int minor = -1;
    EXPECT_EQ(app::ParseGlVersion(c.text, major, minor), c.ok) << c.text;
    if (c.ok) {
        EXPECT_EQ(major, c.major) << c.text;
        EXPECT_EQ(minor, c.minor) << c.text;
    } else {
        EXPECT_EQ(major, -1);
        EXPECT_EQ(minor, -1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseGlVersionTest,
    testing::Values(GlTextCase{"4.5 (Core Profile) Mesa 22.3.6", true, 4, 5},
                    GlTextCase{"3.3.0 NVIDIA 535.54", true, 3, 3},
                    GlTextCase{"2.1 Mesa 9.2", true, 2, 1}, GlTextCase{"4.6", true, 4, 6},
                    GlTextCase{"OpenGL ES 3.2 Mesa 22.3.6", true, 3, 2},
                    GlTextCase{"OpenGL ES-CM 1.1", true, 1, 1}, GlTextCase{"", false, 0, 0},
                    GlTextCase{"4", false, 0, 0}, GlTextCase{"4.", false, 0, 0},
                    GlTextCase{".5", false, 0, 0}, GlTextCase{"v4.5", false, 0, 0},
                    GlTextCase{"OpenGL ES", false, 0, 0}, GlTextCase{"256.0", false, 0, 0},
                    GlTextCase{"9999999999.1", false, 0, 0}));

TEST(GetDirectXVersion, ContextVersionDecides) {
    ScriptedGlProbe probe;
    probe.contextVersion = "4.5 (Core Profile) Mesa 22.3.6";
    probe.exports = {{"libGL.so.1", "glXChooseVisual"}};
    std::uint32_t packed = 1;
    char text[10] = "junk";
    EXPECT_EQ(app::GetDirectXVersion(&packed, text, sizeof text, probe), app::S_OK);
    EXPECT_EQ(packed, 0x00040500u);
    EXPECT_STREQ(text, "4.5");
}

TEST(GetDirectXVersion, UnreadableContextVersionFallsBackToLibraries) {
    ScriptedGlProbe probe;
    probe.contextVersion = "garbage";
    probe.exports = {{"libGL.so.1", "glXChooseVisual"},
                     {"libGL.so.1", "glCreateShader"},
                     {"libOpenGL.so.0", "glBindSampler"}};
    std::uint32_t packed = 0;
    char text[10];
    EXPECT_EQ(app::GetDirectXVersion(&packed, text, sizeof text, probe), app::S_OK);
    EXPECT_EQ(packed, 0x00030300u);
    EXPECT_STREQ(text, "3.3");
}

TEST(GetDirectXVersion, LibraryChecksRunInOrderAndTheLastHitWins) {
    ScriptedGlProbe probe;
    // Checks run from old to new and each hit replaces the last, so gaps don't matter.
    probe.exports = {{"libGL.so.1", "glActiveTexture"}, {"libGL.so.1", "glSpecializeShader"}};
    std::uint32_t packed = 0;
    EXPECT_EQ(app::GetDirectXVersion(&packed, nullptr, 0, probe), app::S_OK);
    EXPECT_EQ(packed, 0x00040600u);

    probe.exports = {{"libGL.so.1", "glXChooseVisual"}, {"libGL.so.1", "glUniformMatrix2x3fv"}};
    EXPECT_EQ(app::GetDirectXVersion(&packed, nullptr, 0, probe), app::S_OK);
    EXPECT_EQ(packed, 0x00020100u);
}

TEST(GetDirectXVersion, NeitherMethodFailsWithClearedOutputs) {
    ScriptedGlProbe probe;
    probe.exports = {{"libSomethingElse.so", "glBindSampler"}};
    std::uint32_t packed = 77;
    char text[10] = "old";
    EXPECT_EQ(app::GetDirectXVersion(&packed, text, sizeof text, probe), app::E_FAIL);
    EXPECT_EQ(packed, 0u);
    EXPECT_STREQ(text, "");
    EXPECT_FALSE(app::GraphicsVersionSufficient(probe));
}

TEST(GetDirectXVersion, GateIsOpenGl33) {
    ScriptedGlProbe probe;
    probe.contextVersion = "3.2 Mesa";
    EXPECT_FALSE(app::GraphicsVersionSufficient(probe));
    probe.contextVersion = "3.3 Mesa";
    EXPECT_TRUE(app::GraphicsVersionSufficient(probe));
    probe.contextVersion = "10.0";
    EXPECT_TRUE(app::GraphicsVersionSufficient(probe));
    // An old context wins over libraries that export newer entry points.
    probe.contextVersion = "2.1 Mesa";
    probe.exports = {{"libGL.so.1", "glSpecializeShader"}};
    EXPECT_FALSE(app::GraphicsVersionSufficient(probe));
}

}  // namespace
