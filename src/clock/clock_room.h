// ClockRoom: the clock room's scene with the nodes that get passes of their own (hands, glass,
// lamp, curtain, the view through the window), the hands' tracks, the user's picture and the
// passes one frame draws the room in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/time_source.h"
#include "platform/gfx/d3d_types.h"
#include "render/device/device_object.h"
#include "render/math/matrix.h"
#include "render/scene/animation/track.h"
#include "render/scene/scene.h"

namespace render {
class Camera;
class Node;
class Texture;
}  // namespace render

namespace clockscene {

inline constexpr const char* kHourHandName = "strelka_1big";
inline constexpr const char* kMinuteHandName = "strelka_1min";
inline constexpr const char* kGlassName = "Clock glass";
inline constexpr const char* kLampName = "Lamp lamp";
inline constexpr const char* kCurtainName = "Curtain";
inline constexpr const char* kOutdoorName = "FonPlane01";
inline constexpr const char* kPictureName = "Picture";

// What one frame's passes need besides the room.
struct RoomFrame {
    const render::Camera* camera = nullptr;
    std::int64_t now = 0;     // the clock the animation slots run on
    float flashLevel = 0.0f;  // lightning 0 .. 1
    float winkPhase = 0.0f;   // room-light flicker 0 .. 0.5
    gfx::D3DCOLOR ambient = gfx::D3DCOLOR_XRGB(128, 128, 128);
};

class ClockRoom : public render::DeviceObject {
public:
    ClockRoom();
    ~ClockRoom() override;
    ClockRoom(const ClockRoom&) = delete;
    ClockRoom& operator=(const ClockRoom&) = delete;

    render::Scene& GetScene() { return scene_; }

    // The loading steps, in the order the scene runs them. Each works on whatever the scene
    // holds, so a failed load only leaves features out.
    bool LoadScene(vfs::FileSource source, const vfs::SearchPaths& searchPaths);
    // Slot 0 of every node plays the node's own animation, all slots looping together over the
    // union of their key ranges.
    void SetUpAnimationSlots();
    // The user's picture into the first stage of "Picture"'s material, filling the canvas in its
    // own shape (cut evenly on two sides); false (and the scene's own painting) when there is no
    // path, node, material or loadable image.
    bool ApplyPicture(const std::string& photoPath);
    // Two-stage materials get the light map first, darkened by the texture factor.
    void PrepareMaterialsForWink();
    // Takes every top-level child holding a special node out of the tree; the hands get their
    // tracks and start at `now`.
    void DetachSpecialNodes(std::int64_t now);
    void StartAnimations(std::int64_t now);

    // Re-keys both hands' tracks from the local time.
    void SetHands(const core::LocalTime& time);

    // Every pass of one frame; false when a pass failed (the others are still drawn).
    bool Render(const RoomFrame& frame);

    // The meshes' buffers around a device reset; restoring also builds their programs under
    // the frame states already set.
    bool RestoreDeviceObjects() override;
    void InvalidateDeviceObjects() override;

    render::Node* HourHand() const { return hourHand_; }
    render::Node* MinuteHand() const { return minuteHand_; }
    render::Node* Glass() const { return glass_; }
    render::Node* Lamp() const { return lamp_; }
    render::Node* Curtain() const { return curtain_; }
    render::Node* Outdoor() const { return outdoor_; }
    const render::Track& HourTrack() const { return *hourTrack_; }
    const render::Track& MinuteTrack() const { return *minuteTrack_; }
    // The hour hand's position: where the ticking sounds from.
    render::Vector3 ClockPosition() const { return clockPosition_; }
    // Top-level subtrees taken out of the scene tree.
    std::size_t DetachedCount() const { return detached_.size(); }

private:
    void SetUpHand(render::Node& node, const std::shared_ptr<render::Track>& track,
                   std::int64_t now);
    // The lightning brightens the view through the window by the texture factor.
    void PrepareOutdoor();

    render::Scene scene_;
    std::vector<std::unique_ptr<render::Node>> detached_;
    render::Node* hourHand_ = nullptr;
    render::Node* minuteHand_ = nullptr;
    render::Node* glass_ = nullptr;
    render::Node* lamp_ = nullptr;
    render::Node* curtain_ = nullptr;
    render::Node* outdoor_ = nullptr;
    std::shared_ptr<render::Track> hourTrack_;
    std::shared_ptr<render::Track> minuteTrack_;
    render::Vector3 clockPosition_{};
    render::Texture* photo_ = nullptr;
};

}  // namespace clockscene
