// NameHash: lets the child maps look names up by string_view without building a string.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

namespace udf {

struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const {
        return std::hash<std::string_view>()(name);
    }
};

}  // namespace udf
