// One keyboard, mouse or window input event, handed to listeners by value.
#pragma once

#include <cstdint>

namespace input {

// Event types.
inline constexpr std::int32_t kLeftButtonDown = 0;
inline constexpr std::int32_t kLeftButtonUp = 1;
inline constexpr std::int32_t kLeftDoubleClick = 2;  // sent after the release that makes it
inline constexpr std::int32_t kRightButtonDown = 3;
inline constexpr std::int32_t kRightButtonUp = 4;
inline constexpr std::int32_t kRightDoubleClick = 5;
inline constexpr std::int32_t kMouseMove = 6;  // to (x, y) from (previousX, previousY)
inline constexpr std::int32_t kMouseAxis = 7;  // relative axis data while the cursor is followed
inline constexpr std::int32_t kKeyDown = 8;    // code = DIK_* key code
inline constexpr std::int32_t kKeyUp = 9;
inline constexpr std::int32_t kCharacter = 10;  // code = the character typed
inline constexpr std::int32_t kFocusGained = 11;

struct InputEvent {
    std::int32_t type = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t previousX = 0;
    std::int32_t previousY = 0;
    // The position clamped to the client rectangle (mouse events).
    std::int32_t mappedX = 0;
    std::int32_t mappedY = 0;
    std::int32_t code = 0;

    friend bool operator==(const InputEvent&, const InputEvent&) = default;
};
static_assert(sizeof(InputEvent) == 32);

}  // namespace input
