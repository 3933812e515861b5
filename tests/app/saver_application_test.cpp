#include "app/saver_application.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/settings_store.h"
#include "input/input_event.h"
#include "platform/dik_codes.h"
#include "platform/fake/fake_input_devices.h"
#include "platform/fake/fake_window.h"
#include "platform/fake/gfx/fake_runtime.h"
#include "platform/fake/memory_registry.h"
#include "platform/fake/memory_resources.h"
#include "platform/fake/recording_message_box.h"
#include "text/font_store.h"
#include "vfs/file_source.h"
#include "vfs/rar_writer.h"

namespace {

using app::RunMode;
using platform::fake::FakeWindow;

std::int64_t fakeNow = 0;
std::int64_t FakeClock() {
    return fakeNow;
}

constexpr const char* kDefaults =
    "UseDktpSet=true\r\nExitOnMouseMove=false\r\nShowTime=false\r\nDigClock_24H=false\r\n"
    "Music=true\r\nSFX=true\r\nMusicVolume=50\r\nShowFPS=false\r\nGammControl=100\r\n"
    "Adapter=0\r\nMW=800\r\nMH=600\r\nMBitCount=32\r\n";
constexpr const char* kTexts = "[Saver window]\r\n#Screensaver_Name#\r\nZorvane\r\n";
const std::vector<std::uint8_t> kPreviewBytes = {'B', 'M', 1, 2, 3};

// A shell whose scene hooks record what the main loop does with them.
class RecordingSaver : public app::SaverApplication {
public:
    using SaverApplication::SaverApplication;

    platform::LRESULT WindowProc(platform::WindowHandle window, std::uint32_t message,
                                 platform::WPARAM wParam, platform::LPARAM lParam) override {
        if (message == platform::WM_DESTROY) {
            calls.push_back("WM_DESTROY");
        }
        return SaverApplication::WindowProc(window, message, wParam, lParam);
    }
    bool UpdateScene() override {
        ++updates;
        return true;
    }
    void PerFrameInput() override {
        ++frames;
        if (onFrame) {
            onFrame(frames);
        }
    }
    void Shutdown() override { calls.push_back("Shutdown"); }
    void AfterShutdown() override { calls.push_back("AfterShutdown"); }
    bool LoadCustom() override {
        calls.push_back("LoadCustom");
        return loadCustomResult;
    }
    void EndLoop() { SetQuit(); }

    int frames = 0;
    int updates = 0;
    bool loadCustomResult = true;
    std::function<void(int)> onFrame;
    std::vector<std::string> calls;
};

class SaverApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        fakeNow = 100000;
        resources.Add("CustomData", 193, kDefaults);
        resources.Add("CustomData", 194, kTexts);
        resources.Add("BITMAP", 173, kPreviewBytes);
    }

    app::SaverServices Services() {
        app::SaverServices services;
        services.resources = &resources;
        services.registry = &registry;
        services.messageBox = &messageBoxes;
        services.clock = &FakeClock;
        services.runtime = [this]() -> gfx::Runtime* {
            runtime = new gfx::fake::FakeRuntime(script);
            return runtime;
        };
        services.inputDevices = [this] {
            auto devices = std::make_unique<platform::fake::FakeInputDevices>();
            inputDevices = devices.get();
            return devices;
        };
        services.windowFactory =
            [this](const platform::WindowDesc& desc,
                   platform::WindowProcedure procedure) -> std::unique_ptr<platform::Window> {
            ++windowsAsked;
            lastDesc = desc;
            if (desc.kind == platform::WindowKind::Child && desc.parent == 0) {
                return nullptr;
            }
            auto created = std::make_unique<FakeWindow>(desc, std::move(procedure), &FakeClock);
            created->SetIdleHook([] { fakeNow += 10; });
            window = created.get();
            return created;
        };
        return services;
    }

    void StoreDword(const char* name, std::uint32_t value) {
        registry.Put(app::kSettingsKeyPath, name, platform::REG_DWORD,
                     {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16),
                      std::uint8_t(value >> 24)});
    }

    // A saver created full screen, ready to run.
    std::unique_ptr<RecordingSaver> MakeSaver() {
        auto saver = std::make_unique<RecordingSaver>(Services());
        EXPECT_TRUE(saver->Create(0, RunMode::Saver, 0));
        return saver;
    }

    platform::LRESULT Send(std::uint32_t message, platform::WPARAM wParam,
                           platform::LPARAM lParam = 0) {
        return window->Send(message, wParam, lParam);
    }

    platform::fake::MemoryResources resources;
    platform::fake::MemoryRegistry registry;
    platform::fake::RecordingMessageBox messageBoxes;
    platform::fake::FakeInputDevices* inputDevices = nullptr;
    gfx::fake::FakeScript script{{gfx::fake::StandardAdapter()}};
    gfx::fake::FakeRuntime* runtime = nullptr;
    FakeWindow* window = nullptr;
    platform::WindowDesc lastDesc;
    int windowsAsked = 0;
};

