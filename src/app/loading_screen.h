// The loading screen: the loading picture with up to four corner images, shown while the scene
// loads and faded out to black once it is ready.
#pragma once

#include <array>
#include <cstdint>

#include "core/interval_timer.h"
#include "platform/window.h"

namespace render {
class Texture;
}  // namespace render

namespace app {

// Module resources (type MEMFILE) of the pictures.
inline constexpr std::uint32_t kLoadingPictureId = 186;
inline constexpr std::uint32_t kFirstCornerImageId = 187;  // 187 .. 190: positions 1 .. 4
inline constexpr std::int64_t kLoadingFadeMilliseconds = 200;
// A corner image counts as present only when its resource is larger than this; the shipped
// placeholders are 48-byte single pixels.
inline constexpr std::size_t kPresentImageBytes = 1024;
// The loading picture's own shape, kept on any screen (black bars fill the rest).
inline constexpr int kLoadingPictureWidth = 640;
inline constexpr int kLoadingPictureHeight = 480;

class LoadingScreen {
public:
    LoadingScreen() = default;
    ~LoadingScreen();
    LoadingScreen(const LoadingScreen&) = delete;
    LoadingScreen& operator=(const LoadingScreen&) = delete;

    // Sets the present flags from the resource sizes and loads the five pictures as textures
    // (the corners first, then the loading picture).
    void Load();

    // One picture as a screen quad; a corner position draws nothing unless its image is present.
    bool DrawImageQuad(render::Texture* texture, float opacity, bool fullScreen, int position,
                       const platform::Rect& client) const;
    // The first frame: black, the loading picture as large as the client area takes it in its own
    // shape, centred, and the corners of the client area.
    void DrawLoadingFrame(const platform::Rect& client) const;
    // Black with `texture` over everything at `opacity`, presented.
    void SplashFrame(render::Texture* texture, float opacity, const platform::Rect& client) const;
    // Fades the loading picture (in its own shape) out over 200 ms; returns when that time has
    // passed.
    void FadeOut(const platform::Rect& client, core::IntervalTimer::Clock clock) const;

    render::Texture* Picture() const { return pictures_[0]; }
    render::Texture* Corner(int position) const { return pictures_.at(std::size_t(position)); }
    bool Present(int position) const { return present_.at(std::size_t(position)); }

private:
    // Where the loading picture goes in `client`.
    static platform::Rect PictureArea(const platform::Rect& client);

    // Index 0 the loading picture, 1 .. 4 the corner images.
    std::array<render::Texture*, 5> pictures_{};
    std::array<bool, 5> present_{};
};

}  // namespace app
