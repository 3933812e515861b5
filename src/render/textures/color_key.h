// The colour key of texture and charset descriptions: a record of red, green and blue, or one
// ARGB number.
#pragma once

#include <cstdint>

namespace udf {
class PropNode;
}

namespace render {

// A record (members "0"/"r", "1"/"g", "2"/"b", each 0 when missing, held to 0 .. 255) gives
// 0xFF000000 + r * 65536 + g * 256 + b; a number is taken as its 32 bits; null or anything else
// gives 0, no key.
std::uint32_t ReadColorKey(const udf::PropNode* key);

}  // namespace render
