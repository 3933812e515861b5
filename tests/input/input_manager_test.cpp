#include "input/input_manager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dik_codes.h"
#include "platform/fake/fake_input_devices.h"

namespace {

using input::InputEvent;
using input::InputManager;
using platform::DIMOFS_BUTTON0;
using platform::DIMOFS_BUTTON1;
using platform::DIMOFS_X;
using platform::DIMOFS_Y;

constexpr platform::WindowHandle kWindow = 7;
constexpr std::uint32_t kFlags = platform::DISCL_NONEXCLUSIVE | platform::DISCL_FOREGROUND;

std::int64_t now = 0;
std::int64_t FakeNow() {
    return now;
}

platform::LPARAM Point(int x, int y) {
    return platform::LPARAM((std::uint32_t(std::uint16_t(y)) << 16) | std::uint16_t(x));
}

struct Recorder : input::InputListener {
    void OnInputEvent(const InputEvent& event) override {
        events.push_back(event);
        if (log) {
            log->push_back(name + ":" + std::to_string(event.type));
        }
    }
    std::vector<int> Types() const {
        std::vector<int> types;
        for (const auto& e : events) {
            types.push_back(e.type);
        }
        return types;
    }

    std::vector<InputEvent> events;
    std::string name;
    std::vector<std::string>* log = nullptr;
};

class InputManagerTest : public testing::Test {
protected:
    void SetUp() override {
        now = 1000;
        manager.Poll(0);  // the polling stopwatch starts now, whatever the clock showed before
        devices.SetClientSize(640, 480);
        devices.SetCursorPos(100, 50);
        ASSERT_TRUE(manager.Initialise(kWindow, true, kFlags, kFlags));
        manager.AddListener(&recorder);
    }

    platform::BufferedInputDevice& Mouse() { return *devices.Mouse(); }
    platform::BufferedInputDevice& Keyboard() { return *devices.Keyboard(); }

    void Click(int button, bool down, std::uint32_t time) {
        Mouse().ButtonChanged(button, down, time);
        manager.Deliver();
    }

