// Node: one named element of a scene tree with its transform controller, object transform,
// drawable, animations and children.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "render/math/matrix.h"
#include "render/scene/animation/animation_slot.h"

namespace render {

class Animation;
class Mesh;
struct RenderContext;

// Names compare with the ASCII capitals folded.
bool NamesEqual(std::string_view a, std::string_view b);

class Node {
public:
    Node(std::string name, std::string type);
    virtual ~Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    const std::string& Name() const { return name_; }
    const std::string& Type() const { return type_; }
    bool IsBone() const { return isBone_; }
    Node* Parent() const { return parent_; }
    const std::vector<std::unique_ptr<Node>>& Children() const { return children_; }

    Node* AddChild(std::unique_ptr<Node> node);
    // Takes a direct child out of the tree and hands it over; null when it is not a child.
    std::unique_ptr<Node> DetachChild(const Node* child);
    // Depth first, this node before its children, the first whose name matches ignoring case.
    Node* Find(std::string_view name);
    const Node* Find(std::string_view name) const;

    // The transform controller: position, rotation and scale, or a whole matrix when the
    // transform could not be split into them (then animation does not move the node).
    void SetNodeTransform(Vector3 position, Quaternion rotation, Vector3 scale);
    void SetNodeMatrix(const Matrix& matrix);
    Vector3 GetPosition() const { return position_; }
    Quaternion GetRotation() const { return rotation_; }
    Vector3 GetScale() const { return scale_; }
    // The rest transform, without animation.
    const Matrix& GetRestMatrix() const { return rest_; }
    // The local transform with the animation at `time` (the slot's own clock when slot 0 is
    // playing): a component whose track has keys replaces the rest value.
    Matrix GetLocalMatrix(float time, std::int64_t now) const;
    // The object transform of the node's own drawable; null clears it.
    void SetObjectTransform(const Matrix* matrix);
    const Matrix* GetObjectTransform() const { return hasObject_ ? &object_ : nullptr; }

    void SetDrawable(std::unique_ptr<Mesh> mesh);
    Mesh* GetDrawable() const { return drawable_.get(); }

    // The node's own animation (the library's entry under the empty name).
    void SetAnimation(std::shared_ptr<Animation> animation);
    Animation* GetAnimation() const;
    void AddAnimation(const std::string& name, std::shared_ptr<Animation> animation);
    std::shared_ptr<Animation> FindAnimation(std::string_view name) const;
    // Puts the library's animation `name` into slot `index` (made when missing); false when
    // there is no such animation.
    bool InstallAnimation(std::size_t index, std::string_view name);
    AnimationSlot* GetSlot(std::size_t index);
    std::size_t SlotCount() const { return slots_.size(); }
    // Starts slot `index` here and, when `recursive`, in every node below.
    void StartSlot(std::size_t index, std::int64_t now, bool recursive);

    void SetBind(const Matrix& world, const Matrix& inverse);
    const Matrix& GetBindWorld() const { return bindWorld_; }
    const Matrix& GetInverseBind() const { return inverseBind_; }
    const Matrix& GetDrawingWorld() const { return drawingWorld_; }
    // For a bone: carries the rest pose to the current pose.
    const Matrix& GetSkinningMatrix() const { return skinning_; }

    // Walks this node and its children: transforms, animation, culling, drawing or sorting.
    virtual bool Render(RenderContext& context);

private:
    std::string name_;
    std::string type_;
    bool isBone_ = false;
    Node* parent_ = nullptr;
    std::vector<std::unique_ptr<Node>> children_;
    bool matrixController_ = false;
    Matrix rest_ = MatrixIdentity();
    Vector3 position_{};
    Quaternion rotation_{};
    Vector3 scale_{1, 1, 1};
    bool hasObject_ = false;
    Matrix object_ = MatrixIdentity();
    std::unique_ptr<Mesh> drawable_;
    std::vector<std::pair<std::string, std::shared_ptr<Animation>>> animations_;
    std::vector<AnimationSlot> slots_;
    Matrix bindWorld_ = MatrixIdentity();
    Matrix inverseBind_ = MatrixIdentity();
    Matrix drawingWorld_ = MatrixIdentity();
    Matrix skinning_ = MatrixIdentity();
};

}  // namespace render
