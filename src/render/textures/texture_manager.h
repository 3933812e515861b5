// TextureManager: the one place textures come from. Equal requests share one texture; every
// texture is rebuilt after a device reset.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/interval_timer.h"
#include "render/device/device_object.h"
#include "render/textures/texture.h"
#include "render/textures/texture_request.h"
#include "vfs/search_paths.h"

namespace render {

class TextureManager : public DeviceObject {
public:
    TextureManager() = default;
    ~TextureManager() override;
    TextureManager(const TextureManager&) = delete;
    TextureManager& operator=(const TextureManager&) = delete;

    // The process-wide manager.
    static TextureManager& Instance();

    // A texture with its count raised, or null. A named file is looked up in `searchPaths`
    // when given, else in the manager's own.
    Texture* GetTexture(const TextureRequest& request,
                        const vfs::SearchPaths* searchPaths = nullptr);

    vfs::SearchPaths& SearchPaths() { return searchPaths_; }

    // The "Id" of the texture description read last.
    const std::string& CurrentId() const { return currentId_; }
    void SetCurrentId(std::string id) { currentId_ = std::move(id); }

    // The clock animations run on (tests replace it).
    void SetClock(core::IntervalTimer::Clock clock) { clock_ = clock; }
    std::int64_t Now() const { return clock_(); }

    // Textures loaded and alive (sub-textures not counted).
    std::size_t TextureCount() const { return textures_.size(); }

    bool RestoreDeviceObjects() override;
    void InvalidateDeviceObjects() override;

    // Called by a texture that is being destroyed.
    void Forget(Texture* texture);

private:
    Texture* FindShared(const TextureRequest& request, const std::string& path) const;
    static Texture* Pick(Texture* texture, const TextureRequest& request);

    vfs::SearchPaths searchPaths_;
    std::vector<Texture*> textures_;
    std::multimap<std::string, Texture*> byPath_;
    std::string currentId_;
    core::IntervalTimer::Clock clock_ = &core::NowMilliseconds;
};

}  // namespace render