TEST_F(SaverApplicationTest, KeysThatEndTheSaverAndKeysThatDoNot) {
    struct Case {
        std::uint32_t message;
        platform::WPARAM key;
        bool quits;
    };
    const Case cases[] = {
        {platform::WM_KEYDOWN, platform::VK_ESCAPE, true},
        {platform::WM_KEYDOWN, platform::VK_SPACE, true},
        {platform::WM_KEYDOWN, 'A', true},
        {platform::WM_KEYDOWN, platform::VK_SHIFT, true},
        {platform::WM_KEYDOWN, platform::VK_CONTROL, true},
        {platform::WM_KEYDOWN, platform::VK_RETURN, true},
        {platform::WM_KEYDOWN, platform::VK_F1, true},
        {platform::WM_KEYDOWN, platform::VK_F12, true},
        {platform::WM_KEYDOWN, 0xFF, true},
        {platform::WM_KEYDOWN, platform::VK_F2, false},
        {platform::WM_KEYDOWN, platform::VK_F3, false},
        {platform::WM_KEYDOWN, platform::VK_F6, false},
        {platform::WM_SYSKEYDOWN, platform::VK_MENU, false},
        {platform::WM_SYSKEYDOWN, platform::VK_F10, false},
        {platform::WM_SYSKEYDOWN, 'X', false},
        {platform::WM_KEYUP, 'A', false},
        {platform::WM_CHAR, 'a', false},
    };
    for (const auto& c : cases) {
        auto saver = MakeSaver();
        Send(c.message, c.key);
        EXPECT_EQ(saver->Quit(), c.quits) << std::hex << c.message << " key " << c.key;
    }
}

TEST_F(SaverApplicationTest, SystemCommands) {
    struct Case {
        platform::WPARAM command;
        bool quits;
        platform::LRESULT answer;
    };
    const Case cases[] = {
        {platform::SC_CLOSE, true, 1},
        {platform::SC_NEXTWINDOW, true, 1},
        {platform::SC_PREVWINDOW, true, 1},
        {platform::SC_CLOSE | 0x2, true, 1},  // the system's own low bits don't matter
        {platform::SC_SCREENSAVE, false, 0},
        {platform::SC_MINIMIZE, false, 0},
        {platform::SC_KEYMENU, false, 1},  // swallowed by the device host in full screen
    };
    for (const auto& c : cases) {
        auto saver = MakeSaver();
        EXPECT_EQ(Send(platform::WM_SYSCOMMAND, c.command), c.answer) << std::hex << c.command;
        EXPECT_EQ(saver->Quit(), c.quits) << std::hex << c.command;
    }
}

TEST_F(SaverApplicationTest, DestroyCloseAndQuitEndTheSaverAndAnswerOne) {
    for (std::uint32_t message : {platform::WM_DESTROY, platform::WM_CLOSE, platform::WM_QUIT}) {
        auto saver = MakeSaver();
        EXPECT_EQ(Send(message, 0), 1) << message;
        EXPECT_TRUE(saver->Quit()) << message;
    }
}

TEST_F(SaverApplicationTest, ActivationIsKeptAndLosingItDoesNotEndTheSaver) {
    auto saver = MakeSaver();
    Send(platform::WM_ACTIVATE, platform::WA_ACTIVE);
    EXPECT_TRUE(saver->IsActive());
    Send(platform::WM_ACTIVATE, platform::WA_INACTIVE);
    EXPECT_FALSE(saver->IsActive());
    EXPECT_FALSE(saver->Quit());
    // Only the low word tells activation; the high word is the minimised state.
    Send(platform::WM_ACTIVATE, 0x00010000);
    EXPECT_FALSE(saver->IsActive());
}

