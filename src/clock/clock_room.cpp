#include "clock/clock_room.h"

#include <algorithm>
#include <utility>

#include "clock/clock_hands.h"
#include "clock/picture_crop.h"
#include "core/trace.h"
#include "render/device/state_cache.h"
#include "render/math/camera.h"
#include "render/scene/animation/animation.h"
#include "render/scene/mesh.h"
#include "render/scene/node.h"
#include "render/scene/render_context.h"
#include "render/scene/render_sorter.h"
#include "render/textures/texture.h"
#include "render/textures/texture_manager.h"

namespace clockscene {
namespace {

using namespace gfx;

// Every node of the tree below `root`, `root` first; a stack, since a tree may be deep.
template <typename Visit>
void ForEachNode(render::Node& root, Visit visit) {
    std::vector<render::Node*> pending{&root};
    while (!pending.empty()) {
        render::Node* node = pending.back();
        pending.pop_back();
        visit(*node);
        for (auto it = node->Children().rbegin(); it != node->Children().rend(); ++it) {
            pending.push_back(it->get());
        }
    }
}

D3DCOLOR Grey(float level, DWORD alpha) {
    const DWORD g = DWORD(std::clamp(level, 0.0f, 255.0f));
    return D3DCOLOR_ARGB(alpha, g, g, g);
}

// Draws one node of a detached subtree on its own: its ancestors place it but are not drawn.
void RenderAlone(render::Node* node, render::RenderContext& context) {
    if (!node) {
        return;
    }
    render::Matrix parentWorld = render::MatrixIdentity();
    for (const render::Node* up = node->Parent(); up; up = up->Parent()) {
        parentWorld =
            render::MatrixMultiply(parentWorld, up->GetLocalMatrix(context.time, context.now));
    }
    const render::Matrix saved = context.world;
    context.world = parentWorld;
    node->Render(context);
    context.world = saved;
}

}  // namespace

ClockRoom::ClockRoom()
    : hourTrack_(std::make_shared<render::Track>(render::Track::Kind::Rotation)),
      minuteTrack_(std::make_shared<render::Track>(render::Track::Kind::Rotation)) {}

ClockRoom::~ClockRoom() {
    if (photo_) {
        photo_->Release();
    }
}

bool ClockRoom::LoadScene(vfs::FileSource source, const vfs::SearchPaths& searchPaths) {
    const bool loaded = scene_.Load(std::move(source), searchPaths);
    core::Trace(loaded ? "Scene Loaded\n" : "Cannot Load Scene\n");
    return loaded;
}

void ClockRoom::SetUpAnimationSlots() {
    render::Node* root = scene_.GetRoot();
    bool any = false;
    float start = 0.0f;
    float end = 0.0f;
    ForEachNode(*root, [&](render::Node& node) {
        if (node.GetAnimation()) {
            node.InstallAnimation(0, "");
        }
        for (std::size_t i = 0; i < node.SlotCount(); ++i) {
            render::AnimationSlot* slot = node.GetSlot(i);
            slot->rate = 1.0f;
            slot->modeFlags = render::kSlotWrapExplicitRange;
            float first = 0.0f;
            float last = 0.0f;
            if (slot->animation && slot->animation->GetTimeRange(first, last)) {
                start = any ? std::min(start, first) : first;
                end = any ? std::max(end, last) : last;
                any = true;
            }
        }
    });
    ForEachNode(*root, [&](render::Node& node) {
        for (std::size_t i = 0; i < node.SlotCount(); ++i) {
            node.GetSlot(i)->rangeStart = start;
            node.GetSlot(i)->rangeEnd = end;
        }
    });
}

bool ClockRoom::ApplyPicture(const std::string& photoPath) {
    if (photoPath.empty()) {
        return false;
    }
    render::TextureRequest request;
    request.source = vfs::FileSource(core::EngineString(photoPath));
    request.source.flags = vfs::kSourceDisk;
    // The crop below belongs to this frame alone.
    request.doNotShare = true;
    // Names lose their leading separators when they are looked up, so a full path is found
    // below the file system's root.
    vfs::FileSource fileSystemRoot(core::EngineString("/"));
    fileSystemRoot.flags = vfs::kSourceDisk;
    vfs::SearchPaths paths;
    paths.add(fileSystemRoot);
    render::Texture* texture = render::TextureManager::Instance().GetTexture(request, &paths);
    render::Node* picture = scene_.GetRoot()->Find(kPictureName);
    render::Mesh* mesh = picture ? picture->GetDrawable() : nullptr;
    // The image is decoded now, so a broken file leaves the painting rather than a blank frame.
    if (!texture || !texture->GetD3DTexture() || !mesh) {
        if (texture) {
            texture->Release();
        }
        return false;
    }
    const render::BoundingBox& box = mesh->GetBoundingBox();
    const float frameWidth = std::max(box.size.x, box.size.y);
    texture->SetShownRegion(
        CentreCrop(texture->Info().Width, texture->Info().Height, frameWidth, box.size.z));
    if (photo_) {
        photo_->Release();
    }
    photo_ = texture;
    mesh->GetRenderStates().stages[0].texture = texture;
    return true;
}

void ClockRoom::PrepareMaterialsForWink() {
    ForEachNode(*scene_.GetRoot(), [](render::Node& node) {
        render::Mesh* mesh = node.GetDrawable();
        if (!mesh) {
            return;
        }
        render::RenderStates& states = mesh->GetRenderStates();
        if (states.stages[1].colorOp == D3DTOP_DISABLE) {
            return;
        }
        std::swap(states.stages[0], states.stages[1]);
        render::StageState& lightMap = states.stages[0];
        lightMap.colorOp = D3DTOP_SUBTRACT;
        lightMap.colorArg1 = D3DTA_TEXTURE;
        lightMap.colorArg2 = D3DTA_TFACTOR;
        lightMap.alphaOp = D3DTOP_SELECTARG1;
        lightMap.alphaArg1 = D3DTA_TEXTURE;
        render::StageState& diffuse = states.stages[1];
        diffuse.colorOp = D3DTOP_MODULATE2X;
        diffuse.colorArg1 = D3DTA_TEXTURE;
        diffuse.colorArg2 = D3DTA_CURRENT;
        diffuse.alphaOp = D3DTOP_SELECTARG1;
        diffuse.alphaArg1 = D3DTA_TEXTURE;
    });
}

void ClockRoom::SetUpHand(render::Node& node, const std::shared_ptr<render::Track>& track,
                          std::int64_t now) {
    track->AddKey(HandKey(0.0f));
    auto animation = std::make_shared<render::Animation>();
    animation->SetRotationTrack(track);
    node.AddAnimation("", std::move(animation));
    node.InstallAnimation(0, "");
    node.StartSlot(0, now, true);
}

void ClockRoom::DetachSpecialNodes(std::int64_t now) {
    struct Special {
        const char* name;
        render::Node** field;
    };
    const Special specials[] = {
        {kHourHandName, &hourHand_}, {kMinuteHandName, &minuteHand_}, {kGlassName, &glass_},
        {kLampName, &lamp_},         {kCurtainName, &curtain_},       {kOutdoorName, &outdoor_},
    };
    render::Node* root = scene_.GetRoot();
    std::vector<render::Node*> children;
    for (const auto& child : root->Children()) {
        children.push_back(child.get());
    }
    for (render::Node* child : children) {
        for (const Special& special : specials) {
            render::Node* found = child->Find(special.name);
            if (!found) {
                continue;
            }
            *special.field = found;
            if (special.field == &hourHand_) {
                SetUpHand(*found, hourTrack_, now);
                clockPosition_ = found->GetPosition();
            } else if (special.field == &minuteHand_) {
                SetUpHand(*found, minuteTrack_, now);
            }
            detached_.push_back(root->DetachChild(child));
            break;
        }
    }
    PrepareOutdoor();
}

void ClockRoom::PrepareOutdoor() {
    if (render::Mesh* mesh = outdoor_ ? outdoor_->GetDrawable() : nullptr) {
        render::StageState& glow = mesh->GetRenderStates().stages[1];
        glow.colorOp = D3DTOP_ADD;
        glow.colorArg1 = D3DTA_CURRENT;
        glow.colorArg2 = D3DTA_TFACTOR;
    }
}

bool ClockRoom::RestoreDeviceObjects() {
    const bool restored = scene_.RestoreDeviceObjects();
    scene_.PrepareDrawing();
    return restored;
}

void ClockRoom::InvalidateDeviceObjects() {
    scene_.InvalidateDeviceObjects();
}

void ClockRoom::StartAnimations(std::int64_t now) {
    scene_.GetRoot()->StartSlot(0, now, true);
}

void ClockRoom::SetHands(const core::LocalTime& time) {
    const HandAngles angles = HandAnglesAt(time);
    hourTrack_->Clear();
    minuteTrack_->Clear();
    hourTrack_->AddKey(HandKey(angles.hour));
    minuteTrack_->AddKey(HandKey(angles.minute));
}

bool ClockRoom::Render(const RoomFrame& frame) {
    render::StateCache& cache = render::DeviceStateCache();
    render::Camera camera;
    if (frame.camera) {
        camera = *frame.camera;
    }
    render::RenderContext context;
    context.camera = &camera;
    context.flags = render::kRenderAnimate;
    context.now = frame.now;
    auto sorter = render::RenderSorter::Create(&scene_.GetLights(), &camera);
    bool ok = true;

    if (outdoor_) {
        PrepareOutdoor();
        cache.SetRenderState(D3DRS_TEXTUREFACTOR, Grey(frame.flashLevel * 64.0f, 255));
        const DWORD sky = DWORD(std::clamp(0.5f + 0.7f * frame.flashLevel, 0.0f, 1.0f) * 255.0f);
        cache.SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(sky, sky, sky));
        RenderAlone(outdoor_, context);
        cache.SetRenderState(D3DRS_AMBIENT, frame.ambient);
    }
    core::Trace("Outdoor ok\n");

    RenderAlone(lamp_, context);
    core::Trace("Lamp ok\n");

    context.sorter = sorter.get();
    cache.SetRenderState(D3DRS_TEXTUREFACTOR, Grey(frame.winkPhase * 128.0f, 0));
    scene_.GetRoot()->Render(context);
    if (!sorter->Flush()) {
        core::Trace("Rendersorter failed\n");
        ok = false;
    }
    core::Trace("Scene ok\n");
    context.sorter = nullptr;

    RenderAlone(hourHand_, context);
    RenderAlone(minuteHand_, context);
    core::Trace("Arrows ok\n");

    RenderAlone(glass_, context);
    RenderAlone(curtain_, context);
    core::Trace("Curtain & Glass ok\n");
    return ok;
}

}  // namespace clockscene
