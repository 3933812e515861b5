#include "app/process.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
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
            application.reset();
        };
        services.out = &out;
        return services;
    }

    int Run(std::vector<const char*> args) {
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
    std::vector<std::string> calls;
    std::ostringstream out;
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
        EXPECT_EQ(Run({c.arg}), 0) << c.arg;
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

TEST(ProcessUsage, NamesEverySwitchTheSettingsFileAndTheEnvironment) {
    const std::string usage = app::UsageText();
    for (const char* part : {"/s", "/t", "/p ID", "/c [ID]", "/a", "--help", "-h", "--version",
                             "$XDG_CONFIG_HOME/Maravek Studio/Zorvane.reg", "XSCREENSAVER_WINDOW",
                             "XDG_CONFIG_HOME", "DISPLAY", "0x"}) {
        EXPECT_NE(usage.find(part), std::string::npos) << part;
    }
}

}  // namespace
