// Helpers shared by the UDF tests: compact descriptions of trees and a little-endian builder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "udf/prop_node.h"
#include "udf/udf_node.h"

namespace udf::test {

// name=value, then {...} for an object, [...] for an array, (...) for other children.
inline std::string describe(const PropNode& node) {
    std::string out;
    bool first = true;
    for (const PropNode::Child& child : node.children()) {
        if (!first) {
            out += ",";
        }
        first = false;
        out += child.name;
        const PropNode& c = *child.node;
        if (!c.value.empty()) {
            out += "=" + c.value.str();
        }
        if (c.kind == PropNode::kObject) {
            out += "{" + describe(c) + "}";
        } else if (c.kind == PropNode::kArray) {
            out += "[" + describe(c) + "]";
        } else if (c.count() > 0) {
            out += "(" + describe(c) + ")";
        }
    }
    return out;
}

// One line per node: path, type, flags (with 0x02 for a link in its parent), count, a leaf's
// size and bytes in hex; children follow their parent. Links are described but not followed.
inline void describe(const UdfNode& node, const std::string& path, bool link,
                     std::vector<std::string>& lines) {
    static const char* digits = "0123456789abcdef";
    std::string bytes;
    for (std::uint32_t i = 0; node.data() && !node.isContainer() && i < node.size(); ++i) {
        bytes += digits[node.data()[i] >> 4];
        bytes += digits[node.data()[i] & 15];
    }
    lines.push_back(path + " type=" + node.typeName().str() +
                    " flags=" + std::to_string(node.flags() | (link ? kUdfLink : 0)) +
                    " count=" + std::to_string(node.elementCount()) +
                    (node.isContainer() ? "" : " size=" + std::to_string(node.size())) +
                    " bytes=" + bytes);
    if (link) {
        return;
    }
    for (const UdfNode::Child& child : node.children()) {
        describe(*child.node, path + "/" + child.name, child.link, lines);
    }
}

inline std::vector<std::string> describe(const UdfNode& root) {
    std::vector<std::string> lines;
    for (const UdfNode::Child& child : root.children()) {
        describe(*child.node, child.name, child.link, lines);
    }
    return lines;
}

// Little-endian image builder for hand-made (often damaged) binary files.
struct Bytes {
    std::vector<std::uint8_t> data;

    Bytes& u8(std::uint8_t v) {
        data.push_back(v);
        return *this;
    }
    Bytes& u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            data.push_back(std::uint8_t(v >> (8 * i)));
        }
        return *this;
    }
    Bytes& str(std::string_view s) {
        u32(static_cast<std::uint32_t>(s.size()));
        data.insert(data.end(), s.begin(), s.end());
        return *this;
    }
    // file size 0, magic, empty type table, rest size 0: the root directory starts at 30.
    Bytes& header() { return u32(0).str("UDF Binary 1.0").u32(0).u32(0); }
    std::uint32_t size() const { return static_cast<std::uint32_t>(data.size()); }
    void patch(std::uint32_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            data[at + i] = std::uint8_t(v >> (8 * i));
        }
    }
};

}  // namespace udf::test
