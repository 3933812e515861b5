#include "app/process.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fake/fake_window.h"
#include "platform/fake/gfx/fake_runtime.h"
#include "platform/fake/memory_registry.h"
#include "platform/fake/memory_resources.h"
#include "platform/fake/recording_message_box.h"

namespace {

using platform::DesktopBlanking;

std::int64_t fakeNow = 0;
std::int64_t FakeClock() {
    return fakeNow;
}

// The whole process on fakes: what it asks of the platform, and the application it makes.
class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        fakeNow = 5000;
        resources.Add("CustomData", 193,
                      "UseDktpSet=true\r\nExitOnMouseMove=false\r\nShowTime=false\r\n"
                      "DigClock_24H=false\r\nMusic=true\r\nSFX=true\r\nMusicVolume=50\r\n"
                      "ShowFPS=false\r\nGammControl=100\r\nAdapter=0\r\nMW=800\r\nMH=600\r\n"
                      "MBitCount=32\r\n");
        resources.Add("CustomData", 194, "[Saver window]\r\n#Screensaver_Name#\r\nZorvane\r\n");
    }

    app::SaverServices SaverServices() {
        app::SaverServices services;
        services.resources = &resources;
        services.registry = &registry;
        services.messageBox = &messageBoxes;
        services.clock = &FakeClock;
        services.inputDevices = nullptr;
        services.runtime = [this]() -> gfx::Runtime* { return new gfx::fake::FakeRuntime(script); };
        services.windowFactory =
            [this](const platform::WindowDesc& desc,
                   platform::WindowProcedure procedure) -> std::unique_ptr<platform::Window> {
            windowDesc = desc;
            if (desc.kind == platform::WindowKind::Child && desc.parent == 0) {
                return nullptr;
            }
            auto window = std::make_unique<platform::fake::FakeWindow>(desc, std::move(procedure),
                                                                       &FakeClock);
            window->SetIdleHook([] { fakeNow += 10; });
            // The full-screen loop ends on its first key.
            window->Inject(platform::WM_KEYDOWN, 'Q');
            return window;
        };
        return services;
    }

    app::ProcessServices Services() {
        app::ProcessServices services;
        services.prepareProcess = [this](DesktopBlanking blanking) {
            calls.push_back(blanking == DesktopBlanking::HeldOff ? "prepare held off"
                                                                 : "prepare allowed");
        };
        services.graphicsRuntimeSufficient = [this] {
            calls.push_back("version check");
            return runtimeSufficient;
        };
        services.showVersionNotice = [this] { calls.push_back("notice"); };
        services.setScreenSaverRunning = [this](bool running) {
            calls.push_back(running ? "running" : "not running");
        };
        services.application = [this] {
            calls.push_back("application");
            application = std::make_unique<app::SaverApplication>(SaverServices());
            return application.get();
        };
        services.destroyApplication = [this] {
            calls.push_back("destroyed");
            showedFrameRate = application->Settings().ShowFps;
            application.reset();
        };
        services.out = &out;
        services.err = &err;
        services.useDaemonWindow = [this](std::uint64_t id) {
            calls.push_back("daemon window " + std::to_string(id));
        };
        services.unixCommandLine = unixCommandLine;
        return services;
    }

    // The exit code Windows sees.
    int Run(std::vector<const char*> args) {
        return app::WindowsExitCode(RunEnd(std::move(args)));
    }

    app::ProcessEnd RunEnd(std::vector<const char*> args) {
        args.insert(args.begin(), "/usr/bin/zorvane");
        return app::RunProcess(int(args.size()), args.data(), Services());
    }

    platform::fake::MemoryResources resources;
    platform::fake::MemoryRegistry registry;
    platform::fake::RecordingMessageBox messageBoxes;
    gfx::fake::FakeScript script{{gfx::fake::StandardAdapter()}};
    std::unique_ptr<app::SaverApplication> application;
    platform::WindowDesc windowDesc;
    bool runtimeSufficient = true;
    bool unixCommandLine = false;
    bool showedFrameRate = false;
    std::vector<std::string> calls;
    std::ostringstream out;
    std::ostringstream err;
};

