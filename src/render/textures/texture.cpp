#include "render/textures/texture.h"

#include <algorithm>
#include <cstdlib>

#include "render/device/current_device.h"
#include "render/textures/texture_manager.h"
#include "udf/prop_node.h"
#include "udf/udf_text_parser.h"
#include "vfs/search_paths.h"

namespace render {

using namespace gfx;

Texture::Texture(TextureManager* manager) : manager_(manager) {}

Texture::~Texture() {
    for (auto& member : family_) {
        member->parent_ = nullptr;
        member->owner_ = nullptr;
        member->manager_ = nullptr;
    }
    subs_.clear();
    family_.clear();
    if (parent_) {
        std::erase(parent_->subs_, this);
    } else if (texture_) {
        texture_->Release();
    }
    if (manager_ && !owner_) {
        manager_->Forget(this);
    }
}

void Texture::AddRef() {
    ++refs_;
    if (owner_) {
        owner_->AddRef();
    }
}

void Texture::Release() {
    if (owner_) {
        if (refs_ > 0) {
            --refs_;
        }
        owner_->Release();
        return;
    }
    if (refs_ > 0 && --refs_ == 0) {
        delete this;
    }
}

bool Texture::Load(const TextureRequest& request, const vfs::SearchPaths& searchPaths) {
    const std::uint32_t f = request.flags;
    params_.width = (f & kRequestSize) ? request.width : 0;
    params_.height = (f & kRequestSize) ? request.height : 0;
    params_.mipLevels = (f & kRequestMipLevels) ? request.mipLevels : 0;
    params_.usage = (f & kRequestUsage) ? request.usage : 0;
    params_.format = (f & kRequestFormat) ? request.format : D3DFMT_UNKNOWN;
    params_.pool = (f & kRequestPool) ? request.pool : D3DPOOL_MANAGED;
    params_.filter = (f & kRequestFilter) ? request.filter : D3DX_FILTER_BOX;
    params_.mipFilter = (f & kRequestFilter) ? request.mipFilter : D3DX_FILTER_BOX;
    params_.colorKey = (f & kRequestColorKey) ? request.colorKey : 0;

    source_ = request.source;
    const bool named = source_.flags & (vfs::kSourceDisk | vfs::kSourceArchive);
    if (named) {
        loadFlags_ = kLoadSaveData;
        path_ = source_.path.str();
    } else if (source_.flags & (vfs::kSourceResource | vfs::kSourceMemory)) {
        loadFlags_ = kLoadMemory;
    } else {
        loadFlags_ = kLoadBlank;
    }
    if (request.lazy) {
        loadFlags_ |= kLoadLazy;
    }

    if (named && IsDescriptionName(path_)) {
        int filesLeft = kMaxDescriptionFiles;
        return ApplyDescriptionFile(source_, searchPaths, Nesting{0, &filesLeft});
    }
    if (loadFlags_ & (kLoadSaveData | kLoadMemory)) {
        if (!ReadSourceBytes()) {
            return false;
        }
    }
    return (loadFlags_ & kLoadLazy) ? true : Create();
}

bool Texture::ApplyDescriptionFile(const vfs::FileSource& source,
                                   const vfs::SearchPaths& searchPaths, Nesting nesting) {
    if (nesting.depth >= kMaxDescriptionDepth || --*nesting.filesLeft < 0) {
        return false;
    }
    bool share = false;
    core::EngineString text;
    vfs::FileSource file = source;
    if (!file.readWholeFile(text, share)) {
        return false;
    }
    // Names in the description are looked up beside it first.
    vfs::SearchPaths local = searchPaths;
    local.add(file.folder());
    udf::PropNode root;
    udf::UdfTextParser parser(&local);
    if (!parser.parseText(text.view(), root)) {
        return false;
    }
    return ApplyDescription(root, nullptr, local, nesting);
}

bool Texture::IsDescriptionName(const std::string& path) {
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || path.size() - dot != 3) {
        return false;
    }
    return (path[dot + 1] | 0x20) == 't' && (path[dot + 2] | 0x20) == 's';
}

bool Texture::ReadSourceBytes() {
    if (loadFlags_ & kLoadSaveName) {
        vfs::FileSource disk{core::EngineString(path_)};
        bool share = false;
        return disk.readWholeFile(bytes_, share);
    }
    // Resources and shareable memory stay where they are; archive entries arrive as copies.
    bool share = true;
    return source_.readWholeFile(bytes_, share) && !bytes_.empty();
}

