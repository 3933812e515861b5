#include "platform/buffered_input_device.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

#include "platform/dik_codes.h"

namespace {

using platform::BufferedInputDevice;
using platform::DeviceObjectData;
using platform::InputDeviceKind;
using platform::InputResult;

constexpr std::uint32_t kForeground = platform::DISCL_NONEXCLUSIVE | platform::DISCL_FOREGROUND;

std::unique_ptr<BufferedInputDevice> Ready(InputDeviceKind kind,
                                           std::uint32_t flags = kForeground) {
    auto device = std::make_unique<BufferedInputDevice>(kind);
    EXPECT_TRUE(device->SetCooperativeLevel(1, flags));
    EXPECT_TRUE(device->SetBufferSize(platform::kMaxBufferedItems));
    EXPECT_TRUE(device->SetEventNotification(true));
    EXPECT_EQ(device->Acquire(), InputResult::Ok);
    return device;
}

std::vector<DeviceObjectData> Drain(BufferedInputDevice& device, InputResult* result = nullptr) {
    std::array<DeviceObjectData, 128> items{};
    std::size_t count = 99;
    const InputResult r = device.GetDeviceData(items, count);
    if (result) {
        *result = r;
    }
    return {items.begin(), items.begin() + std::ptrdiff_t(count)};
}

TEST(BufferedInputDevice, CooperativeLevelNeedsOneOfEachPair) {
    BufferedInputDevice device(InputDeviceKind::Keyboard);
    using namespace platform;
    EXPECT_TRUE(device.SetCooperativeLevel(1, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND));
    EXPECT_TRUE(device.SetCooperativeLevel(1, DISCL_EXCLUSIVE | DISCL_BACKGROUND));
    EXPECT_FALSE(device.SetCooperativeLevel(1, DISCL_FOREGROUND));
    EXPECT_FALSE(device.SetCooperativeLevel(1, DISCL_NONEXCLUSIVE));
    EXPECT_FALSE(
        device.SetCooperativeLevel(1, DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND));
    EXPECT_FALSE(
        device.SetCooperativeLevel(1, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND));
}

TEST(BufferedInputDevice, FullBufferDropsTheNewestAndSaysSo) {
    auto device = Ready(InputDeviceKind::Keyboard);
    for (std::uint32_t i = 0; i < 70; ++i) {
        device->KeyChanged(platform::DIK_A, i % 2 == 0, i);
    }
    InputResult result = InputResult::Ok;
    const auto items = Drain(*device, &result);
    EXPECT_EQ(result, InputResult::BufferOverflow);
    ASSERT_EQ(items.size(), 64u);
    EXPECT_EQ(items.front().timeStamp, 0u);
    EXPECT_EQ(items.front().data, 0x80u) << "the first press is kept";
    EXPECT_EQ(items.back().timeStamp, 63u);
    for (std::size_t i = 1; i < items.size(); ++i) {
        EXPECT_LT(items[i - 1].sequence, items[i].sequence);
    }
    // The state still tells the last change, the release the buffer had no room for.
    std::array<std::uint8_t, platform::kKeyboardStateSize> keys{};
    ASSERT_EQ(device->GetDeviceState(std::uint32_t(keys.size()), keys.data()), InputResult::Ok);
    EXPECT_EQ(keys[platform::DIK_A], 0);
    EXPECT_TRUE(Drain(*device, &result).empty());
    EXPECT_EQ(result, InputResult::Ok);

    // Room again after the read: new items are buffered once more.
    device->KeyChanged(platform::DIK_B, true, 100);
    const auto after = Drain(*device, &result);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].offset, platform::DIK_B);
}

TEST(BufferedInputDevice, ShrinkingTheBufferKeepsTheOldestItems) {
    auto device = Ready(InputDeviceKind::Keyboard);
    for (std::uint32_t i = 0; i < 10; ++i) {
        device->KeyChanged(platform::DIK_A, i % 2 == 0, i);
    }
    ASSERT_TRUE(device->SetBufferSize(4));
    InputResult result = InputResult::Ok;
    const auto items = Drain(*device, &result);
    EXPECT_EQ(result, InputResult::BufferOverflow);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items.front().timeStamp, 0u);
    EXPECT_EQ(items.back().timeStamp, 3u);
}

TEST(BufferedInputDevice, ReadTakesAtMostWhatFitsAndKeepsTheRest) {
    auto device = Ready(InputDeviceKind::Keyboard);
    for (std::uint32_t i = 0; i < 5; ++i) {
        device->KeyChanged(platform::DIK_1 + i, true, i);
    }
    std::array<DeviceObjectData, 3> items{};
    std::size_t count = 0;
    EXPECT_EQ(device->GetDeviceData(items, count), InputResult::Ok);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(items[0].offset, platform::DIK_1);
    EXPECT_EQ(device->Pending(), 2u);
    EXPECT_EQ(Drain(*device).front().offset, platform::DIK_4);
}

