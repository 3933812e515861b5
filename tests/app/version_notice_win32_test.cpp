// The DirectX gate of a Windows start: a probe reporting an old DirectX brings dialog 129 up on
// Windows' own controls, its first button offers the download page, and nothing else runs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/direct3d_version.h"
#include "app/process.h"
#include "app/version_notice.h"
#include "config_dialog_fixture.h"
#include "platform/fake/scripted_directx_probe.h"
#include "window_picture_win32.h"

namespace {

using platform::DialogController;

class VersionNoticeWin32Test : public testing::Test {
protected:
    VersionNoticeWin32Test() {
        resources.Add("DIALOG", 129, app::test::ShippedResource("windows/dialog_129.dlg"));
    }

    // A saver start as the Windows program makes it, with the probe's answer deciding.
    int Start() {
        app::ProcessServices services;
        services.unixCommandLine = false;
        services.prepareProcess = nullptr;
        services.useDaemonWindow = nullptr;
        services.setScreenSaverRunning = [this](bool) { ++runningFlags; };
        services.graphicsRuntimeSufficient = [this] {
            return app::DirectXVersionSufficient(probe);
        };
        services.showVersionNotice = [this] {
            app::ShowVersionNotice(resources, platform::Dialogs::System(), urls,
                                   app::kDirectXDownloadUrl);
        };
        services.application = [this]() -> app::SaverApplication* {
            ++applications;
            return nullptr;
        };
        services.destroyApplication = [] {};
        const char* args[] = {"C:\\zorvane.scr", "/s"};
        return app::WindowsExitCode(app::RunProcess(2, args, services));
    }

    platform::fake::ScriptedDirectXProbe probe;
    platform::fake::MemoryResources resources;
    platform::fake::RecordingUrlOpener urls;
    int applications = 0;
    int runningFlags = 0;
};

TEST_F(VersionNoticeWin32Test, AnOldDirectXShowsTheNoticeAndItsButtonOffersTheDownload) {
    probe.provider = platform::DiagnosticDirectXVersion{8, 1, 'b'};
    bool shown = false;
    platform::Dialogs::System().Drive([&](DialogController& c) {
        shown = true;
        EXPECT_EQ(c.Caption(), "Dialog");
        EXPECT_EQ(c.ItemText(2), "Cancel");
        // The procedure places it at 300, 300, 390 by 131 pixels.
        const HWND window = reinterpret_cast<HWND>(c.Handle());
        RECT rect{};
        GetWindowRect(window, &rect);
        EXPECT_EQ(rect.left, 300);
        EXPECT_EQ(rect.top, 300);
        EXPECT_EQ(rect.right - rect.left, 390);
        EXPECT_EQ(rect.bottom - rect.top, 131);
        c.WaitUntilDrawn();
        app::test::SaveWindowPicture(window,
                                     std::string(ZORVANE_BINARY_DIR) + "/shots/windows_notice.bmp");
        c.Click(1);
    });
    EXPECT_EQ(Start(), 1);
    EXPECT_TRUE(shown);
    EXPECT_EQ(urls.opened, std::vector<std::string>{std::string(app::kDirectXDownloadUrl)});
    EXPECT_EQ(applications, 0);
    EXPECT_EQ(runningFlags, 0);
}

TEST_F(VersionNoticeWin32Test, NoVersionAtAllShowsTheNoticeAndCancelOpensNothing) {
    bool shown = false;
    platform::Dialogs::System().Drive([&](DialogController& c) {
        shown = true;
        c.Click(2);
    });
    EXPECT_EQ(Start(), 1);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(urls.opened.empty());
    EXPECT_EQ(applications, 0);
}

TEST_F(VersionNoticeWin32Test, DirectX9FromTheFilesPassesWithoutANotice) {
    probe.files["d3d9.dll"] = platform::FileVersion(5, 3, 2600, 5512);
    // A start that fails after the gate ends with 0; no dialog is waiting for a script.
    EXPECT_EQ(Start(), 0);
    EXPECT_EQ(applications, 1);
}

// The probe of the running system: Wine's DirectX passes the gate, whichever way it answers.
TEST(DirectXProbeWin32, TheSystemReportsDirectX9OrLater) {
    auto& probe = platform::DirectXProbe::System();
    std::uint32_t packed = 0;
    char text[10] = {};
    EXPECT_EQ(app::GetDirectXVersion(&packed, text, sizeof text, probe), S_OK);
    EXPECT_GE(packed, app::kRequiredDirectXVersion) << text;
    EXPECT_TRUE(probe.SystemFileVersion("d3d9.dll"));
    EXPECT_FALSE(probe.SystemFileVersion("no such file.dll"));
}

}  // namespace
