#include "render/scene/material_library.h"

#include <algorithm>
#include <cstring>

#include "render/scene/record_fields.h"
#include "render/textures/texture.h"
#include "render/textures/texture_manager.h"
#include "udf/udf_node.h"
#include "vfs/search_paths.h"

namespace render {

using namespace gfx;

namespace {

// A scene colour: up to 16 bytes over (1, 1, 1, 1), read as alpha, red, green, blue.
D3DCOLORVALUE ReadColour(const udf::UdfNode& leaf) {
    float argb[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    if (leaf.data()) {
        std::memcpy(argb, leaf.data(), std::min<std::uint32_t>(leaf.size(), sizeof argb));
    }
    return {argb[1], argb[2], argb[3], argb[0]};
}

float Real(const udf::UdfNode& node) {
    if (node.typeName().view() == "int") {
        return float(node.asInt());
    }
    if (node.typeName().view() == "string") {
        return std::strtof(FieldText(node).c_str(), nullptr);
    }
    return node.asReal();
}

DWORD MaterialAddress(const udf::UdfNode& entry, std::string_view key) {
    const udf::UdfNode* child = entry.findChild(key);
    if (!child) {
        return D3DTADDRESS_WRAP;
    }
    const std::string text = FieldText(*child);
    if (text == "Mirror") {
        return D3DTADDRESS_MIRROR;
    }
    if (text == "Wrap") {
        return D3DTADDRESS_WRAP;
    }
    return D3DTADDRESS_BORDER;
}

DWORD FilterByName(const std::string& name) {
    static constexpr std::pair<std::string_view, DWORD> kNames[] = {
        {"none", D3DTEXF_NONE},
        {"point", D3DTEXF_POINT},
        {"linear", D3DTEXF_LINEAR},
        {"anisotropic", D3DTEXF_ANISOTROPIC},
        {"pyrquad", D3DTEXF_PYRAMIDALQUAD},
        {"guasquad", D3DTEXF_GAUSSIANQUAD},
    };
    for (const auto& [text, value] : kNames) {
        if (text == name) {
            return value;
        }
    }
    return D3DTEXF_NONE;
}

bool HasWord(const std::string& text, std::string_view word) {
    return text.find(word) != std::string::npos;
}

// The sub-material's name: its "Name" member when it has one, else its own node name.
std::string SubMaterialName(const udf::UdfNode& record) {
    if (record.findChild("Name")) {
        return ChildText(record, "Name");
    }
    return record.name().str();
}

}  // namespace

std::uint32_t SubMaterialColorOp(std::string_view name) {
    auto has = [&](std::string_view word) { return name.find(word) != std::string_view::npos; };
    if (has("LightMap") || has("Modulate2X")) {
        return D3DTOP_MODULATE2X;
    }
    if (has("Modulate")) {
        return D3DTOP_MODULATE;
    }
    if (has("AddSigned")) {
        return D3DTOP_ADDSIGNED;
    }
    if (has("Add") || has("Chrome")) {
        return D3DTOP_ADD;
    }
    return 0;
}

MaterialLibrary::~MaterialLibrary() {
    Clear();
}

void MaterialLibrary::Clear() {
    materials_.clear();
    for (Texture* texture : textures_) {
        texture->Release();
    }
    textures_.clear();
}

const RenderStates* MaterialLibrary::Find(std::string_view name) const {
    for (const auto& [key, block] : materials_) {
        if (key == name) {
            return &block;
        }
    }
    return nullptr;
}

bool MaterialLibrary::LoadRecord(const udf::UdfNode& record, RenderStates& block,
                                 const vfs::SearchPaths* searchPaths) {
    if (const auto* colour = record.findChild("Ambient"))
        block.material.Ambient = ReadColour(*colour);
    if (const auto* colour = record.findChild("Diffuse"))
        block.material.Diffuse = ReadColour(*colour);
    if (const auto* colour = record.findChild("Specular")) {
        block.material.Specular = ReadColour(*colour);
    }
    if (const auto* colour = record.findChild("Emissive")) {
        block.material.Emissive = ReadColour(*colour);
    }
    block.cullMode = record.findChild("TwoSided") ? D3DCULL_NONE : D3DCULL_CCW;
    if (const auto* opacity = record.findChild("Opacity")) {
        block.opacity = Real(*opacity);
    }
    const udf::UdfNode* textures = record.findChild("Textures");
    if (!textures) {
        return true;
    }
    for (const auto& member : textures->children()) {
        const udf::UdfNode& entry = *member.node;
        if (entry.typeName().view() != "Diffuse") {
            continue;
        }
        if (!entry.findChild("FileName")) {
            return false;
        }
        TextureRequest request;
        request.source = vfs::FileSource(core::EngineString(ChildText(entry, "FileName")));
        request.source.flags = vfs::kSourceDisk | vfs::kSourceArchive;
        Texture* texture = TextureManager::Instance().GetTexture(request, searchPaths);
        if (!texture) {
            continue;
        }
        textures_.push_back(texture);
        block.stages[0].texture = texture;
        block.stages[0].addressU = MaterialAddress(entry, "TexAddrU");
        block.stages[0].addressV = MaterialAddress(entry, "TexAddrV");
    }
    return true;
}

bool MaterialLibrary::LoadMaterialLibrary(const udf::UdfNode& materials,
                                          const RenderStates& defaults,
                                          const vfs::SearchPaths* searchPaths) {
    for (const auto& member : materials.children()) {
        const udf::UdfNode& record = *member.node;
        const std::string name = member.name;
        if (Find(name)) {
            continue;
        }
        RenderStates block = defaults;
        const udf::UdfNode* subs = record.findChild("Materials");
        if (subs && subs->childCount() > 0) {
            for (const auto& subMember : subs->children()) {
                const udf::UdfNode& sub = *subMember.node;
                const udf::UdfNode* idNode = sub.findChild("MaterialSubId");
                const std::int32_t id = idNode ? idNode->asInt() : 0;
                if (id == 0) {
                    if (!LoadRecord(sub, block, searchPaths)) {
                        return false;
                    }
                    continue;
                }
                if (id < 1 || id > 7) {
                    continue;
                }
                RenderStates copy = defaults;
                if (!LoadRecord(sub, copy, searchPaths)) {
                    return false;
                }
                StageState& stage = block.stages[std::size_t(id)];
                stage = copy.stages[0];
                stage.texCoordIndex = std::uint32_t(id);
                const std::string subName = SubMaterialName(sub);
                if (HasWord(subName, "Chrome")) {
                    stage.texCoordIndex |= D3DTSS_TCI_SPHEREMAP;
                }
                if (const std::uint32_t op = SubMaterialColorOp(subName)) {
                    stage.colorOp = op;
                    stage.colorArg1 = D3DTA_CURRENT;
                    stage.colorArg2 = stage.texture ? D3DTA_TEXTURE : D3DTA_DIFFUSE;
                }
            }
        } else if (!LoadRecord(record, block, searchPaths)) {
            return false;
        }
        materials_.emplace_back(name, block);
    }
    return true;
}

void ApplyMeshKeys(const udf::UdfNode& mesh, RenderStates& block) {
    StageState& stage = block.stages[0];
    if (const auto* blend = mesh.findChild("Blend")) {
        const std::string text = FieldText(*blend);
        if (text == "additive") {
            block.blendMode = kBlendAdditive;
        } else if (text == "multiply") {
            block.blendMode = kBlendNormal;
        }
    }
    if (mesh.findChild("MinFilter"))
        stage.minFilter = FilterByName(ChildText(mesh, "MinFilter"));
    if (mesh.findChild("MagFilter"))
        stage.magFilter = FilterByName(ChildText(mesh, "MagFilter"));
    if (mesh.findChild("MipFilter"))
        stage.mipFilter = FilterByName(ChildText(mesh, "MipFilter"));
    auto address = [&](std::string_view key, std::uint32_t& target) {
        const std::string text = ChildText(mesh, key);
        if (text == "border") {
            target = D3DTADDRESS_BORDER;
        } else if (text == "wrap") {
            target = D3DTADDRESS_WRAP;
        } else if (text == "mirror") {
            target = D3DTADDRESS_MIRROR;
        }
    };
    address("TexAddrU", stage.addressU);
    address("TexAddrV", stage.addressV);

    if (mesh.findChild("AlphaUse")) {
        const std::string words = ChildText(mesh, "AlphaUse");
        const bool factor = HasWord(words, "factor");
        const bool texture = HasWord(words, "texture");
        const bool diffuse = HasWord(words, "diffuse");
        if (factor && texture) {
            stage.alphaOp = D3DTOP_MODULATE;
            stage.alphaArg1 = D3DTA_TEXTURE;
            stage.alphaArg2 = D3DTA_TFACTOR;
        } else if (factor && diffuse) {
            stage.alphaOp = D3DTOP_MODULATE;
            stage.alphaArg1 = D3DTA_DIFFUSE;
            stage.alphaArg2 = D3DTA_TFACTOR;
        } else if (diffuse && texture) {
            stage.alphaOp = D3DTOP_MODULATE;
            stage.alphaArg1 = D3DTA_TEXTURE;
            stage.alphaArg2 = D3DTA_DIFFUSE;
        } else if (factor || texture || diffuse) {
            stage.alphaOp = D3DTOP_SELECTARG1;
            stage.alphaArg1 = factor ? D3DTA_TFACTOR : texture ? D3DTA_TEXTURE : D3DTA_DIFFUSE;
        } else {
            stage.alphaOp = D3DTOP_DISABLE;
        }
        if (factor) {
            const udf::UdfNode* alpha = mesh.findChild("Alpha");
            block.opacity = alpha ? Real(*alpha) : 0.5f;
        }
    }
    if (mesh.findChild("Lit")) {
        block.lit = ChildText(mesh, "Lit") == "1" ? 1 : 0;
    }
}

}  // namespace render