bool Texture::Create() {
    Device* device = CurrentDevice();
    if (!device) {
        return false;
    }
    if (texture_) {
        texture_->Release();
        texture_ = nullptr;
    }
    gfx::Texture* created = nullptr;
    HRESULT hr = E_FAIL;
    if (loadFlags_ & kLoadBlank) {
        hr = CreateBlankTexture(device, params_, &created);
    } else {
        if (bytes_.empty() && !ReadSourceBytes()) {
            return false;
        }
        hr = CreateTextureFromFileInMemory(device, bytes_.bytes(), params_, &info_, &created);
        // A file read by name each time is not kept.
        if (loadFlags_ & kLoadSaveName) {
            bytes_ = {};
        }
    }
    if (Failed(hr) || !created) {
        return false;
    }
    Adopt(created);
    // Sub-textures taken over from a nested description are restored by the picture they
    // belong to.
    bool ok = true;
    for (Texture* sub : subs_) {
        if (sub->owner_ == this) {
            ok = sub->RestoreDeviceObjects() && ok;
        }
    }
    return ok;
}

void Texture::Adopt(gfx::Texture* texture) {
    texture_ = texture;
    desc_ = {};
    texture_->GetLevelDesc(0, &desc_);
    if (!parent_) {
        rect_ = {0, 0, std::int32_t(desc_.Width), std::int32_t(desc_.Height)};
    }
    params_.mipLevels = texture_->GetLevelCount();
    for (Texture* sub : subs_) {
        if (sub->parent_ == this) {
            sub->ShareFrom(*this);
        }
    }
}

void Texture::ShareFrom(const Texture& parent) {
    desc_ = parent.desc_;
    info_ = parent.info_;
}

gfx::Texture* Texture::GetD3DTexture() {
    if (parent_) {
        return parent_->GetD3DTexture();
    }
    if (!texture_ && (loadFlags_ & kLoadLazy)) {
        Create();
    }
    return texture_;
}

bool Texture::RestoreDeviceObjects() {
    if (parent_) {
        return RestoreSub();
    }
    if ((loadFlags_ & kLoadLazy) && !texture_) {
        return true;
    }
    return Create();
}

bool Texture::RestoreSub() {
    if (loadFlags_ & kLoadBlank) {
        ShareFrom(*parent_);
        return true;
    }
    gfx::Texture* shared = parent_->texture_;
    if (!shared) {
        // The parent waits for its first use; the pixels go in when it is made.
        return true;
    }
    ShareFrom(*parent_);
    if (bytes_.empty() && !ReadSourceBytes()) {
        return false;
    }
    const bool ok = Succeeded(LoadSurfaceFromFileInMemory(
        shared, &rect_, bytes_.bytes(), params_.filter, params_.colorKey, &info_));
    if (loadFlags_ & kLoadSaveName) {
        bytes_ = {};
    }
    return ok;
}

void Texture::InvalidateDeviceObjects() {
    if (parent_) {
        return;
    }
    if (texture_) {
        texture_->Release();
        texture_ = nullptr;
    }
    for (Texture* sub : subs_) {
        if (!sub->parent_ && sub->owner_ == this) {
            sub->InvalidateDeviceObjects();
        }
    }
}

Texture* Texture::FindSub(const std::string& name) const {
    for (Texture* sub : subs_) {
        if (sub->name_ == name) {
            return sub;
        }
    }
    return nullptr;
}

Texture* Texture::FindSub(const TexelRect& rect) const {
    for (Texture* sub : subs_) {
        if (sub->kind_ == kKindSubRect && sub->rect_ == rect) {
            return sub;
        }
    }
    return nullptr;
}

bool Texture::Matches(const TextureRequest& request) const {
    const std::uint32_t f = request.flags;
    if ((f & kRequestFormat) && params_.format != request.format)
        return false;
    if ((f & kRequestColorKey) && params_.colorKey != request.colorKey)
        return false;
    if ((f & kRequestSize) && (params_.width != request.width || params_.height != request.height))
        return false;
    if ((f & kRequestUsage) && params_.usage != request.usage)
        return false;
    if ((f & kRequestPool) && params_.pool != request.pool)
        return false;
    if ((f & kRequestFilter) &&
        (params_.filter != request.filter || params_.mipFilter != request.mipFilter))
        return false;
    if ((f & kRequestMipLevels) && params_.mipLevels != request.mipLevels)
        return false;
    return true;
}

