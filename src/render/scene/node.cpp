#include "render/scene/node.h"

#include "core/ascii.h"
#include "render/math/camera.h"
#include "render/scene/animation/animation.h"
#include "render/scene/mesh.h"
#include "render/scene/render_context.h"
#include "render/scene/render_sorter.h"

namespace render {

namespace {

// scale x rotation x translation, written out: the rotation's rows scaled, the position below.
Matrix Compose(Vector3 scale, Quaternion rotation, Vector3 position) {
    Matrix m = MatrixRotationQuaternion(rotation);
    const float s[3] = {scale.x, scale.y, scale.z};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            m.m[r][c] *= s[r];
        }
    }
    m.m[3][0] = position.x;
    m.m[3][1] = position.y;
    m.m[3][2] = position.z;
    return m;
}

// Whether all eight corners, carried to clip space by `toClip`, lie outside one and the same
// clip plane.
bool OutsideFrustum(const BoundingBox& box, const Matrix& toClip) {
    std::uint32_t outside = 0x3F;
    for (const Vector3& corner : box.Corners()) {
        const Vector4 c = Vec3Transform(corner, toClip);
        std::uint32_t planes = 0;
        planes |= c.x < -c.w ? 0x01u : 0u;
        planes |= c.x > c.w ? 0x02u : 0u;
        planes |= c.y < -c.w ? 0x04u : 0u;
        planes |= c.y > c.w ? 0x08u : 0u;
        planes |= c.z < 0.0f ? 0x10u : 0u;
        planes |= c.z > c.w ? 0x20u : 0u;
        outside &= planes;
        if (!outside) {
            return false;
        }
    }
    return outside != 0;
}

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
    return core::AsciiEqualsIgnoringCase(a, b);
}

Node::Node(std::string name, std::string type)
    : name_(std::move(name)), type_(std::move(type)), isBone_(NamesEqual(type_, "bone")) {}

Node::~Node() = default;

Node* Node::AddChild(std::unique_ptr<Node> node) {
    node->parent_ = this;
    children_.push_back(std::move(node));
    return children_.back().get();
}

std::unique_ptr<Node> Node::DetachChild(const Node* child) {
    for (auto it = children_.begin(); it != children_.end(); ++it) {
        if (it->get() == child) {
            std::unique_ptr<Node> detached = std::move(*it);
            children_.erase(it);
            detached->parent_ = nullptr;
            return detached;
        }
    }
    return nullptr;
}

const Node* Node::Find(std::string_view name) const {
    // An explicit stack: a scene tree may be deeper than the call stack would like.
    std::vector<const Node*> pending{this};
    while (!pending.empty()) {
        const Node* node = pending.back();
        pending.pop_back();
        if (NamesEqual(node->name_, name)) {
            return node;
        }
        for (auto it = node->children_.rbegin(); it != node->children_.rend(); ++it) {
            pending.push_back(it->get());
        }
    }
    return nullptr;
}

Node* Node::Find(std::string_view name) {
    return const_cast<Node*>(static_cast<const Node*>(this)->Find(name));
}

void Node::SetNodeTransform(Vector3 position, Quaternion rotation, Vector3 scale) {
    matrixController_ = false;
    position_ = position;
    rotation_ = rotation;
    scale_ = scale;
    rest_ = Compose(scale_, rotation_, position_);
}

void Node::SetNodeMatrix(const Matrix& matrix) {
    matrixController_ = true;
    rest_ = matrix;
    position_ = {matrix.m[3][0], matrix.m[3][1], matrix.m[3][2]};
}

Matrix Node::GetLocalMatrix(float time, std::int64_t now) const {
    if (matrixController_) {
        return rest_;
    }
    const Animation* animation = nullptr;
    if (!slots_.empty() && slots_[0].playing && slots_[0].animation) {
        animation = slots_[0].animation.get();
        time = slots_[0].Time(now);
    } else {
        animation = GetAnimation();
    }
    Vector3 scale = scale_;
    Quaternion rotation = rotation_;
    Vector3 position = position_;
    if (!animation || !animation->Sample(time, scale, rotation, position)) {
        return rest_;
    }
    return Compose(scale, rotation, position);
}