TEST_F(SaverApplicationTest, ButtonsEndTheSaverOtherEventsDoNot) {
    for (std::int32_t type = 0; type <= 11; ++type) {
        auto saver = MakeSaver();
        input::InputEvent event;
        event.type = type;
        saver->OnInputEvent(event);
        const bool expected = type == input::kLeftButtonDown || type == input::kRightButtonDown;
        EXPECT_EQ(saver->Quit(), expected) << "event " << type;
    }
}

TEST_F(SaverApplicationTest, MouseMoveEndsTheSaverOnlyAfterASecondWithExitOnMM) {
    struct Case {
        bool exitOnMM;
        std::int64_t after;
        int fromX, fromY, toX, toY;
        bool quits;
    };
    const Case cases[] = {
        {true, 1001, 0, 0, 5, 0, true},    {true, 1001, 0, 0, 0, 5, true},
        {true, 5000, 10, 10, 9, 10, true}, {true, 1000, 0, 0, 5, 5, false},
        {true, 999, 0, 0, 5, 5, false},    {true, 0, 0, 0, 5, 5, false},
        {true, 5000, 7, 7, 7, 7, false},   {false, 5000, 0, 0, 5, 5, false},
    };
    for (const auto& c : cases) {
        StoreDword("ExitOnMM", c.exitOnMM);
        auto saver = MakeSaver();
        fakeNow += c.after;
        input::InputEvent event;
        event.type = input::kMouseMove;
        event.previousX = c.fromX;
        event.previousY = c.fromY;
        event.x = c.toX;
        event.y = c.toY;
        saver->OnInputEvent(event);
        EXPECT_EQ(saver->Quit(), c.quits)
            << c.exitOnMM << " after " << c.after << " to " << c.toX << "," << c.toY;
    }
}

TEST_F(SaverApplicationTest, MouseMessagesReachTheExitRuleThroughTheInputManager) {
    StoreDword("ExitOnMM", 1);
    auto saver = MakeSaver();
    ASSERT_NE(saver->Input(), nullptr);
    fakeNow += 500;
    Send(platform::WM_MOUSEMOVE, 0, (20 << 16) | 10);
    EXPECT_FALSE(saver->Quit());
    Send(platform::WM_MOUSEMOVE, 0, (20 << 16) | 10);
    fakeNow += 1000;
    Send(platform::WM_MOUSEMOVE, 0, (20 << 16) | 10);
    EXPECT_FALSE(saver->Quit()) << "an unchanged position";
    Send(platform::WM_MOUSEMOVE, 0, (21 << 16) | 10);
    EXPECT_TRUE(saver->Quit());
}

TEST_F(SaverApplicationTest, ClickFollowedByAFastMoveInOneFrameEndsTheSaver) {
    auto saver = MakeSaver();
    ASSERT_NE(inputDevices, nullptr);
    platform::BufferedInputDevice* mouse = inputDevices->Mouse();
    ASSERT_NE(mouse, nullptr);
    mouse->ButtonChanged(0, true, 1);
    for (std::uint32_t i = 0; i < 40; ++i) {
        mouse->AxisMoved(platform::DIMOFS_X, 1, 2 + i);
        mouse->AxisMoved(platform::DIMOFS_Y, 1, 2 + i);
    }
    mouse->ButtonChanged(0, false, 45);
    saver->onFrame = [&](int frame) {
        if (frame == 5) {
            saver->EndLoop();
        }
    };
    EXPECT_EQ(saver->Run(), 1);
    EXPECT_EQ(saver->frames, 1) << "the click ends the saver on the frame that reads it";
}