using Calls = std::vector<std::string>;

TEST_F(ProcessTest, OnlyTheFullScreenModesHoldTheDesktopsBlankingOff) {
    struct Case {
        std::vector<const char*> args;
        int exitCode;
        Calls calls;
    };
    const Calls allowed = {"prepare allowed", "version check", "application", "destroyed"};
    const Calls heldOff = {"prepare held off", "version check", "application",
                           "running",          "not running",   "destroyed"};
    const Case cases[] = {
        {{}, 1, allowed},
        {{"/c"}, 1, allowed},
        {{"/c:0x2a00003"}, 1, allowed},
        {{"/p", "0x2a00003"}, 1, allowed},
        {{"/s"}, 1, heldOff},
        {{"-S"}, 1, heldOff},
        {{"/t"}, 1, heldOff},
        {{"/x"}, 1, heldOff},
        // Starts that fail end with 0 and leave the application to the process's end.
        {{"/a", "42"}, 0, {"prepare allowed", "version check", "application"}},
        {{"/p"}, 0, {"prepare allowed", "version check", "application"}},
    };
    for (const Case& c : cases) {
        calls.clear();
        std::string line;
        for (const char* a : c.args) {
            line += std::string(a) + " ";
        }
        EXPECT_EQ(Run(c.args), c.exitCode) << line;
        EXPECT_EQ(calls, c.calls) << line;
        EXPECT_TRUE(out.str().empty()) << line;
        application.reset();
    }
}

TEST_F(ProcessTest, PreviewGetsTheWindowWrittenInHex) {
    EXPECT_EQ(Run({"/p", "0x400001"}), 1);
    EXPECT_EQ(windowDesc.kind, platform::WindowKind::Child);
    EXPECT_EQ(windowDesc.parent, 0x400001u);
}

TEST_F(ProcessTest, FullScreenStartThatFailsLetsTheDesktopBlankAgain) {
    script.adapters.clear();
    EXPECT_EQ(Run({"/s"}), 0);
    EXPECT_EQ(calls, (Calls{"prepare held off", "version check", "application", "running",
                            "not running"}));
}

TEST_F(ProcessTest, TooOldGraphicsRuntimeShowsTheNoticeAndNothingElse) {
    runtimeSufficient = false;
    EXPECT_EQ(Run({"/s"}), 1);
    EXPECT_EQ(calls, (Calls{"prepare held off", "version check", "notice"}));
}

TEST_F(ProcessTest, HelpAndVersionPrintAndEndBeforeAnythingStarts) {
    struct Case {
        const char* arg;
        std::string printed;
    };
    const Case cases[] = {
        {"--help", app::UsageText()},
        {"-h", app::UsageText()},
        {"--version", std::string("zorvane ") + ZORVANE_VERSION + "\n"},
    };
    for (const Case& c : cases) {
        calls.clear();
        out.str("");
        EXPECT_EQ(RunEnd({c.arg}), app::ProcessEnd::Done) << c.arg;
        EXPECT_EQ(out.str(), c.printed) << c.arg;
        EXPECT_TRUE(calls.empty()) << c.arg << " started " << calls.front();
    }
    // Anywhere but first, or spelt otherwise, they are screensaver switches as before.
    calls.clear();
    EXPECT_EQ(Run({"/s", "--help"}), 1);
    EXPECT_EQ(Run({"--HELP"}), 1);
    EXPECT_EQ(Run({"-hx"}), 1);
    EXPECT_TRUE(out.str().find("Usage") == std::string::npos);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "running"), 3);
}

