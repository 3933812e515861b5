// UdfType and UdfTypeRegistry: the record types a UDF binary file carries in its type table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace udf {

struct UdfField {
    std::string name;
    std::string typeName;
    bool isArray = false;
    std::uint32_t elementCount = 0;
};

struct UdfType {
    std::string name;
    std::vector<UdfField> fields;
};

class UdfTypeRegistry {
public:
    // Record types may name each other; deeper chains than this count as unusable.
    static constexpr int kMaxNesting = 32;

    // "int", "real" (4 bytes), "char", "byte" (1 byte).
    static bool isPrimitive(std::string_view typeName);
    static std::uint32_t primitiveSize(std::string_view typeName);

    void clear();
    // A later type of the same name replaces the earlier one.
    void add(UdfType type);
    const UdfType* find(std::string_view name) const;
    const std::vector<UdfType>& types() const { return types_; }

    // Bytes of one value of the type: a primitive's size, or the sum of a record's fields (an
    // array field counts its element size times its count; fields of unknown types count 0).
    // Empty for an unknown type, a type that contains itself, nesting past kMaxNesting or a
    // size past 32 bits.
    std::optional<std::uint32_t> sizeOf(std::string_view typeName) const;
    // Bytes of one field.
    std::optional<std::uint32_t> fieldSize(const UdfField& field) const;

private:
    std::optional<std::uint32_t> sizeAt(std::string_view typeName, int depth) const;

    std::vector<UdfType> types_;
    std::unordered_map<std::string, std::size_t> byName_;
    // Sizes already worked out (an empty entry: unusable); a type being worked out is marked so
    // that one containing itself is caught.
    mutable std::unordered_map<std::string, std::optional<std::uint32_t>> sizes_;
    mutable std::unordered_map<std::string, bool> inProgress_;
};

}  // namespace udf