TEST_F(SaverApplicationTest, FullScreenWindowFollowsTheSettings) {
    {
        auto saver = MakeSaver();
        EXPECT_EQ(lastDesc.kind, platform::WindowKind::Popup);
        EXPECT_TRUE(lastDesc.desktopSize);
        EXPECT_EQ(lastDesc.title, "Zorvane");
        EXPECT_EQ(lastDesc.parent, 0u);
        EXPECT_FALSE(window->CursorShown());
        EXPECT_EQ(saver->HostWindow(), window);
    }
    StoreDword("UseDesktop", 0);
    StoreDword("Width", 1024);
    StoreDword("Height", 768);
    auto saver = std::make_unique<RecordingSaver>(Services());
    ASSERT_TRUE(saver->Create(0, RunMode::SaverT, 0));
    EXPECT_FALSE(lastDesc.desktopSize);
    EXPECT_EQ(lastDesc.rect, (platform::Rect{0, 0, 1024, 768}));
    EXPECT_EQ(saver->ClientRect(), (platform::Rect{0, 0, 1024, 768}));
}

TEST_F(SaverApplicationTest, ModesWithoutAWindow) {
    {
        RecordingSaver saver(Services());
        EXPECT_FALSE(saver.Create(0, RunMode::Password, 42));
        EXPECT_EQ(saver.SaverWindow(), nullptr);
    }
    {
        RecordingSaver saver(Services());
        EXPECT_FALSE(saver.Create(0, RunMode::Preview, 0)) << "a preview needs its parent";
        EXPECT_EQ(saver.SaverWindow(), nullptr);
    }
    {
        RecordingSaver saver(Services());
        EXPECT_TRUE(saver.Create(0, RunMode::Configure, 1234));
        EXPECT_EQ(saver.SaverWindow(), nullptr);
        EXPECT_EQ(saver.WindowArgument(), 1234u);
        EXPECT_TRUE(saver.calls.empty()) << "the scene is not loaded to configure it";
    }
    EXPECT_EQ(windowsAsked, 1) << "only the preview asks for a window";
}

TEST_F(SaverApplicationTest, FailingSceneLoadFailsTheStart) {
    RecordingSaver saver(Services());
    saver.loadCustomResult = false;
    EXPECT_FALSE(saver.Create(0, RunMode::Saver, 0));
}

TEST_F(SaverApplicationTest, PreviewWaitsHalfASecondThenPaintsThePicture) {
    RecordingSaver saver(Services());
    const std::int64_t start = fakeNow;
    ASSERT_TRUE(saver.Create(0, RunMode::Preview, 0x2a00003));
    EXPECT_GE(fakeNow - start, 500);
    EXPECT_LT(fakeNow - start, 600);
    EXPECT_FALSE(saver.PreviewWait());
    EXPECT_FALSE(window->HasTimer()) << "the wait's timer is killed";
    EXPECT_EQ(lastDesc.kind, platform::WindowKind::Child);
    EXPECT_EQ(lastDesc.parent, 0x2a00003u);
    EXPECT_EQ(lastDesc.rect.Width(), 0) << "the child fills its parent";
    EXPECT_TRUE(saver.calls.empty()) << "the preview loads no scene";

    window->Send(platform::WM_PAINT);
    ASSERT_EQ(window->Paints(), 1);
    EXPECT_TRUE(std::equal(window->LastPainted().begin(), window->LastPainted().end(),
                           kPreviewBytes.begin(), kPreviewBytes.end()));

    // Only the window's going away ends a preview; a key does not reach it, nothing is drawn.
    saver.onFrame = [](int) {};
    window->Inject(platform::WM_DESTROY);
    EXPECT_EQ(saver.Run(), 1);
    EXPECT_EQ(saver.frames, 0);
}

TEST_F(SaverApplicationTest, PreviewSleepsUntilItsNextMessage) {
    RecordingSaver saver(Services());
    ASSERT_TRUE(saver.Create(0, RunMode::Preview, 0x2a00003));
    const int peeksBefore = window->EmptyPeeks();
    int waits = 0;
    window->SetIdleHook([&] {
        // Each wait lets one thing happen: a repaint, a timer's tick, the parent's going away.
        ++waits;
        if (waits == 1) {
            window->Inject(platform::WM_PAINT);
        } else if (waits == 2) {
            window->SetTimer(9, 50);
            fakeNow += 50;
        } else if (waits == 3) {
            window->KillTimer(9);
            window->Inject(platform::WM_DESTROY);
        }
    });
    EXPECT_EQ(saver.Run(), 1);
    EXPECT_EQ(window->Waits(), 3);
    EXPECT_EQ(window->Paints(), 1);
    // One look before each wait and one inside it.
    EXPECT_LE(window->EmptyPeeks() - peeksBefore, 6) << "the loop looked without waiting";
}

