#include "app/direct3d_version.h"

#include <gtest/gtest.h>

#include "app/directx_version.h"
#include "platform/fake/scripted_directx_probe.h"

namespace {

using platform::FileVersion;
using platform::fake::ScriptedDirectXProbe;

struct Checked {
    std::int32_t result = 0;
    std::uint32_t packed = 0xFFFFFFFF;
    std::string text;
};

Checked Check(ScriptedDirectXProbe& probe) {
    Checked checked;
    char text[10] = "junk";
    checked.result = app::GetDirectXVersion(&checked.packed, text, sizeof text, probe);
    checked.text = text;
    return checked;
}

TEST(GetDirectXVersion, ProviderDecidesWhenItReportsAllThree) {
    ScriptedDirectXProbe probe;
    probe.provider = platform::DiagnosticDirectXVersion{9, 0, 'C'};
    probe.files["d3d9.dll"] = FileVersion(5, 3, 2600, 5512);
    probe.files["ddraw.dll"] = FileVersion(4, 7, 0, 700);
    const Checked checked = Check(probe);
    EXPECT_EQ(checked.result, app::S_OK);
    EXPECT_EQ(checked.packed, 0x00090003u);
    EXPECT_EQ(checked.text, "9.0c");
    EXPECT_TRUE(app::DirectXVersionSufficient(probe));

    probe.provider = platform::DiagnosticDirectXVersion{8, 1, 'b'};
    EXPECT_EQ(Check(probe).packed, 0x00080102u);
    EXPECT_FALSE(app::DirectXVersionSufficient(probe));

    // Windows reports a blank letter when there is none.
    probe.provider = platform::DiagnosticDirectXVersion{9, 0, ' '};
    EXPECT_EQ(Check(probe).text, "9.0");
    EXPECT_TRUE(app::DirectXVersionSufficient(probe));
}

TEST(GetDirectXVersion, WithoutTheProviderAReadableD3d9PassesTheGate) {
    ScriptedDirectXProbe probe;
    probe.files["d3d9.dll"] = 0;
    const Checked checked = Check(probe);
    EXPECT_EQ(checked.result, app::S_OK);
    EXPECT_EQ(checked.packed, 0x00090000u);
    EXPECT_EQ(checked.text, "9.0");
    EXPECT_TRUE(app::DirectXVersionSufficient(probe));
    EXPECT_GE(probe.providerQueries, 1);
}

TEST(GetDirectXVersion, FileRowsRunInOrderAndTheLastHitWins) {
    ScriptedDirectXProbe probe;
    probe.files["ddraw.dll"] = FileVersion(4, 7, 0, 700);
    EXPECT_EQ(Check(probe).text, "7.0");
    probe.files["dinput.dll"] = FileVersion(4, 7, 0, 716);
    EXPECT_EQ(Check(probe).text, "7.0a");
    probe.files["d3d8.dll"] = FileVersion(4, 8, 1, 901);
    EXPECT_EQ(Check(probe).text, "8.1a");
    probe.files["mpg2splt.ax"] = FileVersion(6, 3, 1, 885);
    EXPECT_EQ(Check(probe).packed, 0x00080102u);
    probe.files["dpnet.dll"] = FileVersion(5, 2, 3677, 134);
    EXPECT_EQ(Check(probe).text, "8.2");
    EXPECT_FALSE(app::DirectXVersionSufficient(probe));
    // An earlier row hit after a later one does not take the result back.
    probe.files["d3drg8x.dll"] = FileVersion(4, 4, 0, 70);
    EXPECT_EQ(Check(probe).text, "8.2");
}

TEST(GetDirectXVersion, TwoLineRowsCompareWithinTheirOwnMajorPart) {
    ScriptedDirectXProbe probe;
    // A 5.x ddraw older than the NT line's 8.0 is above the 9x line's, which must not count.
    probe.files["ddraw.dll"] = FileVersion(5, 0, 0, 0);
    EXPECT_EQ(Check(probe).text, "7.0");
    probe.files["ddraw.dll"] = FileVersion(5, 1, 2258, 400);
    EXPECT_EQ(Check(probe).text, "8.0");
    probe.files["ddraw.dll"] = FileVersion(4, 8, 0, 400);
    EXPECT_EQ(Check(probe).text, "8.0");
    probe.files["d3d8.dll"] = FileVersion(5, 1, 2600, 900);
    EXPECT_EQ(Check(probe).text, "8.1");
    probe.files["d3d8.dll"] = FileVersion(6, 0, 0, 0);
    EXPECT_EQ(Check(probe).text, "8.0");
}

TEST(GetDirectXVersion, NeitherWayFailsWithClearedOutputs) {
    ScriptedDirectXProbe probe;
    probe.files["ddraw.dll"] = FileVersion(4, 2, 0, 94);
    const Checked checked = Check(probe);
    EXPECT_EQ(checked.result, app::E_FAIL);
    EXPECT_EQ(checked.packed, 0u);
    EXPECT_EQ(checked.text, "");
    EXPECT_FALSE(app::DirectXVersionSufficient(probe));
    EXPECT_EQ(app::GetDirectXVersion(nullptr, nullptr, 0, probe), app::E_FAIL);
}

}  // namespace
