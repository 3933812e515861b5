// The SDL input devices against a real SDL window: its size and the cursor shapes.
#include <SDL.h>
#include <gtest/gtest.h>

#include "platform/input_devices.h"

namespace {

TEST(SdlInputDevicesWindow, ClientSizeComesFromTheWindowOfTheHandle) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Window* window = SDL_CreateWindow("input", 0, 0, 320, 200, SDL_WINDOW_HIDDEN);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    {
        auto devices = platform::CreateInputDevices();
        std::int32_t w = 0;
        std::int32_t h = 0;
        ASSERT_TRUE(devices->GetClientSize(SDL_GetWindowID(window), w, h));
        EXPECT_EQ(w, 320);
        EXPECT_EQ(h, 200);
        // An unknown handle has no size until the window pump reports one.
        EXPECT_FALSE(devices->GetClientSize(SDL_GetWindowID(window) + 100, w, h));

        devices->SetCursor(platform::CursorShape::None);
        devices->SetCursor(platform::CursorShape::Arrow);
        EXPECT_NE(SDL_GetCursor(), nullptr);
    }
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

}  // namespace
