#include "gltf_document.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include <nlohmann/json.hpp>

#include "core/ascii.h"

namespace udfconvert {

namespace {

using Json = nlohmann::json;

// Longer arrays are no value the scene file has a key for.
constexpr std::size_t kMaxExtraArray = 4;

bool ReadExtra(const Json& value, ExtraValue& out) {
    if (value.is_boolean()) {
        out.kind = ExtraValue::Kind::Int;
        out.integer = value.get<bool>() ? 1 : 0;
    } else if (value.is_number_integer()) {
        const std::int64_t wide = value.get<std::int64_t>();
        if (wide < INT32_MIN || wide > INT32_MAX) {
            return false;
        }
        out.kind = ExtraValue::Kind::Int;
        out.integer = std::int32_t(wide);
    } else if (value.is_number_float()) {
        out.kind = ExtraValue::Kind::Real;
        out.real = float(value.get<double>());
    } else if (value.is_string()) {
        out.kind = ExtraValue::Kind::Text;
        out.text = value.get<std::string>();
    } else if (value.is_array() && !value.empty() && value.size() <= kMaxExtraArray) {
        out.kind = ExtraValue::Kind::Reals;
        for (const Json& element : value) {
            if (!element.is_number()) {
                return false;
            }
            out.reals.push_back(float(element.get<double>()));
        }
    } else {
        return false;
    }
    return true;
}

// The named objects of `list` that carry extras, by name; unnamed ones are left out.
void ReadNamedExtras(const Json& document, const char* list,
                     std::map<std::string, Extras, std::less<>>& out) {
    const auto found = document.find(list);
    if (found == document.end() || !found->is_array()) {
        return;
    }
    for (const Json& object : *found) {
        if (!object.is_object()) {
            continue;
        }
        const auto name = object.find("name");
        const auto extras = object.find("extras");
        if (name == object.end() || !name->is_string() || extras == object.end() ||
            !extras->is_object()) {
            continue;
        }
        Extras& values = out[name->get<std::string>()];
        for (const auto& [key, value] : extras->items()) {
            ExtraValue read;
            if (ReadExtra(value, read)) {
                values[key] = std::move(read);
            }
        }
    }
}

bool IsDataUri(const std::string& uri) {
    return uri.rfind("data:", 0) == 0;
}

}  // namespace

bool ExtraValue::Truthy() const {
    switch (kind) {
        case Kind::Int:
            return integer != 0;
        case Kind::Real:
            return real != 0.0f;
        case Kind::Text:
            return !text.empty() && text != "0";
        case Kind::Reals:
            return true;
    }
    return false;
}

bool FileUsable(const std::filesystem::path& folder, const std::string& name,
                std::uintmax_t limit) {
    if (name.empty()) {
        return false;
    }
    std::error_code error;
    const std::filesystem::path path = folder / name;
    if (!std::filesystem::is_regular_file(path, error)) {
        return false;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return !error && size <= limit;
}

std::string GltfDocument::DecodeUri(std::string_view uri) {
    std::string out;
    for (std::size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size()) {
            const int high = core::HexDigitValue(uri[i + 1]);
            const int low = core::HexDigitValue(uri[i + 2]);
            if (high >= 0 && low >= 0) {
                out += char(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += uri[i];
    }
    return out;
}

int GltfDocument::Nesting(std::string_view text) {
    int depth = 0;
    int deepest = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return deepest;
}

bool GltfDocument::Load(const std::filesystem::path& path, std::string& error) {
    folder_ = path.parent_path();
    if (!FileUsable(folder_, path.filename().string(), kMaxJsonBytes)) {
        error = "cannot read " + path.string() + " (missing, not a file, or too big)";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in.good() && !in.eof()) {
        error = "cannot read " + path.string();
        return false;
    }
    // The JSON parser recurses per level; deep nesting is refused before it starts.
    if (Nesting(text) > kMaxNesting) {
        error = path.string() + " is nested too deeply";
        return false;
    }
    const Json document = Json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_object()) {
        error = path.string() + " is not a glTF file (no JSON object)";
        return false;
    }
    if (const auto buffers = document.find("buffers"); buffers != document.end()) {
        for (const Json& buffer : *buffers) {
            const auto uri = buffer.is_object() ? buffer.find("uri") : buffer.end();
            if (uri == buffer.end() || !uri->is_string()) {
                error = "a buffer has no file (binary glTF is not supported)";
                return false;
            }
            const std::string name = uri->get<std::string>();
            if (!IsDataUri(name) && !FileUsable(folder_, DecodeUri(name), kMaxFileBytes)) {
                error = "buffer file " + DecodeUri(name) + " is missing or too big";
                return false;
            }
        }
    }
    if (const auto images = document.find("images"); images != document.end()) {
        for (const Json& image : *images) {
            const auto uri = image.is_object() ? image.find("uri") : image.end();
            if (uri == image.end() || !uri->is_string() || IsDataUri(uri->get<std::string>())) {
                error = "an image is embedded; export images as separate files";
                return false;
            }
            const std::string name = DecodeUri(uri->get<std::string>());
            if (!FileUsable(folder_, name, kMaxFileBytes)) {
                error = "image file " + name + " is missing or too big";
                return false;
            }
        }
    }
    if (const auto asset = document.find("asset"); asset != document.end() && asset->is_object()) {
        const auto generator = asset->find("generator");
        fromBlender_ = generator != asset->end() && generator->is_string() &&
                       generator->get<std::string>().find("Blender") != std::string::npos;
    }
    ReadNamedExtras(document, "nodes", nodeExtras_);
    ReadNamedExtras(document, "materials", materialExtras_);

    const auto nodes = document.find("nodes");
    const auto scenes = document.find("scenes");
    std::size_t sceneIndex = 0;
    if (const auto scene = document.find("scene");
        scene != document.end() && scene->is_number_unsigned()) {
        sceneIndex = scene->get<std::size_t>();
    }
    if (nodes != document.end() && nodes->is_array() && scenes != document.end() &&
        scenes->is_array() && sceneIndex < scenes->size() && (*scenes)[sceneIndex].is_object()) {
        const Json& scene = (*scenes)[sceneIndex];
        if (const auto roots = scene.find("nodes"); roots != scene.end() && roots->is_array()) {
            for (const Json& index : *roots) {
                if (!index.is_number_unsigned() || index.get<std::size_t>() >= nodes->size()) {
                    continue;
                }
                const Json& node = (*nodes)[index.get<std::size_t>()];
                if (const auto name = node.is_object() ? node.find("name") : node.end();
                    name != node.end() && name->is_string()) {
                    sceneRoots_.insert(name->get<std::string>());
                }
            }
        }
    }
    return true;
}

const Extras* GltfDocument::NodeExtras(std::string_view name) const {
    const auto found = nodeExtras_.find(name);
    return found == nodeExtras_.end() ? nullptr : &found->second;
}

const Extras* GltfDocument::MaterialExtras(std::string_view name) const {
    const auto found = materialExtras_.find(name);
    return found == materialExtras_.end() ? nullptr : &found->second;
}

}  // namespace udfconvert