TEST_F(SaverApplicationTest, CloseDuringThePreviewWaitEndsThePreview) {
    // The first look finds the close; the half-second wait is not sat out.
    auto services = Services();
    auto factory = services.windowFactory;
    services.windowFactory = [&](const platform::WindowDesc& d, platform::WindowProcedure p) {
        auto made = factory(d, std::move(p));
        window->Inject(platform::WM_CLOSE);
        return made;
    };
    RecordingSaver closing(services);
    const std::int64_t start = fakeNow;
    ASSERT_TRUE(closing.Create(0, RunMode::Preview, 0x2a00003));
    EXPECT_LT(fakeNow - start, 500);
    EXPECT_TRUE(closing.Quit());
    EXPECT_EQ(closing.Run(), 1);
    EXPECT_EQ(window->Waits(), 0);
}

TEST_F(SaverApplicationTest, PaintingOutsideThePreviewDrawsNothing) {
    auto saver = MakeSaver();
    Send(platform::WM_PAINT, 0);
    EXPECT_EQ(window->Paints(), 0);
}

TEST_F(SaverApplicationTest, ScenesAreUpdatedOnlyWhileActive) {
    auto saver = MakeSaver();
    EXPECT_TRUE(saver->IsActive()) << "choosing the device activates the host";
    saver->onFrame = [&](int frame) {
        if (frame == 3) {
            window->Inject(platform::WM_ACTIVATE, platform::WA_INACTIVE);
        }
        if (frame == 6) {
            window->Inject(platform::WM_ACTIVATE, platform::WA_ACTIVE);
        }
        if (frame == 10) {
            saver->EndLoop();
        }
    };
    runtime->Log().Clear();
    EXPECT_EQ(saver->Run(), 1);
    EXPECT_EQ(saver->frames, 10);
    // Frames 4 to 6 saw the window inactive; the loop went on without drawing them.
    EXPECT_EQ(saver->updates, 7);
    EXPECT_EQ(runtime->Log().Count("Present"), 7u);
}

TEST_F(SaverApplicationTest, NothingIsDrawnWhileNobodyCouldSeeItAndTheLoopSleepsMeanwhile) {
    auto saver = MakeSaver();
    int waitsWhileUnseen = 0;
    saver->onFrame = [&](int frame) {
        if (frame == 3) {
            window->SetSeen(false);
        }
        if (frame == 6) {
            waitsWhileUnseen = window->Waits();
            window->SetSeen(true);
        }
        if (frame == 10) {
            saver->EndLoop();
        }
    };
    runtime->Log().Clear();
    EXPECT_EQ(saver->Run(), 1);
    // Frames 3 to 5 went by unseen: no scene update and no present, and a wait in each.
    EXPECT_EQ(saver->updates, 7);
    EXPECT_EQ(runtime->Log().Count("Present"), 7u);
    EXPECT_EQ(waitsWhileUnseen, 3);
    EXPECT_FALSE(window->HasTimer()) << "the loop's own timer goes once it draws again";
}

TEST_F(SaverApplicationTest, EachPresentedFrameIsReportedAfterItsPresent) {
    app::SaverServices services = Services();
    std::vector<std::string> reports;
    services.framePresented = [&](app::PresentedFrame frame) {
        // The present has happened by the time the report comes.
        const std::size_t presents = runtime->Log().Count("Present");
        reports.push_back((frame == app::PresentedFrame::Loading ? "loading " : "scene ") +
                          std::to_string(presents));
    };
    RecordingSaver saver(services);
    ASSERT_TRUE(saver.Create(0, RunMode::Saver, 0));
    ASSERT_EQ(reports.size(), 1u) << "the loading picture; the fade after it is not reported";
    EXPECT_EQ(reports[0].rfind("loading ", 0), 0u);
    const std::size_t presentsAfterCreate = runtime->Log().Count("Present");
    saver.onFrame = [&](int frame) {
        if (frame == 2) {
            window->Inject(platform::WM_ACTIVATE, platform::WA_INACTIVE);
        }
        if (frame == 4) {
            saver.EndLoop();
        }
    };
    saver.Run();
    // Frames 1 and 2 were drawn; 3 and 4 saw the window inactive.
    EXPECT_EQ(reports, (std::vector<std::string>{
                           reports[0], "scene " + std::to_string(presentsAfterCreate + 1),
                           "scene " + std::to_string(presentsAfterCreate + 2)}));
}

