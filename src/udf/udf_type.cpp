#include "udf/udf_type.h"

#include <utility>

namespace udf {

bool UdfTypeRegistry::isPrimitive(std::string_view typeName) {
    return primitiveSize(typeName) != 0;
}

std::uint32_t UdfTypeRegistry::primitiveSize(std::string_view typeName) {
    if (typeName == "int" || typeName == "real") {
        return 4;
    }
    if (typeName == "char" || typeName == "byte") {
        return 1;
    }
    return 0;
}

void UdfTypeRegistry::clear() {
    types_.clear();
    byName_.clear();
    sizes_.clear();
    inProgress_.clear();
}

void UdfTypeRegistry::add(UdfType type) {
    sizes_.clear();
    auto found = byName_.find(type.name);
    if (found != byName_.end()) {
        types_[found->second] = std::move(type);
        return;
    }
    byName_.emplace(type.name, types_.size());
    types_.push_back(std::move(type));
}

const UdfType* UdfTypeRegistry::find(std::string_view name) const {
    auto found = byName_.find(std::string(name));
    return found == byName_.end() ? nullptr : &types_[found->second];
}

std::optional<std::uint32_t> UdfTypeRegistry::sizeOf(std::string_view typeName) const {
    return sizeAt(typeName, 0);
}

std::optional<std::uint32_t> UdfTypeRegistry::fieldSize(const UdfField& field) const {
    if (!isPrimitive(field.typeName) && !find(field.typeName)) {
        return 0;
    }
    std::optional<std::uint32_t> element = sizeAt(field.typeName, 1);
    if (!element) {
        return std::nullopt;
    }
    const std::uint64_t total =
        field.isArray ? std::uint64_t(*element) * field.elementCount : std::uint64_t(*element);
    if (total > UINT32_MAX) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(total);
}

std::optional<std::uint32_t> UdfTypeRegistry::sizeAt(std::string_view typeName, int depth) const {
    if (std::uint32_t primitive = primitiveSize(typeName)) {
        return primitive;
    }
    const UdfType* type = find(typeName);
    if (!type) {
        return std::nullopt;
    }
    std::string key(typeName);
    if (auto known = sizes_.find(key); known != sizes_.end()) {
        return known->second;
    }
    if (depth > kMaxNesting || inProgress_[key]) {
        sizes_[key] = std::nullopt;
        return std::nullopt;
    }
    inProgress_[key] = true;
    std::uint64_t total = 0;
    bool usable = true;
    for (const UdfField& field : type->fields) {
        if (!isPrimitive(field.typeName) && !find(field.typeName)) {
            continue;
        }
        std::optional<std::uint32_t> element = sizeAt(field.typeName, depth + 1);
        if (!element) {
            usable = false;
            break;
        }
        total += field.isArray ? std::uint64_t(*element) * field.elementCount : *element;
        if (total > UINT32_MAX) {
            usable = false;
            break;
        }
    }
    inProgress_[key] = false;
    std::optional<std::uint32_t> result;
    if (usable) {
        result = static_cast<std::uint32_t>(total);
    }
    sizes_[key] = result;
    return result;
}

}  // namespace udf