TEST(BufferedInputDevice, NotificationIsAutoResetAndOnlyWhenEnabled) {
    auto device = Ready(InputDeviceKind::Mouse);
    EXPECT_FALSE(device->TakeNotification());
    device->ButtonChanged(0, true, 1);
    device->ButtonChanged(0, false, 2);
    EXPECT_TRUE(device->TakeNotification());
    EXPECT_FALSE(device->TakeNotification());

    device->SetEventNotification(false);
    device->ButtonChanged(0, true, 3);
    EXPECT_FALSE(device->TakeNotification());
}

TEST(BufferedInputDevice, NothingIsBufferedWhileUnacquired) {
    auto device = Ready(InputDeviceKind::Keyboard);
    device->Unacquire();
    device->KeyChanged(platform::DIK_A, true, 1);
    EXPECT_FALSE(device->TakeNotification());
    InputResult result = InputResult::Ok;
    Drain(*device, &result);
    EXPECT_EQ(result, InputResult::NotAcquired);
    std::array<std::uint8_t, 256> keys{};
    EXPECT_EQ(device->GetDeviceState(256, keys.data()), InputResult::NotAcquired);

    EXPECT_EQ(device->Acquire(), InputResult::Ok);
    EXPECT_TRUE(Drain(*device).empty());
    EXPECT_EQ(device->GetDeviceState(256, keys.data()), InputResult::Ok);
    EXPECT_EQ(keys[platform::DIK_A], 0x80);  // the state was kept all along
}

TEST(BufferedInputDevice, ForegroundDeviceLosesItsInputWithTheFocus) {
    auto foreground = Ready(InputDeviceKind::Keyboard);
    auto background =
        Ready(InputDeviceKind::Keyboard, platform::DISCL_NONEXCLUSIVE | platform::DISCL_BACKGROUND);
    for (auto* device : {foreground.get(), background.get()}) {
        device->KeyChanged(platform::DIK_A, true, 1);
        device->FocusLost();
    }
    InputResult result = InputResult::Ok;
    EXPECT_TRUE(Drain(*foreground, &result).empty());
    EXPECT_EQ(result, InputResult::InputLost);
    EXPECT_EQ(Drain(*background, &result).size(), 1u);
    EXPECT_EQ(result, InputResult::Ok);

    // Still lost (not merely unacquired) until acquired again.
    std::array<std::uint8_t, 256> keys{};
    EXPECT_EQ(foreground->GetDeviceState(256, keys.data()), InputResult::InputLost);
    EXPECT_EQ(foreground->Acquire(), InputResult::Ok);
    EXPECT_EQ(foreground->GetDeviceState(256, keys.data()), InputResult::Ok);
}

TEST(BufferedInputDevice, UnacquirableDeviceStaysLost) {
    auto device = Ready(InputDeviceKind::Keyboard);
    device->LoseInput();
    device->SetAcquirable(false);
    EXPECT_EQ(device->Acquire(), InputResult::NotAcquired);
    InputResult result = InputResult::Ok;
    Drain(*device, &result);
    EXPECT_EQ(result, InputResult::InputLost);
}

TEST(BufferedInputDevice, MouseStateReportsMotionSinceTheLastRead) {
    auto device = Ready(InputDeviceKind::Mouse);
    device->AxisMoved(platform::DIMOFS_X, 5, 1);
    device->AxisMoved(platform::DIMOFS_X, -2, 2);
    device->AxisMoved(platform::DIMOFS_Y, 7, 3);
    device->AxisMoved(platform::DIMOFS_Z, -120, 4);
    device->ButtonChanged(1, true, 5);
    platform::MouseState state;
    ASSERT_EQ(device->GetDeviceState(sizeof(state), &state), InputResult::Ok);
    EXPECT_EQ(state.lX, 3);
    EXPECT_EQ(state.lY, 7);
    EXPECT_EQ(state.lZ, -120);
    EXPECT_EQ(state.rgbButtons[1], 0x80);
    ASSERT_EQ(device->GetDeviceState(sizeof(state), &state), InputResult::Ok);
    EXPECT_EQ(state.lX, 0);
    EXPECT_EQ(state.lY, 0);
    EXPECT_EQ(state.rgbButtons[1], 0x80);  // buttons hold their state

    EXPECT_EQ(device->GetDeviceState(256, &state), InputResult::InvalidParam);
    std::array<std::uint8_t, 256> keys{};
    auto keyboard = Ready(InputDeviceKind::Keyboard);
    EXPECT_EQ(keyboard->GetDeviceState(16, keys.data()), InputResult::InvalidParam);
}

TEST(BufferedInputDevice, ItemsCarryOffsetsAndData) {
    auto device = Ready(InputDeviceKind::Mouse);
    device->AxisMoved(platform::DIMOFS_Y, -3, 10);
    device->AxisMoved(platform::DIMOFS_X, 0, 11);  // no motion, no item
    device->ButtonChanged(2, true, 12);
    device->ButtonChanged(7, true, 13);  // beyond the four buttons of the state
    const auto items = Drain(*device);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].offset, platform::DIMOFS_Y);
    EXPECT_EQ(std::int32_t(items[0].data), -3);
    EXPECT_EQ(items[0].timeStamp, 10u);
    EXPECT_EQ(items[1].offset, platform::DIMOFS_BUTTON2);
    EXPECT_EQ(items[1].data, 0x80u);
}

}  // namespace
