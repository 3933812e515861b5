// udfdump: prints a UDF binary file as an indented tree (name, type, flags, count, offset, size
// and the values of "int", "real", "string", "matrix" and key leaves), or with --text the tree that
// a UDF text file builds.
#include <bit>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "udf/prop_node.h"
#include "udf/udf_binary_reader.h"
#include "udf/udf_text_parser.h"
#include "vfs/file_source.h"
#include "vfs/search_paths.h"

namespace {

constexpr std::uint32_t kMaxValuesShown = 64;

std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

// Control characters and quotes are escaped so that one node stays on one line.
std::string quoted(std::string_view text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

std::string values(const udf::UdfNode& node) {
    const std::string_view type = node.typeName().view();
    const std::uint8_t* data = node.data();
    if (!data || node.isContainer()) {
        return {};
    }
    if (type == "string") {
        return " = " + quoted(node.asString().view());
    }
    const bool isInt = type == "int";
    // Animation and camera path keys are eight floats.
    const bool isKey = (type == "AniKey" || type == "pos" || type == "rot") && node.size() == 32;
    if (!isInt && type != "real" && type != "matrix" && !isKey) {
        return {};
    }
    std::string out = " =";
    const std::uint32_t count = node.size() / 4;
    for (std::uint32_t i = 0; i < count && i < kMaxValuesShown; ++i) {
        const std::uint32_t bits = le32(data + 4 * i);
        char text[32];
        if (isInt || (type == "matrix" && i == 16)) {
            std::snprintf(text, sizeof text, " %d", static_cast<std::int32_t>(bits));
        } else {
            std::snprintf(text, sizeof text, " %g", double(std::bit_cast<float>(bits)));
        }
        out += text;
    }
    if (count > kMaxValuesShown) {
        out += " ...";
    }
    return out;
}

int dumpBinary(const char* path) {
    vfs::FileSource source{core::EngineString(path)};
    udf::UdfBinaryReader reader;
    udf::UdfNode* root = reader.attach(source.open(vfs::kModeRead));
    if (!root) {
        std::fprintf(stderr, "udfdump: %s is not a UDF binary file\n", path);
        return 1;
    }
    const bool complete = root->load();
    struct Item {
        const udf::UdfNode* node;
        std::string name;
        int depth;
        bool link;
    };
    // A work list rather than recursion: damaged files may nest very deeply.
    std::vector<Item> pending{{root, "_root", 0, false}};
    while (!pending.empty()) {
        Item item = pending.back();
        pending.pop_back();
        const udf::UdfNode& node = *item.node;
        const unsigned flags = node.flags() | (item.link ? udf::kUdfLink : 0);
        std::printf("%*s%s type=%s flags=0x%02x", item.depth * 2, "", quoted(item.name).c_str(),
                    quoted(node.typeName().view()).c_str(), flags);
        if (flags & udf::kUdfArray) {
            std::printf(" count=%u", node.elementCount());
        }
        std::printf(" offset=%u size=%u%s\n", node.offset(), node.size(), values(node).c_str());
        if (item.link) {
            continue;
        }
        const auto& children = node.children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            pending.push_back(Item{it->node, it->name, item.depth + 1, it->link});
        }
    }
    if (!complete) {
        std::fprintf(stderr, "udfdump: %s is damaged; what could be read is shown\n", path);
        return 1;
    }
    return 0;
}

int dumpText(const char* path) {
    vfs::FileSource source{core::EngineString(path)};
    vfs::SearchPaths paths;
    paths.add(source.folder());
    std::unique_ptr<vfs::Stream> stream = source.open(vfs::kModeRead);
    if (!stream) {
        std::fprintf(stderr, "udfdump: cannot open %s\n", path);
        return 1;
    }
    udf::PropNode root;
    const bool ok = udf::ParseUdfText(*stream, root, &paths);
    struct Item {
        const udf::PropNode* node;
        const std::string* name;
        int depth;
    };
    std::vector<Item> pending;
    const auto& top = root.children();
    for (auto it = top.rbegin(); it != top.rend(); ++it) {
        pending.push_back(Item{it->node.get(), &it->name, 0});
    }
    static const char* kinds[] = {"", " [array]", " {object}"};
    while (!pending.empty()) {
        Item item = pending.back();
        pending.pop_back();
        const udf::PropNode& node = *item.node;
        const char* kind = node.kind == udf::PropNode::kArray    ? kinds[1]
                           : node.kind == udf::PropNode::kObject ? kinds[2]
                                                                 : kinds[0];
        std::printf("%*s%s%s", item.depth * 2, "", quoted(*item.name).c_str(), kind);
        if (!node.value.empty() || node.kind == udf::PropNode::kValue) {
            std::printf(" = %s", quoted(node.value.view()).c_str());
        }
        std::printf("\n");
        const auto& children = node.children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            pending.push_back(Item{it->node.get(), &it->name, item.depth + 1});
        }
    }
    if (!ok) {
        std::fprintf(stderr, "udfdump: %s could not be parsed completely\n", path);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--text") != 0) {
        return dumpBinary(argv[1]);
    }
    if (argc == 3 && std::strcmp(argv[1], "--text") == 0) {
        return dumpText(argv[2]);
    }
    std::fprintf(stderr, "usage: udfdump FILE.udf\n       udfdump --text FILE.props\n");
    return 2;
}