TEST_F(ProcessTest, OnUnixTheDaemonsOptionsRunFullScreenInBothSpellings) {
    unixCommandLine = true;
    const Calls fullScreen = {"prepare held off", "version check", "application",
                              "running",          "not running",   "destroyed"};
    for (const auto& args : std::vector<std::vector<const char*>>{
             {"-root"}, {"--root"}, {"--root", "--fps"}, {"-install", "-root"},
             {"--visual", "0x21", "--root"}, {"-visual", "default", "-root", "-fps"}}) {
        calls.clear();
        EXPECT_EQ(RunEnd(args), app::ProcessEnd::Done) << args.front();
        EXPECT_EQ(calls, fullScreen) << args.front();
        EXPECT_EQ(showedFrameRate,
                  std::find_if(args.begin(), args.end(), [](const char* a) {
                      return std::string_view(a).ends_with("-fps");
                  }) != args.end())
            << args.front();
    }
    // A window named on the line is drawn into, as if the environment had named it.
    calls.clear();
    EXPECT_EQ(RunEnd({"--window-id", "0x2a00003"}), app::ProcessEnd::Done);
    EXPECT_EQ(calls.front(), "daemon window " + std::to_string(0x2a00003));
    EXPECT_EQ(windowDesc.kind, platform::WindowKind::Popup);
    calls.clear();
    EXPECT_EQ(RunEnd({"-window-id", "44040195"}), app::ProcessEnd::Done);
    EXPECT_EQ(calls.front(), "daemon window 44040195");
    EXPECT_TRUE(err.str().empty()) << err.str();
}

TEST_F(ProcessTest, OnUnixAnUnknownLongOptionOrAMissingValueIsAUsageErrorThatStartsNothing) {
    unixCommandLine = true;
    for (const auto& args : std::vector<std::vector<const char*>>{
             {"--fullscreen"}, {"/s", "--bogus"}, {"--window-id"}, {"--window-id", "zero"},
             {"--window-id", "0"}, {"--root", "--visual"}}) {
        calls.clear();
        err.str("");
        EXPECT_EQ(RunEnd(args), app::ProcessEnd::UsageError) << args.front();
        EXPECT_EQ(app::UnixExitCode(app::ProcessEnd::UsageError), 2);
        EXPECT_TRUE(calls.empty()) << args.front();
        EXPECT_TRUE(err.str().starts_with("zorvane: ")) << err.str();
        EXPECT_NE(err.str().find("Usage: zorvane"), std::string::npos);
    }
    // Windows reads the same words as switches: any letter but a, c, p and t is the saver.
    unixCommandLine = false;
    calls.clear();
    EXPECT_EQ(Run({"--fullscreen"}), 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "running"), 1);
}

TEST_F(ProcessTest, OnUnixAFailedStartSaysWhyOnOneLineAndEndsWithOne) {
    unixCommandLine = true;
    // A failure without words of its own still gets a line.
    script.adapters.clear();
    EXPECT_EQ(app::UnixExitCode(RunEnd({"/s"})), 1);
    EXPECT_EQ(err.str(), "zorvane: the screensaver could not start\n");
    err.str("");
    EXPECT_EQ(app::UnixExitCode(RunEnd({"/a"})), 1);
    EXPECT_EQ(err.str(), "zorvane: changing the password is not supported\n");
    err.str("");
    runtimeSufficient = false;
    EXPECT_EQ(app::UnixExitCode(RunEnd({"/s"})), 1);
    EXPECT_EQ(err.str(), "zorvane: the graphics driver offers no OpenGL 3.3\n");
    // Windows keeps its own codes, and a run that ended is 0 on Unix.
    EXPECT_EQ(app::WindowsExitCode(app::ProcessEnd::RuntimeTooOld), 1);
    EXPECT_EQ(app::WindowsExitCode(app::ProcessEnd::StartFailed), 0);
    EXPECT_EQ(app::WindowsExitCode(app::ProcessEnd::Done), 1);
    EXPECT_EQ(app::UnixExitCode(app::ProcessEnd::Done), 0);
}

TEST(ProcessUsage, NamesEverySwitchTheSettingsFileAndTheEnvironment) {
    const std::string usage = app::UsageText();
    for (const char* part : {"/s", "/t", "/p ID", "/c [ID]", "/a", "--help", "-h", "--version",
                             "--root", "--window-id ID", "--fps", "Exit status",
                             "$XDG_CONFIG_HOME/Maravek Studio/Zorvane.reg", "XSCREENSAVER_WINDOW",
                             "XDG_CONFIG_HOME", "DISPLAY", "0x"}) {
        EXPECT_NE(usage.find(part), std::string::npos) << part;
    }
}

}  // namespace