TEST_F(SaverApplicationTest, FramesDrawTheBackgroundAndPresentEvenWhenTheSceneCannotBegin) {
    auto saver = MakeSaver();
    runtime->Log().Clear();
    EXPECT_TRUE(saver->RenderFrame());
    const auto& log = runtime->Log();
    EXPECT_TRUE(log.Contains("Clear(0, 3, 0xff000000, 1, 0)")) << "the shipped BgColor 0, 0, 0";
    EXPECT_EQ(log.Count("BeginScene"), 1u);
    EXPECT_EQ(log.Count("EndScene"), 1u);
    EXPECT_EQ(log.Count("Present"), 1u);

    runtime->DeviceScript().beginSceneResult = gfx::E_FAIL;
    runtime->Log().Clear();
    EXPECT_TRUE(saver->RenderFrame());
    EXPECT_EQ(log.Count("EndScene"), 0u);
    EXPECT_EQ(log.Count("Present"), 1u);
}

TEST_F(SaverApplicationTest, LostDeviceSkipsTheFrameUntilItCanBeReset) {
    auto saver = MakeSaver();
    runtime->DeviceScript().cooperativeLevel = gfx::D3DERR_DEVICENOTRESET;
    runtime->DeviceScript().resetResult = gfx::E_FAIL;
    runtime->Log().Clear();
    EXPECT_FALSE(saver->RenderFrame());
    EXPECT_EQ(runtime->Log().Count("Present"), 0u);
    runtime->DeviceScript().resetResult = gfx::S_OK;
    EXPECT_TRUE(saver->RenderFrame());
    EXPECT_EQ(runtime->Log().Count("Present"), 1u);
}

TEST_F(SaverApplicationTest, NoDeviceNoStart) {
    script.createDeviceResult = gfx::E_FAIL;
    RecordingSaver saver(Services());
    EXPECT_FALSE(saver.Create(0, RunMode::Saver, 0));
    EXPECT_TRUE(saver.calls.empty()) << "the scene is not loaded without a device";

    script.adapters.clear();
    RecordingSaver noRuntime(Services());
    EXPECT_FALSE(noRuntime.Create(0, RunMode::Saver, 0));
}

TEST_F(SaverApplicationTest, GammaRampGoesToTheDevice) {
    StoreDword("Gamma", static_cast<std::uint32_t>(-10));
    auto saver = MakeSaver();
    runtime->Log().Clear();
    saver->ApplyGamma();
    EXPECT_EQ(saver->GammaRamp().red[0], 0);
    EXPECT_EQ(saver->GammaRamp().green[100], 23600);
    EXPECT_EQ(saver->GammaRamp().blue[255], 63280);
    EXPECT_EQ(runtime->Log().Count("SetGammaRamp"), 1u);
}

TEST_F(SaverApplicationTest, KeepAwakeKeyEveryThirtySecondsWithoutEndingTheSaver) {
    auto saver = MakeSaver();
    saver->onFrame = [&](int frame) {
        fakeNow += 1000;
        if (frame == 95) {
            saver->EndLoop();
        }
    };
    saver->Run();
    EXPECT_EQ(window->KeepAwakeKeys(), 3);
    EXPECT_EQ(saver->frames, 95) << "the F3 key must not end the saver";
}

TEST_F(SaverApplicationTest, FrameRateIsCountedOverEachSecond) {
    struct Case {
        std::int64_t frameTime;
        int frames;
        std::int64_t rate;
        const char* text;
    };
    // The text changes once a second; the rate is also worked out within the second, and a clock
    // that has not moved yet gives no rate rather than a division by zero.
    const Case cases[] = {{10, 150, 100, "100"}, {20, 80, 50, "50"}, {0, 20, 0, ""}};
    for (const auto& c : cases) {
        StoreDword("ShowFps", 1);
        auto saver = MakeSaver();
        saver->onFrame = [&](int frame) {
            fakeNow += c.frameTime;
            if (frame == c.frames) {
                saver->EndLoop();
            }
        };
        saver->Run();
        EXPECT_EQ(saver->FrameRate(), c.rate) << c.frameTime << " ms";
        EXPECT_EQ(saver->FrameRateText(), c.text) << c.frameTime << " ms";
    }
}