UVRect Texture::GetUVRect() const {
    return GetUVRect(0, 0, 0, 0);
}

UVRect Texture::GetUVRect(std::int32_t insetLeft, std::int32_t insetTop, std::int32_t insetRight,
                          std::int32_t insetBottom) const {
    if (!parent_) {
        if (insetLeft == 0 && insetTop == 0 && insetRight == 0 && insetBottom == 0) {
            return {};
        }
    }
    const D3DSURFACE_DESC& surface = parent_ ? parent_->desc_ : desc_;
    if (surface.Width == 0 || surface.Height == 0) {
        return {};
    }
    const float w = float(surface.Width), h = float(surface.Height);
    return {float(rect_.left + insetLeft) / w, float(rect_.top + insetTop) / h,
            float(rect_.right - insetRight) / w, float(rect_.bottom - insetBottom) / h};
}

std::pair<std::uint32_t, std::uint32_t> Texture::GetSize() const {
    if (kind_ == kKindSubRect) {
        return {std::uint32_t(rect_.right - rect_.left), std::uint32_t(rect_.bottom - rect_.top)};
    }
    return {desc_.Width, desc_.Height};
}

const Texture* Texture::FindFrame(const std::string& name) const {
    return FindSub(name);
}

bool Texture::SetAnimation(const std::string& name) {
    for (const auto& [animation, frames] : animations_) {
        if (animation == name) {
            animation_ = name;
            return SetFrame({});
        }
    }
    return false;
}

bool Texture::SetFrame(const std::string& name) {
    for (const auto& [animation, frames] : animations_) {
        if (animation != animation_ || frames.empty()) {
            continue;
        }
        if (name.empty()) {
            frame_ = frames.front();
        } else if (std::find(frames.begin(), frames.end(), name) != frames.end()) {
            frame_ = name;
        } else {
            return false;
        }
        frameStart_ = manager_ ? manager_->Now() : 0;
        return true;
    }
    return false;
}

UVRect Texture::AdvanceFrame() {
    const std::vector<std::string>* frames = nullptr;
    for (const auto& [animation, list] : animations_) {
        if (animation == animation_) {
            frames = &list;
        }
    }
    if (!frames || frames->empty() || !manager_) {
        return {};
    }
    auto current = std::find(frames->begin(), frames->end(), frame_);
    if (current == frames->end()) {
        return {};
    }
    // Each frame stays for its own delay. Delays count at least 1 ms so that time always moves
    // on, and whole cycles are skipped at once after a long pause.
    auto delayOf = [&](const std::string& name) -> std::int64_t {
        const Texture* frame = FindFrame(name);
        return std::max<std::int64_t>(1, frame ? frame->delay_ : delay_);
    };
    std::int64_t cycle = 0;
    for (const std::string& name : *frames) {
        cycle += delayOf(name);
    }
    const std::int64_t now = manager_->Now();
    if (now < frameStart_) {
        frameStart_ = now;
    }
    if (now - frameStart_ >= cycle) {
        frameStart_ += (now - frameStart_) / cycle * cycle;
    }
    while (now - frameStart_ >= delayOf(*current)) {
        frameStart_ += delayOf(*current);
        if (++current == frames->end()) {
            current = frames->begin();
        }
    }
    frame_ = *current;

    const Texture* frame = FindFrame(frame_);
    if (!frame) {
        return {};
    }
    return frame->GetUVRect();
}

D3DMATRIX Texture::GetTextureMatrix() {
    const UVRect frame = AdvanceFrame();
    const float frameWidth = frame.u1 - frame.u0;
    const float frameHeight = frame.v1 - frame.v0;
    D3DMATRIX matrix{};
    for (int i = 0; i < 4; ++i) {
        matrix.m[i][i] = 1.0f;
    }
    matrix.m[0][0] = frameWidth * (shown_.u1 - shown_.u0);
    matrix.m[1][1] = frameHeight * (shown_.v1 - shown_.v0);
    matrix.m[2][0] = frame.u0 + frameWidth * shown_.u0;
    matrix.m[2][1] = frame.v0 + frameHeight * shown_.v0;
    return matrix;
}

}  // namespace render
