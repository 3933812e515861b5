// SceneConverter: turns a glTF scene exported from Blender (Z up, metres, right-handed) into our
// scene file and camera paths (Z up, centimetres, left-handed).
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "gltf_document.h"
#include "render/math/matrix.h"
#include "render/scene/animation/key.h"
#include "udf/udf_node.h"

namespace Assimp {
class Importer;
}
struct aiScene;
struct aiNode;
struct aiMesh;
struct aiNodeAnim;
struct aiMaterial;

namespace udfconvert {

// One output file: its name in the output folder and its bytes.
struct OutputFile {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

// Blender to ours: (x, y, z) metres -> 100 (x, -y, z) centimetres; directions without the
// scale; a rotation (x, y, z, w) -> (-x, y, -z, w).
render::Vector3 MirrorPoint(float x, float y, float z);
render::Vector3 MirrorDirection(float x, float y, float z);
render::Quaternion MirrorRotation(float x, float y, float z, float w);
// The camera key of a camera whose mirrored rotation is `q`: Blender cameras look along their
// local -Z with +Y up, ours along the rotated +Z with the rotated +Y up.
render::Quaternion CameraRotation(const render::Quaternion& q);

class SceneConverter {
public:
    static constexpr std::uint32_t kMaxVertices = 4u << 20;
    static constexpr std::uint32_t kMaxKeys = 1u << 20;
    static constexpr int kMaxDepth = 200;

    SceneConverter();
    ~SceneConverter();

    // Reads `gltf` and fills `files` with "clock.UDF" and one "c<N>.cam" per camera node named
    // c<N>. False, with a one-line reason in `error`, when anything cannot be converted.
    bool Convert(const std::filesystem::path& gltf, std::vector<OutputFile>& files,
                 std::string& error);

private:
    struct MaterialUse {
        unsigned material;
        std::string lightmap;
        bool operator<(const MaterialUse& other) const {
            return material != other.material ? material < other.material
                                              : lightmap < other.lightmap;
        }
    };

    bool CheckNames(const aiNode& node, int depth, std::set<std::string>& folded);
    bool CollectMaterialUses(const aiNode& node);
    bool ConvertNode(const aiNode& node, udf::UdfNode& children);
    // `mirrored`: the node's world transform has a negative determinant.
    bool AddMesh(const aiNode& node, const aiMesh& mesh, const Extras* extras, bool mirrored,
                 udf::UdfNode& record);
    bool AddAnimation(const aiNode& node, udf::UdfNode& record, const render::Vector3& scale,
                      const render::Quaternion& rotation, const render::Vector3& position);
    bool BuildMaterials(udf::UdfNode& materials);
    std::unique_ptr<udf::UdfNode> MaterialRecord(const std::string& recordName,
                                                 const aiMaterial& material,
                                                 const std::string& gltfName);
    bool ConvertCamera(const aiNode& node, const std::string& fileName,
                       std::vector<OutputFile>& files);
    std::string Lightmap(const aiNode& node, const aiMesh& mesh) const;
    std::string MaterialName(unsigned material) const;
    // Whether the material is one of the file's (named), not the importer's stand-in for
    // primitives without one.
    bool HasMaterial(unsigned material) const;
    std::string UniqueName(const std::string& wanted);
    // The first animation channel of the node and its ticks per second.
    const aiNodeAnim* Channel(const aiNode& node, double& ticksPerSecond) const;
    bool IsCamera(const aiNode& node) const;

    GltfDocument document_;
    std::unique_ptr<Assimp::Importer> importer_;
    const aiScene* scene_ = nullptr;
    std::map<MaterialUse, std::string> materialNames_;
    std::set<std::string> usedNames_;
    std::set<std::string> cameras_;
    std::uint64_t vertexTotal_ = 0;
    std::string error_;
};

}  // namespace udfconvert
