#include "render/textures/color_key.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

#include "udf/prop_node.h"

namespace render {
namespace {

// An ARGB value written as a decimal number; the UDF integer reader stops at 2^31, and keys
// such as 0xFF00FF00 lie above it. Writers that keep colours in signed integers give those
// negative (-16711936 for 0xFF00FF00): the same 32 bits.
std::uint32_t Colour32(const udf::PropNode& node) {
    const std::string text = node.value.str();
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !std::isfinite(value) || value < -2147483648.0 ||
        value > 4294967295.0) {
        return 0;
    }
    return std::uint32_t(std::int64_t(value));
}

std::uint32_t Channel(const udf::PropNode& record, std::string_view index, std::string_view name) {
    const udf::PropNode* child = record.findChild(index);
    if (!child) {
        child = record.findChild(name);
    }
    return child ? std::uint32_t(std::clamp(child->asInt(), 0, 255)) : 0;
}

}  // namespace

std::uint32_t ReadColorKey(const udf::PropNode* key) {
    if (!key) {
        return 0;
    }
    if (key->kind != udf::PropNode::kValue || key->count() > 0) {
        return 0xFF000000u + Channel(*key, "0", "r") * 65536 + Channel(*key, "1", "g") * 256 +
               Channel(*key, "2", "b");
    }
    return Colour32(*key);
}

}  // namespace render
