// MaterialLibrary: the render-state blocks of a scene's materials by name, built from the scene
// file's "Materials" record; and the per-mesh keys that adjust a mesh's own block.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "render/states/render_states.h"

namespace udf {
class UdfNode;
}
namespace vfs {
class SearchPaths;
}

namespace render {

class Texture;

class MaterialLibrary {
public:
    MaterialLibrary() = default;
    ~MaterialLibrary();
    MaterialLibrary(const MaterialLibrary&) = delete;
    MaterialLibrary& operator=(const MaterialLibrary&) = delete;

    // Adds every member of `materials` not yet known, starting each from `defaults`; texture
    // files are looked up in `searchPaths` (the scene's folder context). False when a material
    // fails (a texture entry without "FileName"); the materials before it stay.
    bool LoadMaterialLibrary(const udf::UdfNode& materials, const RenderStates& defaults,
                             const vfs::SearchPaths* searchPaths);

    // The block stored under `name`, or null.
    const RenderStates* Find(std::string_view name) const;
    std::size_t Count() const { return materials_.size(); }

    // Drops every material and the textures they hold.
    void Clear();

private:
    bool LoadRecord(const udf::UdfNode& record, RenderStates& block,
                    const vfs::SearchPaths* searchPaths);

    std::vector<std::pair<std::string, RenderStates>> materials_;
    std::vector<Texture*> textures_;  // one reference each
};

// Applies the per-mesh keys ("Blend", filters, addressing, "AlphaUse", "Alpha", "Lit") of a mesh
// record to its block.
void ApplyMeshKeys(const udf::UdfNode& mesh, RenderStates& block);

// The colour operation a sub-material's name asks for ("LightMap", "Modulate", "AddSigned",
// "Add", "Chrome"); 0 when the name asks for none.
std::uint32_t SubMaterialColorOp(std::string_view name);

}  // namespace render
