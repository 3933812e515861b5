#include "render/textures/texture_manager.h"

#include <algorithm>

namespace render {

TextureManager& TextureManager::Instance() {
    static TextureManager manager;
    return manager;
}

TextureManager::~TextureManager() {
    // Textures still held by someone forget the manager; their device textures go with them.
    for (Texture* texture : textures_) {
        texture->manager_ = nullptr;
    }
}

Texture* TextureManager::Pick(Texture* texture, const TextureRequest& request) {
    if (request.flags & kRequestSubName) {
        return texture->FindSub(request.subTextureName);
    }
    if (request.flags & kRequestSubRect) {
        return texture->FindSub(request.subTextureRect);
    }
    return texture;
}

Texture* TextureManager::FindShared(const TextureRequest& request, const std::string& path) const {
    auto matches = [&](Texture* texture) {
        return texture->Matches(request) && Pick(texture, request) != nullptr;
    };
    if (request.source.flags & (vfs::kSourceDisk | vfs::kSourceArchive)) {
        const auto [first, last] = byPath_.equal_range(path);
        for (auto it = first; it != last; ++it) {
            if (matches(it->second)) {
                return it->second;
            }
        }
        return nullptr;
    }
    // Sources without a name share only with a texture made from the same resource or block;
    // anything else would hand one picture out for every unnamed request.
    const vfs::FileSource& wanted = request.source;
    for (Texture* texture : textures_) {
        const vfs::FileSource& source = texture->source_;
        const bool same =
            texture->SourcePath().empty() &&
            (source.flags & ~vfs::kSourceDisk & ~vfs::kSourceArchive) == wanted.flags &&
            ((wanted.flags & vfs::kSourceResource)
                 ? source.resourceId == wanted.resourceId
                 : source.memory == wanted.memory && source.memorySize == wanted.memorySize);
        if (same && matches(texture)) {
            return texture;
        }
    }
    return nullptr;
}

Texture* TextureManager::GetTexture(const TextureRequest& request,
                                    const vfs::SearchPaths* searchPaths) {
    if (request.flags & kRequestExisting) {
        if (!request.texture) {
            return nullptr;
        }
        Texture* found = request.texture;
        if (request.flags & (kRequestSubName | kRequestSubRect)) {
            found = Pick(request.texture, request);
        }
        if (found) {
            found->AddRef();
        }
        return found;
    }

    TextureRequest resolved = request;
    const bool named = resolved.source.flags & (vfs::kSourceDisk | vfs::kSourceArchive);
    if (named) {
        const vfs::SearchPaths& paths = searchPaths ? *searchPaths : searchPaths_;
        if (!paths.resolve(resolved.source)) {
            return nullptr;
        }
    }
    const std::string path = named ? resolved.source.path.str() : std::string();

    if (!resolved.doNotShare) {
        if (Texture* shared = FindShared(resolved, path)) {
            Texture* picked = Pick(shared, resolved);
            picked->AddRef();
            return picked;
        }
    }
    if (resolved.lookupOnly) {
        return nullptr;
    }
    if (resolved.replaceExisting && resolved.texture) {
        resolved.texture->Release();
    }

    auto* texture = new Texture(this);
    const vfs::SearchPaths& paths = searchPaths ? *searchPaths : searchPaths_;
    Texture* picked = texture->Load(resolved, paths) ? Pick(texture, resolved) : nullptr;
    if (!picked) {
        delete texture;
        return nullptr;
    }
    textures_.push_back(texture);
    byPath_.emplace(path, texture);
    picked->AddRef();
    return picked;
}

void TextureManager::Forget(Texture* texture) {
    std::erase(textures_, texture);
    for (auto it = byPath_.begin(); it != byPath_.end();) {
        it = it->second == texture ? byPath_.erase(it) : std::next(it);
    }
}

bool TextureManager::RestoreDeviceObjects() {
    bool ok = true;
    for (Texture* texture : textures_) {
        ok = texture->RestoreDeviceObjects() && ok;
    }
    return ok;
}

void TextureManager::InvalidateDeviceObjects() {
    for (Texture* texture : textures_) {
        texture->InvalidateDeviceObjects();
    }
}

}  // namespace render
