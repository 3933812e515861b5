// The version check against the system's real OpenGL (run under Xvfb with Mesa).
#include <gtest/gtest.h>

#include "app/directx_version.h"

namespace {

TEST(SystemGlVersion, HiddenContextReportsAtLeast33) {
    auto& probe = platform::GlVersionProbe::System();
    const auto text = probe.ContextVersion();
    ASSERT_TRUE(text);
    int major = 0;
    int minor = 0;
    ASSERT_TRUE(app::ParseGlVersion(*text, major, minor)) << *text;
    EXPECT_GE(major * 256 + minor, 3 * 256 + 3) << *text;

    std::uint32_t packed = 0;
    char version[10];
    EXPECT_EQ(app::GetDirectXVersion(&packed, version, sizeof version), app::S_OK);
    EXPECT_EQ(packed, app::PackVersion(major, minor, ' '));
    EXPECT_EQ(std::string(version), std::to_string(major) + "." + std::to_string(minor));
    EXPECT_TRUE(app::GraphicsVersionSufficient());
}

TEST(SystemGlVersion, LibrariesAreProbedWithoutAContext) {
    auto& probe = platform::GlVersionProbe::System();
    EXPECT_TRUE(probe.LibraryExports("libGL.so.1", "glXChooseVisual"));
    EXPECT_FALSE(probe.LibraryExports("libGL.so.1", "glNoSuchEntryPoint"));
    EXPECT_FALSE(probe.LibraryExports("libzorvane-no-such-library.so", "glXChooseVisual"));
}

}  // namespace