TEST_F(SaverApplicationTest, TimeTextOnlyWhenShown) {
    for (bool shown : {false, true}) {
        StoreDword("ShowTime", shown);
        auto saver = MakeSaver();
        saver->onFrame = [&](int) { saver->EndLoop(); };
        saver->Run();
        EXPECT_EQ(saver->TimeText().empty(), !shown);
    }
}

TEST_F(SaverApplicationTest, OverlayWindowsFollowTheSettingsAndTheClientArea) {
    StoreDword("UseDesktop", 0);
    StoreDword("Width", 800);
    StoreDword("Height", 600);
    StoreDword("ShowFps", 1);
    StoreDword("ShowTime", 1);
    StoreDword("TimeStyle", 1);
    auto saver = std::make_unique<RecordingSaver>(Services());
    ASSERT_TRUE(saver->Create(0, RunMode::Saver, 0));
    // Both fonts came from the media archive.
    EXPECT_TRUE(text::FontStore::Instance().Lookup({14, 0, ""}));
    EXPECT_TRUE(text::FontStore::Instance().Lookup({64, 0, ""}));
    const auto& overlay = saver->Overlay();
    ASSERT_TRUE(overlay.FrameRateWindow() && overlay.ClockWindow());
    EXPECT_EQ(overlay.ClockWindow()->Rect(), (text::WindowRect{200, 300, 226, 57}));
    saver->onFrame = [&](int) { saver->EndLoop(); };
    saver->Run();
    // After a frame the clock shows the time text in the bottom-right corner.
    EXPECT_EQ(overlay.ClockWindow()->Text(), saver->TimeText());
    EXPECT_EQ(overlay.ClockWindow()->Rect(), (text::WindowRect{574, 543, 226, 57}));
    saver.reset();
    EXPECT_EQ(text::FontStore::Instance().StyleCount(), 0u);
}

TEST_F(SaverApplicationTest, OverlaysGrowWithTheScreenOnlyUpToA1920PixelOne) {
    struct Case {
        int width, height;
        text::WindowRect clock;
    };
    // The 12-hour clock window is 350 x 74 at 1024 pixels.
    for (const Case c : {Case{1920, 1080, {200, 300, 656, 138}},
                         Case{3840, 2160, {200, 300, 656, 138}}}) {
        StoreDword("UseDesktop", 0);
        StoreDword("Width", c.width);
        StoreDword("Height", c.height);
        StoreDword("ShowTime", 1);
        auto saver = std::make_unique<RecordingSaver>(Services());
        ASSERT_TRUE(saver->Create(0, RunMode::Saver, 0)) << c.width;
        ASSERT_TRUE(saver->Overlay().ClockWindow());
        EXPECT_EQ(saver->Overlay().ClockWindow()->Rect(), c.clock) << c.width;
    }
}

TEST_F(SaverApplicationTest, TheFrameRateShowsNothingUntilAWholeSecondIsCounted) {
    StoreDword("ShowFps", 1);
    auto saver = MakeSaver();
    std::vector<std::string> shown;
    saver->onFrame = [&](int frame) {
        shown.push_back(saver->Overlay().FrameRateWindow()->Text());
        fakeNow += 100;
        if (frame == 15) {
            saver->EndLoop();
        }
    };
    saver->Run();
    ASSERT_EQ(shown.size(), 15u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(shown[i], "") << "frame " << i;
    }
    EXPECT_EQ(shown.back(), "10");
}