    platform::fake::FakeInputDevices devices;
    InputManager manager{&devices, &FakeNow};
    Recorder recorder;
};

TEST_F(InputManagerTest, InitialiseConfiguresAndAcquiresBothDevices) {
    for (auto* device : {devices.Keyboard(), devices.Mouse()}) {
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(device->CooperativeFlags(), kFlags);
        EXPECT_EQ(device->CooperativeWindow(), kWindow);
        EXPECT_EQ(device->BufferSize(), 64u);
        EXPECT_TRUE(device->Acquired());
    }
    EXPECT_EQ(devices.LastCursor(), platform::CursorShape::Arrow);
}

TEST(InputManagerInitialise, FailsWithoutDevicesAndStaysQuiet) {
    InputManager none(nullptr, &FakeNow);
    EXPECT_FALSE(none.Initialise(kWindow, true, kFlags, kFlags));
    none.Poll(0);
    none.Deliver();
    EXPECT_FALSE(none.KeyDown(platform::DIK_A));

    platform::fake::FakeInputDevices devices;
    devices.SetMissing(platform::InputDeviceKind::Mouse, true);
    InputManager manager(&devices, &FakeNow);
    EXPECT_FALSE(manager.Initialise(kWindow, true, kFlags, kFlags));
    EXPECT_EQ(devices.Keyboard(), nullptr);  // released again, not left half set up
    manager.Poll(0);
    manager.Deliver();

    // A cooperative level without a foreground/background choice is refused by the device.
    devices.SetMissing(platform::InputDeviceKind::Mouse, false);
    EXPECT_FALSE(manager.Initialise(kWindow, true, platform::DISCL_NONEXCLUSIVE, kFlags));
    EXPECT_TRUE(manager.Initialise(kWindow, true, kFlags, kFlags));
}

struct ClickCase {
    int button;
    std::uint32_t gap;
    std::vector<int> expected;
};

class DoubleClickTest : public InputManagerTest, public testing::WithParamInterface<ClickCase> {};

TEST_P(DoubleClickTest, SecondReleaseWithinTheIntervalMakesADoubleClick) {
    const auto& c = GetParam();
    Click(c.button, true, 5000);
    Click(c.button, false, 5050);
    Click(c.button, true, 5050 + c.gap - 50);
    Click(c.button, false, 5050 + c.gap);
    EXPECT_EQ(recorder.Types(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Gaps, DoubleClickTest,
    testing::Values(ClickCase{0, 400, {0, 1, 0, 1, 2}}, ClickCase{0, 500, {0, 1, 0, 1, 2}},
                    ClickCase{0, 501, {0, 1, 0, 1}}, ClickCase{0, 600, {0, 1, 0, 1}},
                    ClickCase{1, 400, {3, 4, 3, 4, 5}}, ClickCase{1, 600, {3, 4, 3, 4}}));

TEST_F(InputManagerTest, LateReleaseBecomesTheNewReference) {
    Click(0, false, 1000);
    Click(0, false, 1600);  // too late: counts as a first release
    Click(0, false, 2000);  // 400 ms after the new reference
    EXPECT_EQ(recorder.Types(), (std::vector<int>{1, 1, 1, 2}));
}

TEST_F(InputManagerTest, ThirdQuickReleaseStartsANewCount) {
    Click(0, false, 1000);
    Click(0, false, 1200);
    Click(0, false, 1400);
    Click(0, false, 1600);
    EXPECT_EQ(recorder.Types(), (std::vector<int>{1, 1, 2, 1, 1, 2}));
}

TEST_F(InputManagerTest, ButtonsCountTheirClicksApart) {
    Click(0, false, 1000);
    Click(1, false, 1100);
    Click(0, false, 1200);
    EXPECT_EQ(recorder.Types(), (std::vector<int>{1, 4, 1, 2}));
}

TEST_F(InputManagerTest, DoubleClickSurvivesTheItemClockWrapping) {
    Click(0, false, 0xFFFFFF00u);
    Click(0, false, 0x00000010u);  // 272 ms later
    EXPECT_EQ(recorder.Types(), (std::vector<int>{1, 1, 2}));
}

TEST_F(InputManagerTest, MiddleButtonAndWheelGiveNoEvents) {
    Mouse().ButtonChanged(2, true, 10);
    Mouse().ButtonChanged(2, false, 20);
    Mouse().AxisMoved(platform::DIMOFS_Z, 120, 30);
    manager.Deliver();
    EXPECT_TRUE(recorder.events.empty());
}

TEST_F(InputManagerTest, MouseMoveMessageAtTheSamePlaceStillSendsAMove) {
    manager.HandleWindowMessage(platform::WM_MOUSEMOVE, 0, Point(30, 40));
    manager.HandleWindowMessage(platform::WM_MOUSEMOVE, 0, Point(30, 40));
    manager.HandleWindowMessage(platform::WM_MOUSEMOVE, 0, Point(35, 41));
    ASSERT_EQ(recorder.events.size(), 3u);
    const auto& same = recorder.events[1];
    EXPECT_EQ(same.type, input::kMouseMove);
    EXPECT_EQ(same.x, 30);
    EXPECT_EQ(same.y, 40);
    EXPECT_EQ(same.previousX, 30);
    EXPECT_EQ(same.previousY, 40);
    const auto& moved = recorder.events[2];
    EXPECT_EQ(moved.x, 35);
    EXPECT_EQ(moved.y, 41);
    EXPECT_EQ(moved.previousX, 30);
    EXPECT_EQ(moved.previousY, 40);
}

TEST_F(InputManagerTest, FirstMouseMoveComparesWithTheRestingCursor) {
    // Initialise found the cursor at (100, 50): a message there is no movement.
    manager.HandleWindowMessage(platform::WM_MOUSEMOVE, 0, Point(100, 50));
    ASSERT_EQ(recorder.events.size(), 1u);
    EXPECT_EQ(recorder.events[0].previousX, 100);
    EXPECT_EQ(recorder.events[0].previousY, 50);
}

TEST_F(InputManagerTest, MouseMoveMessageCoordinatesAreSignedAndMappedIntoTheClientArea) {
    manager.HandleWindowMessage(platform::WM_MOUSEMOVE, 0, Point(-3, 700));
    ASSERT_EQ(recorder.events.size(), 1u);
    const auto& e = recorder.events[0];
    EXPECT_EQ(e.x, -3);
    EXPECT_EQ(e.y, 700);
    EXPECT_EQ(e.mappedX, 0);
    EXPECT_EQ(e.mappedY, 479);
}

TEST_F(InputManagerTest, CursorModeAxisDataGivesOneAxisEventPerBatchAndNeverAMove) {
    devices.SetCursorPos(200, 300);
    Mouse().AxisMoved(DIMOFS_X, 5, 10);
    Mouse().AxisMoved(DIMOFS_Y, -2, 10);
    Mouse().AxisMoved(DIMOFS_X, 7, 11);
    manager.Poll(0);
    manager.Deliver();
    ASSERT_EQ(recorder.Types(), std::vector<int>{input::kMouseAxis});
    EXPECT_EQ(recorder.events[0].x, 200);
    EXPECT_EQ(recorder.events[0].y, 300);

    Mouse().AxisMoved(DIMOFS_Y, 1, 12);
    manager.Deliver();
    EXPECT_EQ(recorder.Types(), (std::vector<int>{input::kMouseAxis, input::kMouseAxis}));
}

TEST_F(InputManagerTest, AxisItemsAfterTheFirstDoNotHideButtons) {
    Mouse().AxisMoved(DIMOFS_X, 5, 10);
    Mouse().ButtonChanged(0, true, 11);
    Mouse().AxisMoved(DIMOFS_Y, 5, 12);
    Mouse().ButtonChanged(1, true, 13);
    manager.Deliver();
    EXPECT_EQ(recorder.Types(), (std::vector<int>{7, 0, 3}));
}

TEST_F(InputManagerTest, PressBeforeAFastMoveSurvivesAFullBuffer) {
    // A press, forty diagonal one-pixel moves and the release within one frame overflow the
    // 64-item buffer; the press must still come through.
    Mouse().ButtonChanged(0, true, 10);
    for (std::uint32_t i = 0; i < 40; ++i) {
        Mouse().AxisMoved(DIMOFS_X, 1, 11 + i);
        Mouse().AxisMoved(DIMOFS_Y, 1, 11 + i);
    }
    Mouse().ButtonChanged(0, false, 60);
    manager.Poll(0);
    manager.Deliver();
    EXPECT_EQ(recorder.Types(), (std::vector<int>{input::kLeftButtonDown, input::kMouseAxis}));
}

TEST(InputManagerRelative, WithoutCursorModeAxesMoveThePositionWithinTheClientArea) {
    now = 0;
    platform::fake::FakeInputDevices devices;
    devices.SetClientSize(100, 80);
    InputManager manager(&devices, &FakeNow);
    ASSERT_TRUE(manager.Initialise(kWindow, false, kFlags, kFlags));
    Recorder recorder;
    manager.AddListener(&recorder);
    devices.SetCursorPos(55, 55);  // ignored without cursor mode

    devices.Mouse()->AxisMoved(DIMOFS_X, 30, 1);
    devices.Mouse()->AxisMoved(DIMOFS_Y, 20, 1);
    manager.Poll(0);
    manager.Deliver();
    ASSERT_EQ(recorder.Types(), std::vector<int>{input::kMouseMove});
    EXPECT_EQ(recorder.events[0].x, 30);
    EXPECT_EQ(recorder.events[0].y, 20);
    EXPECT_EQ(recorder.events[0].previousX, 0);

    devices.Mouse()->AxisMoved(DIMOFS_X, 500, 2);
    devices.Mouse()->AxisMoved(DIMOFS_Y, -500, 2);
    manager.Poll(0);
    manager.Deliver();
    ASSERT_EQ(recorder.events.size(), 2u);
    EXPECT_EQ(recorder.events[1].x, 99);
    EXPECT_EQ(recorder.events[1].y, 0);
    EXPECT_EQ(recorder.events[1].previousX, 30);
    EXPECT_EQ(recorder.events[1].previousY, 20);
}

TEST_F(InputManagerTest, PollFollowsTheCursorClampedAndOnlyWhenThePeriodHasPassed) {
    devices.SetCursorPos(700, -5);
    now = 1050;
    manager.Poll(100);
    EXPECT_EQ(manager.X(), 100.0f);  // from Initialise: too early to read
    now = 1100;
    manager.Poll(100);
    EXPECT_EQ(manager.X(), 639.0f);
    EXPECT_EQ(manager.Y(), 0.0f);
}

TEST_F(InputManagerTest, KeyItemsSetBitSevenOfTheKeyState) {
    Keyboard().KeyChanged(platform::DIK_A, true, 1);
    manager.Deliver();
    EXPECT_TRUE(manager.KeyDown(platform::DIK_A));
    EXPECT_FALSE(manager.KeyDown(platform::DIK_B));
    Keyboard().KeyChanged(platform::DIK_A, false, 2);
    manager.Deliver();
    EXPECT_FALSE(manager.KeyDown(platform::DIK_A));
    EXPECT_FALSE(manager.KeyDown(4096));
    ASSERT_EQ(recorder.Types(), (std::vector<int>{input::kKeyDown, input::kKeyUp}));
    EXPECT_EQ(recorder.events[0].code, int(platform::DIK_A));
    EXPECT_EQ(recorder.events[1].code, int(platform::DIK_A));
}

TEST_F(InputManagerTest, PollReadsTheWholeKeyboardState) {
    Keyboard().KeyChanged(platform::DIK_LSHIFT, true, 1);
    EXPECT_FALSE(manager.KeyDown(platform::DIK_LSHIFT));
    manager.Poll(0);
    EXPECT_TRUE(manager.KeyDown(platform::DIK_LSHIFT));
}

TEST_F(InputManagerTest, EachDeliverHandlesOneDeviceKeyboardFirst) {
    Mouse().ButtonChanged(0, true, 1);
    Keyboard().KeyChanged(platform::DIK_SPACE, true, 2);
    manager.Deliver();
    EXPECT_EQ(recorder.Types(), std::vector<int>{input::kKeyDown});
    manager.Deliver();
    EXPECT_EQ(recorder.Types(), (std::vector<int>{input::kKeyDown, input::kLeftButtonDown}));
    manager.Deliver();
    EXPECT_EQ(recorder.events.size(), 2u);
}

TEST_F(InputManagerTest, LostInputIsAcquiredAgainAndReadOnce) {
    Keyboard().LoseInput();
    Keyboard().KeyChanged(platform::DIK_W, true, 1);  // state changes, items are not kept
    manager.Poll(0);
    EXPECT_TRUE(manager.KeyDown(platform::DIK_W));
    EXPECT_TRUE(Keyboard().Acquired());

    Mouse().ButtonChanged(0, true, 2);
    Mouse().LoseInput();  // the item is gone, the notification stays
    manager.Deliver();
    EXPECT_TRUE(Mouse().Acquired());
    Mouse().ButtonChanged(0, false, 3);
    manager.Deliver();
    EXPECT_EQ(recorder.Types(), std::vector<int>{input::kLeftButtonUp});
}

TEST_F(InputManagerTest, DeviceThatCannotBeAcquiredFailsQuietly) {
    Keyboard().KeyChanged(platform::DIK_Q, true, 1);
    manager.Poll(0);
    Keyboard().SetAcquirable(false);
    Keyboard().LoseInput();
    Keyboard().KeyChanged(platform::DIK_Q, false, 2);
    manager.Poll(0);
    manager.Deliver();
    EXPECT_TRUE(manager.KeyDown(platform::DIK_Q));  // the last state read stays
    EXPECT_FALSE(Keyboard().Acquired());
}

TEST_F(InputManagerTest, ListenersHearEveryEventInRegistrationOrder) {
    std::vector<std::string> log;
    Recorder a;
    Recorder b;
    a.name = "a";
    b.name = "b";
    a.log = b.log = &log;
    manager.AddListener(&b);
    manager.AddListener(&a);
    manager.HandleWindowMessage(platform::WM_CHAR, 'x', 0);
    Keyboard().KeyChanged(platform::DIK_X, true, 1);
    manager.Deliver();
    EXPECT_EQ(log, (std::vector<std::string>{"b:10", "a:10", "b:8", "a:8"}));
    manager.RemoveListener(&b);
    manager.HandleWindowMessage(platform::WM_CHAR, 'y', 0);
    EXPECT_EQ(log.back(), "a:10");
    EXPECT_EQ(log.size(), 5u);
}

TEST_F(InputManagerTest, FocusMessagesAcquireAndReleaseTheDevices) {
    EXPECT_FALSE(manager.HandleWindowMessage(platform::WM_KILLFOCUS, 0, 0));
    EXPECT_FALSE(Keyboard().Acquired());
    EXPECT_FALSE(Mouse().Acquired());
    EXPECT_FALSE(manager.HasFocus());
    Keyboard().KeyChanged(platform::DIK_E, true, 1);  // not ours while unacquired
    manager.Deliver();
    EXPECT_TRUE(recorder.events.empty());

    EXPECT_FALSE(manager.HandleWindowMessage(platform::WM_SETFOCUS, 0, 0));
    EXPECT_TRUE(Keyboard().Acquired());
    EXPECT_TRUE(Mouse().Acquired());
    EXPECT_TRUE(manager.HasFocus());
    EXPECT_EQ(recorder.Types(), std::vector<int>{input::kFocusGained});
}

TEST_F(InputManagerTest, CharacterMessageCarriesTheCharacter) {
    EXPECT_FALSE(manager.HandleWindowMessage(platform::WM_CHAR, 0xE9, 0));
    ASSERT_EQ(recorder.events.size(), 1u);
    EXPECT_EQ(recorder.events[0].type, input::kCharacter);
    EXPECT_EQ(recorder.events[0].code, 0xE9);
}

TEST(InputManagerCursor, SetCursorAnswersOnlyWhenTheCursorIsHidden) {
    platform::fake::FakeInputDevices devices;
    InputManager manager(&devices, &FakeNow);
    platform::LRESULT result = 0;

    ASSERT_TRUE(manager.Initialise(kWindow, true, kFlags, kFlags));
    EXPECT_FALSE(manager.OnWindowMessage(kWindow, platform::WM_SETCURSOR, 0, 0, result));
    EXPECT_EQ(devices.LastCursor(), platform::CursorShape::Arrow);

    ASSERT_TRUE(manager.Initialise(kWindow, false, kFlags, kFlags));
    EXPECT_TRUE(manager.OnWindowMessage(kWindow, platform::WM_SETCURSOR, 0, 0, result));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(devices.LastCursor(), platform::CursorShape::None);

    manager.SetWindowed(true);
    EXPECT_FALSE(manager.OnWindowMessage(kWindow, platform::WM_SETCURSOR, 0, 0, result));
    EXPECT_EQ(devices.LastCursor(), platform::CursorShape::Arrow);
}

TEST_F(InputManagerTest, ListenerMayRemoveItselfWhileCalled) {
    struct OneShot : input::InputListener {
        void OnInputEvent(const InputEvent&) override {
            ++calls;
            manager->RemoveListener(this);
        }
        InputManager* manager = nullptr;
        int calls = 0;
    } once;
    once.manager = &manager;
    manager.AddListener(&once);
    manager.HandleWindowMessage(platform::WM_CHAR, 'a', 0);
    manager.HandleWindowMessage(platform::WM_CHAR, 'b', 0);
    EXPECT_EQ(once.calls, 1);
    EXPECT_EQ(recorder.events.size(), 2u);
}

}  // namespace
