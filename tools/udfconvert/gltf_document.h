// GltfDocument: what a glTF file says beyond its geometry (which nodes the scene starts from,
// the extras of nodes and materials), checked for size and for the files it refers to before
// the geometry importer sees it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace udfconvert {

// One extras value the scene file can carry.
struct ExtraValue {
    enum class Kind { Int, Real, Text, Reals };
    Kind kind = Kind::Int;
    std::int32_t integer = 0;
    float real = 0.0f;
    std::string text;
    std::vector<float> reals;  // a short array of numbers, such as a colour

    bool Truthy() const;
};

// Ordered by key so that the output does not depend on the file's order.
using Extras = std::map<std::string, ExtraValue>;

class GltfDocument {
public:
    // Limits on what the converter accepts.
    static constexpr std::uintmax_t kMaxJsonBytes = 64u << 20;
    static constexpr std::uintmax_t kMaxFileBytes = 512u << 20;
    static constexpr int kMaxNesting = 64;

    // False, with a one-line reason in `error`, when the file is missing, too big, not JSON,
    // nested too deeply, or refers to a buffer or image file that is missing, embedded or too
    // big.
    bool Load(const std::filesystem::path& path, std::string& error);

    // Extras of the node or material of that name; null when it has none.
    const Extras* NodeExtras(std::string_view name) const;
    const Extras* MaterialExtras(std::string_view name) const;
    // Names of the nodes the default scene lists.
    const std::set<std::string>& SceneRoots() const { return sceneRoots_; }
    const std::filesystem::path& Folder() const { return folder_; }

    // A URI as a file name: percent escapes decoded.
    static std::string DecodeUri(std::string_view uri);
    // The deepest bracket nesting of a JSON text, strings skipped.
    static int Nesting(std::string_view text);

private:
    std::filesystem::path folder_;
    std::map<std::string, Extras, std::less<>> nodeExtras_;
    std::map<std::string, Extras, std::less<>> materialExtras_;
    std::set<std::string> sceneRoots_;
};

// A file next to the document, given by a relative name: false when it is missing, not a plain
// file, or bigger than `limit`.
bool FileUsable(const std::filesystem::path& folder, const std::string& name, std::uintmax_t limit);

}  // namespace udfconvert
