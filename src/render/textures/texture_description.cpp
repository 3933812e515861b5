// Texture descriptions: UDF text files (extension "ts") that name an image, its creation
// parameters, sub-rectangles and frame animations.
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>

#include "render/device/format_info.h"
#include "render/textures/color_key.h"
#include "render/textures/texture.h"
#include "render/textures/texture_manager.h"
#include "udf/prop_node.h"
#include "vfs/search_paths.h"

namespace render {
namespace {

using namespace gfx;

const udf::PropNode* Child(const udf::PropNode& node, std::string_view name) {
    return node.findChild(name);
}

std::string Text(const udf::PropNode& node, std::string_view key) {
    const udf::PropNode* child = Child(node, key);
    return child ? child->value.str() : std::string();
}

std::uint32_t Named(const udf::PropNode& node, std::string_view key,
                    std::initializer_list<std::pair<std::string_view, std::uint32_t>> names,
                    std::uint32_t fallback) {
    const udf::PropNode* child = Child(node, key);
    if (!child) {
        return fallback;
    }
    for (const auto& [name, value] : names) {
        if (child->value.view() == name) {
            return value;
        }
    }
    return fallback;
}

std::uint32_t Filter(const udf::PropNode& node, std::string_view key, std::uint32_t fallback) {
    return Named(node, key,
                 {{"D3DX_FILTER_NONE", D3DX_FILTER_NONE},
                  {"D3DX_FILTER_LINEAR", D3DX_FILTER_LINEAR},
                  {"D3DX_FILTER_TRIANGLE", D3DX_FILTER_TRIANGLE},
                  {"D3DX_FILTER_BOX", D3DX_FILTER_BOX}},
                 fallback);
}

}  // namespace

bool Texture::ApplyDescription(const udf::PropNode& node, Texture* parent,
                               const vfs::SearchPaths& searchPaths) {
    int filesLeft = kMaxDescriptionFiles;
    return ApplyDescription(node, parent, searchPaths, Nesting{0, &filesLeft});
}

bool Texture::ApplyDescription(const udf::PropNode& node, Texture* parent,
                               const vfs::SearchPaths& searchPaths, Nesting nesting) {
    const std::string fileName = Text(node, "FileName");
    const std::string initFlags = Text(node, "InitFlags");
    const udf::PropNode* width = Child(node, "Width");
    const udf::PropNode* height = Child(node, "Height");
    const std::string id = Text(node, "Id");

    params_ = {};
    if (width && height) {
        params_.width = std::uint32_t(width->asInt());
        params_.height = std::uint32_t(height->asInt());
    } else {
        params_.width = params_.height = D3DX_DEFAULT;
    }
    params_.usage = Text(node, "Usage") == "D3DUSAGE_DYNAMIC" ? D3DUSAGE_DYNAMIC : 0;
    params_.pool = Named(node, "Pool",
                         {{"D3DPOOL_DEFAULT", D3DPOOL_DEFAULT},
                          {"D3DPOOL_MANAGED", D3DPOOL_MANAGED},
                          {"D3DPOOL_SYSTEMMEM", D3DPOOL_SYSTEMMEM}},
                         D3DPOOL_MANAGED);
    const udf::PropNode* levels = Child(node, "Levels");
    params_.mipLevels = levels ? std::uint32_t(levels->asInt()) : 1;
    params_.format = FormatFromName(Text(node, "Format"));
    params_.colorKey = ReadColorKey(node.findChild("ColorKey"));
    params_.filter = Filter(node, "Filter", D3DX_FILTER_LINEAR);
    params_.mipFilter = Filter(node, "MipFilter", D3DX_FILTER_BOX);
    const udf::PropNode* delay = Child(node, "Delay");
    delay_ = delay ? std::uint32_t(std::max(0, delay->asInt())) : parent ? parent->delay_ : 100;

    if (manager_) {
        manager_->SetCurrentId(id);
    }
    name_ = id.empty() ? node.name.str() : id;
    parent_ = parent;

    const udf::PropNode* x1 = Child(node, "x1");
    const udf::PropNode* y1 = Child(node, "y1");
    const udf::PropNode* x2 = Child(node, "x2");
    const udf::PropNode* y2 = Child(node, "y2");
    const udf::PropNode* w = Child(node, "w");
    const udf::PropNode* h = Child(node, "h");
    const bool hasRect = x1 && y1 && (x2 || w) && (y2 || h);
    if (hasRect) {
        const std::int64_t left = x1->asInt(), top = y1->asInt();
        const std::int64_t right = x2 ? x2->asInt() : left + w->asInt();
        const std::int64_t bottom = y2 ? y2->asInt() : top + h->asInt();
        auto clamp = [](std::int64_t v) {
            return std::int32_t(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
        };
        rect_ = {clamp(left), clamp(top), clamp(right), clamp(bottom)};
        kind_ = kKindSubRect;
    }
    // A rectangle of a parent draws from the parent's texture; only a picture of its own (the
    // root, or a member without rectangle) creates one.
    const bool ownPicture = !(hasRect && parent);
    if (!ownPicture) {
        parent_ = parent;
    } else if (parent) {
        parent_ = nullptr;
    }

    const std::uint32_t lazy = loadFlags_ & kLoadLazy;
    vfs::FileSource file{core::EngineString(fileName)};
    file.flags = vfs::kSourceDisk | vfs::kSourceArchive;
    if (!fileName.empty() && !searchPaths.resolve(file)) {
        return false;
    }
    if (!fileName.empty() && IsDescriptionName(file.path.str())) {
        // The picture is described in a file of its own, which makes this texture and its
        // sub-textures. A rectangle of the parent can only take an image's pixels.
        const std::string name = name_;
        const std::uint32_t delay = delay_;
        if (!ownPicture ||
            !ApplyDescriptionFile(file, searchPaths, {nesting.depth + 1, nesting.filesLeft})) {
            return false;
        }
        name_ = name;
        delay_ = delay;
    } else {
        if (!fileName.empty()) {
            source_ = file;
            path_ = file.path.str();
            loadFlags_ = lazy | (initFlags == "SAVE_NAME" ? kLoadSaveName : kLoadSaveData);
            if ((loadFlags_ & kLoadSaveData) && !ReadSourceBytes()) {
                return false;
            }
        } else {
            loadFlags_ = lazy | kLoadBlank;
        }
        if (ownPicture && !lazy && !Create()) {
            return false;
        }
    }

    if (!parent) {
        if (const udf::PropNode* subs = Child(node, "Subs")) {
            for (const auto& member : subs->children()) {
                auto child = std::make_unique<Texture>(manager_);
                child->owner_ = this;
                child->loadFlags_ = lazy;
                if (!child->ApplyDescription(*member.node, this, searchPaths, nesting)) {
                    return false;
                }
                if (child->parent_) {
                    child->ShareFrom(*this);
                }
                subs_.push_back(child.get());
                // A picture of its own lends us its sub-textures; they stay its children.
                if (!child->parent_) {
                    subs_.insert(subs_.end(), child->subs_.begin(), child->subs_.end());
                }
                family_.push_back(std::move(child));
            }
            for (Texture* sub : subs_) {
                if (sub->parent_ == this && !sub->RestoreSub()) {
                    return false;
                }
            }
        }
    }

    if (const udf::PropNode* animations = Child(node, "Animation")) {
        for (const auto& member : animations->children()) {
            std::vector<std::string> frames;
            for (const auto& frame : member.node->children()) {
                frames.push_back(frame.node->value.str());
            }
            animations_.emplace_back(member.name, std::move(frames));
        }
        if (!animations_.empty()) {
            animation_ = animations_.front().first;
            SetFrame({});
        }
    }
    return true;
}

}  // namespace render