void Node::SetObjectTransform(const Matrix* matrix) {
    hasObject_ = matrix != nullptr;
    object_ = matrix ? *matrix : MatrixIdentity();
}

void Node::SetDrawable(std::unique_ptr<Mesh> mesh) {
    drawable_ = std::move(mesh);
}

void Node::SetAnimation(std::shared_ptr<Animation> animation) {
    for (auto& [name, entry] : animations_) {
        if (name.empty()) {
            entry = std::move(animation);
            return;
        }
    }
    animations_.emplace_back(std::string(), std::move(animation));
}

Animation* Node::GetAnimation() const {
    const std::shared_ptr<Animation> own = FindAnimation("");
    return own.get();
}

void Node::AddAnimation(const std::string& name, std::shared_ptr<Animation> animation) {
    for (auto& [key, entry] : animations_) {
        if (key == name) {
            entry = std::move(animation);
            return;
        }
    }
    animations_.emplace_back(name, std::move(animation));
}

std::shared_ptr<Animation> Node::FindAnimation(std::string_view name) const {
    for (const auto& [key, entry] : animations_) {
        if (key == name) {
            return entry;
        }
    }
    return nullptr;
}

bool Node::InstallAnimation(std::size_t index, std::string_view name) {
    std::shared_ptr<Animation> animation = FindAnimation(name);
    if (!animation || index > 64) {
        return false;
    }
    if (slots_.size() <= index) {
        slots_.resize(index + 1);
    }
    slots_[index].animation = std::move(animation);
    return true;
}

AnimationSlot* Node::GetSlot(std::size_t index) {
    return index < slots_.size() ? &slots_[index] : nullptr;
}

void Node::StartSlot(std::size_t index, std::int64_t now, bool recursive) {
    std::vector<Node*> pending{this};
    while (!pending.empty()) {
        Node* node = pending.back();
        pending.pop_back();
        if (AnimationSlot* slot = node->GetSlot(index)) {
            slot->Start(now);
        }
        if (!recursive) {
            break;
        }
        for (const auto& child : node->children_) {
            pending.push_back(child.get());
        }
    }
}

void Node::SetBind(const Matrix& world, const Matrix& inverse) {
    bindWorld_ = world;
    inverseBind_ = inverse;
}

bool Node::Render(RenderContext& context) {
    const Matrix local = (context.flags & kRenderAnimate)
                             ? GetLocalMatrix(context.time, context.now)
                             : GetRestMatrix();
    const Matrix savedWorld = context.world;
    const Matrix savedBind = context.bind;
    context.world = MatrixMultiply(local, context.world);
    drawingWorld_ = hasObject_ ? MatrixMultiply(object_, context.world) : context.world;
    context.bind = MatrixMultiply(rest_, context.bind);
    if (isBone_) {
        Matrix inverse;
        skinning_ = MatrixInverse(inverse, context.bind) ? MatrixMultiply(inverse, drawingWorld_)
                                                         : drawingWorld_;
    }
    if (!(context.flags & kRenderNoDrawing) && drawable_) {
        drawable_->SetWorld(drawingWorld_);
        drawable_->Update();
        const bool culled =
            !(context.flags & kRenderNoCulling) && context.camera &&
            OutsideFrustum(drawable_->GetWorldBoundingBox(), context.camera->GetViewProjection());
        if (!culled) {
            if (context.sorter) {
                context.sorter->Add(drawable_.get());
            } else {
                drawable_->Draw();
            }
        }
    }
    for (const auto& child : children_) {
        child->Render(context);
    }
    context.world = savedWorld;
    context.bind = savedBind;
    return true;
}

}  // namespace render
