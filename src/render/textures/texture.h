// Texture: one loaded or created texture, or a sub-rectangle (sub-texture) of another, with the
// frame animations a texture description gives it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/engine_string.h"
#include "platform/gfx/device.h"
#include "render/device/device_object.h"
#include "render/textures/image/image.h"
#include "render/textures/texture_loader.h"
#include "render/textures/texture_request.h"
#include "vfs/file_source.h"

namespace udf {
class PropNode;
}
namespace vfs {
class SearchPaths;
}

namespace render {

class TextureManager;

// Load flags: where the texture's pixels come from and whether creation waits for first use.
inline constexpr std::uint32_t kLoadSaveData = 0x1;  // file bytes read through the vfs and kept
inline constexpr std::uint32_t kLoadSaveName = 0x2;  // file read from disk by name every time
inline constexpr std::uint32_t kLoadMemory = 0x4;    // bytes given by the caller
inline constexpr std::uint32_t kLoadBlank = 0x8;     // no source
inline constexpr std::uint32_t kLoadLazy = 0x10;     // created on first use

inline constexpr std::uint32_t kKindPlain = 0;
inline constexpr std::uint32_t kKindSubRect = 2;

struct UVRect {
    float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
    friend bool operator==(const UVRect&, const UVRect&) = default;
};

class Texture : public DeviceObject {
public:
    explicit Texture(TextureManager* manager);
    ~Texture() override;
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // A sub-texture counts its references together with the texture it belongs to, which is
    // destroyed (with its sub-textures) when the last one goes.
    void AddRef();
    void Release();
    std::uint32_t RefCount() const { return refs_; }

    // The device texture, created first when this texture (or its parent) is lazy; a sub-texture
    // answers its parent's.
    gfx::Texture* GetD3DTexture();
    UVRect GetUVRect() const;
    UVRect GetUVRect(std::int32_t insetLeft, std::int32_t insetTop, std::int32_t insetRight,
                     std::int32_t insetBottom) const;
    std::pair<std::uint32_t, std::uint32_t> GetSize() const;
    // Advances a running animation and maps 0..1 onto the current frame, then onto the shown
    // region within it; identity for a still texture shown whole.
    gfx::D3DMATRIX GetTextureMatrix();
    // The part of the picture that texture coordinates 0 to 1 show (all of it by default), so
    // that a picture can be cropped where it is drawn without decoding it again.
    void SetShownRegion(const UVRect& region) { shown_ = region; }
    const UVRect& ShownRegion() const { return shown_; }
    // Positions the animation at frame `name` (the first one for an empty name).
    bool SetFrame(const std::string& name);
    // Chooses which animation plays, from its first frame.
    bool SetAnimation(const std::string& name);

    bool RestoreDeviceObjects() override;
    void InvalidateDeviceObjects() override;

    // Loading, done by the manager.
    bool Load(const TextureRequest& request, const vfs::SearchPaths& searchPaths);
    bool ApplyDescription(const udf::PropNode& node, Texture* parent,
                          const vfs::SearchPaths& searchPaths);
    // The sub-texture of this texture called `name`, or with rectangle `rect`.
    Texture* FindSub(const std::string& name) const;
    Texture* FindSub(const TexelRect& rect) const;
    // Whether the fields `flags` selects equal the request's.
    bool Matches(const TextureRequest& request) const;

    const std::string& Name() const { return name_; }
    const std::string& SourcePath() const { return path_; }
    std::uint32_t LoadFlags() const { return loadFlags_; }
    std::uint32_t Kind() const { return kind_; }
    Texture* Parent() const { return parent_; }
    // The texture whose device texture this one draws from: itself, or its parent.
    const Texture* Source() const { return parent_ ? parent_->Source() : this; }
    const TexelRect& Rect() const { return rect_; }
    std::uint32_t Delay() const { return delay_; }
    const TextureParams& Params() const { return params_; }
    const ImageInfo& Info() const { return info_; }
    const gfx::D3DSURFACE_DESC& Desc() const { return desc_; }
    const std::vector<Texture*>& Subs() const { return subs_; }
    const std::vector<std::pair<std::string, std::vector<std::string>>>& Animations() const {
        return animations_;
    }
    const std::string& CurrentFrame() const { return frame_; }

    // True for a file name with the extension "ts" (a texture description).
    static bool IsDescriptionName(const std::string& path);

private:
    friend class TextureManager;

    // How deep descriptions that name other descriptions may nest, and how many description
    // files one load may read in all, so that cycles and fan-outs end.
    static constexpr int kMaxDescriptionDepth = 8;
    static constexpr int kMaxDescriptionFiles = 256;
    struct Nesting {
        int depth = 0;
        int* filesLeft = nullptr;
    };
    bool ApplyDescription(const udf::PropNode& node, Texture* parent,
                          const vfs::SearchPaths& searchPaths, Nesting nesting);
    // Reads the description file `source` and applies it to this texture as a root description.
    bool ApplyDescriptionFile(const vfs::FileSource& source, const vfs::SearchPaths& searchPaths,
                              Nesting nesting);
    bool Create();
    bool CreateFromFile();
    void Adopt(gfx::Texture* texture);
    void ShareFrom(const Texture& parent);
    bool RestoreSub();
    bool ReadSourceBytes();
    const Texture* FindFrame(const std::string& name) const;
    // Moves a running animation on to the frame due now and gives that frame's rectangle; the
    // whole texture when nothing plays.
    UVRect AdvanceFrame();

    TextureManager* manager_;
    std::uint32_t loadFlags_ = kLoadBlank;
    std::string path_;
    vfs::FileSource source_;
    core::EngineString bytes_;
    TextureParams params_;
    gfx::Texture* texture_ = nullptr;  // owned unless this is a sub-texture
    ImageInfo info_;
    UVRect shown_;
    gfx::D3DSURFACE_DESC desc_{};
    std::uint32_t kind_ = kKindPlain;
    Texture* parent_ = nullptr;
    Texture* owner_ = nullptr;  // the root texture that owns this one, null for a root
    TexelRect rect_;
    std::uint32_t delay_ = 100;
    std::string name_;
    std::vector<Texture*> subs_;
    // Everything a description created under this texture lives as long as it does.
    std::vector<std::unique_ptr<Texture>> family_;
    std::vector<std::pair<std::string, std::vector<std::string>>> animations_;
    std::string animation_;
    std::string frame_;
    std::int64_t frameStart_ = 0;
    std::uint32_t refs_ = 0;
};

}  // namespace render