TEST_F(SaverApplicationTest, WithoutTheTextFontTheStartFailsWithoutTheDigitsItGoesOn) {
    // Archives holding only one of the two fonts, in place of the shipped one.
    auto archive = [](bool sylfaen) {
        vfs::RarWriter writer;
        auto bytes = [](std::string_view text) {
            return std::vector<std::uint8_t>(text.begin(), text.end());
        };
        const auto css = bytes("CharsPerLine = 16;");
        if (sylfaen) {
            writer.addFile("Media\\sylfaen.fs", bytes("Styles[0].Charsets = array(\"s.css\");"));
            writer.addFile("Media\\s.css", css);
        } else {
            writer.addFile("Media\\64font.fs",
                           bytes("Styles[0].Size = 64; Styles[0].Charsets = array(\"d.css\");"));
            writer.addFile("Media\\d.css", css);
        }
        return writer.finish();
    };
    for (bool sylfaen : {false, true}) {
        platform::fake::MemoryResources media;
        media.Add("MemFile", 147, archive(sylfaen));
        vfs::setModuleResources(&media);
        auto saver = std::make_unique<RecordingSaver>(Services());
        EXPECT_EQ(saver->Create(0, RunMode::Saver, 0), sylfaen);
        EXPECT_EQ(text::FontStore::Instance().Lookup({64, 0, ""}) != nullptr, false);
        saver.reset();
        vfs::setModuleResources(nullptr);
    }
}

TEST_F(SaverApplicationTest, ShutdownOrder) {
    auto saver = MakeSaver();
    saver->calls.clear();
    window->Inject(platform::WM_KEYDOWN, 'Q');
    EXPECT_EQ(saver->Run(), 1);
    EXPECT_EQ(saver->calls, (std::vector<std::string>{"Shutdown", "AfterShutdown", "WM_DESTROY"}));
    EXPECT_TRUE(window->Destroyed());
    EXPECT_TRUE(window->CursorShown());
}

TEST_F(SaverApplicationTest, QuitStopsTakingMessages) {
    auto saver = MakeSaver();
    window->Inject(platform::WM_KEYDOWN, platform::VK_ESCAPE);
    window->Inject(platform::WM_USER + 7);
    saver->Run();
    std::vector<std::uint32_t> seen;
    for (const auto& m : window->Dispatched()) {
        seen.push_back(m.message);
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), platform::WM_USER + 7), 0);
}

TEST_F(SaverApplicationTest, WindowProcedureForwardsToTheLiveApplicationOnly) {
    {
        auto saver = MakeSaver();
        EXPECT_EQ(app::SaverApplication::ForwardWindowProc(0, platform::WM_CLOSE, 0, 0), 1);
        EXPECT_TRUE(saver->Quit());
        EXPECT_EQ(app::SaverApplication::ForwardWindowProc(0, platform::WM_SYSCOMMAND,
                                                           platform::SC_SCREENSAVE, 0),
                  0);
    }
    EXPECT_EQ(app::SaverApplication::ForwardWindowProc(0, platform::WM_SYSCOMMAND,
                                                       platform::SC_SCREENSAVE, 0),
              1);
}

TEST(SaverApplicationHelpers, GammaRamp) {
    struct Case {
        std::int32_t gamma;
        int i;
        std::uint16_t entry;
    };
    const Case cases[] = {
        {0, 0, 0},    {0, 255, 65280},   {100, 0, 20000},    {100, 255, 65535},
        {-100, 0, 0}, {-100, 100, 5600}, {-100, 255, 45280}, {50, 200, 61200},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(app::GammaRampEntry(c.gamma, c.i), c.entry) << c.gamma << " " << c.i;
    }
}

TEST(SaverApplicationHelpers, ClockText) {
    EXPECT_EQ(app::ClockText(9, 5, 3, true), "9:05:03 ");
    EXPECT_EQ(app::ClockText(21, 5, 3, false), "9:05:03 pm");
    EXPECT_EQ(app::ClockText(0, 30, 0, false), "0:30:00 am");
    EXPECT_EQ(app::ClockText(12, 0, 0, false), "12:00:00 pm");
    EXPECT_EQ(app::ClockText(13, 0, 0, false), "1:00:00 pm");
    EXPECT_EQ(app::ClockText(23, 59, 59, true), "23:59:59 ");
    EXPECT_EQ(app::ClockText(0, 30, 0, true), "0:30:00 ");
    EXPECT_EQ(app::ClockText(12, 0, 0, true), "12:00:00 ");
    EXPECT_EQ(app::ClockText(13, 0, 0, true), "13:00:00 ");
    EXPECT_EQ(app::ClockText(21, 5, 3, true), "21:05:03 ");
}

}  // namespace
