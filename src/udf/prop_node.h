// PropNode: one node of the text tree that property files fill; values stay text until read.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "udf/name_hash.h"

#include "core/engine_string.h"

namespace udf {

class PropNode {
public:
    enum Kind : std::uint8_t { kValue = 0, kObject = 1, kArray = 2 };

    struct Child {
        std::string name;
        std::unique_ptr<PropNode> node;
    };

    explicit PropNode(std::string_view name = {});
    ~PropNode();
    PropNode(const PropNode&) = delete;
    PropNode& operator=(const PropNode&) = delete;

    Kind kind = kValue;
    std::uint32_t nextIndex = 0;
    core::EngineString name;
    core::EngineString value;

    PropNode* findChild(std::string_view childName) const;
    bool contains(std::string_view childName) const { return findChild(childName) != nullptr; }
    // Stores `node` under `childName`, replacing (and destroying) a child of that name.
    PropNode* insert(std::string_view childName, std::unique_ptr<PropNode> node);
    // Destroys every child.
    void clear();
    // Moves every child out into `keep`, so that pointers into them stay valid.
    void releaseChildren(std::vector<std::unique_ptr<PropNode>>& keep);
    std::uint32_t count() const { return static_cast<std::uint32_t>(children_.size()); }
    const std::vector<Child>& children() const { return children_; }

    core::EngineString asString() const { return value; }
    // The whole text must be a decimal number; it is truncated toward zero (and held in range).
    std::int32_t asInt() const;
    // The leading numeric part of the text; 0 when there is none.
    float asReal() const;

    // Takes the other's kind, counter, name, value and a copy of its subtree. The other node may
    // lie inside this one. Gives up (leaving this node untouched) when the copy would exceed
    // `nodeLimit` nodes. The nodes made, a given-up copy's too, are added to `*copied`.
    bool copyFrom(const PropNode& other, std::uint64_t nodeLimit = UINT64_MAX,
                  std::uint64_t* copied = nullptr);

    // Finds the node at `path` (Styles[0].Size, Sizes["0"]) starting at `scope`, or at `root`
    // without one, creating what is missing; the nodes created are added to `*created`.
    static PropNode* getOrCreate(PropNode& root, std::string_view path, PropNode* scope = nullptr,
                                 std::uint64_t* created = nullptr);

private:
    std::vector<Child> children_;
    std::unordered_map<std::string, std::size_t, NameHash, std::equal_to<>> index_;
};

// True when the whole text is a decimal number: sign, digits, point and digits, exponent.
bool isDecimalNumber(std::string_view text);
// Length of the longest leading part of `text` that is a decimal number (0 when none).
std::size_t decimalNumberPrefix(std::string_view text);
// `text` without the blanks and tabs at either end.
std::string_view trimBlanks(std::string_view text);

}  // namespace udf
