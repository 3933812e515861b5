// UdfNode: one node of a typed UDF tree, its value kept as raw bytes and loaded on demand.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "udf/name_hash.h"

#include "core/engine_string.h"

namespace udf {

class UdfBinaryReader;

inline constexpr std::uint8_t kUdfArray = 0x01;
inline constexpr std::uint8_t kUdfLink = 0x02;
inline constexpr std::uint8_t kUdfContainer = 0x04;

// Children are kept in insertion order and found by their exact name. An owned child is destroyed
// with its parent; a link is only referred to.
class UdfNode {
public:
    struct Child {
        std::string name;
        UdfNode* node;
        bool link;
    };

    explicit UdfNode(std::string_view name = {}, std::string_view typeName = {});
    ~UdfNode();
    UdfNode(const UdfNode&) = delete;
    UdfNode& operator=(const UdfNode&) = delete;

    // A leaf over `size` bytes: copied when `copy` is set, else referenced (the caller keeps them).
    static std::unique_ptr<UdfNode> makeLeaf(std::string_view name, std::string_view typeName,
                                             const void* data, std::uint32_t size, bool copy);
    static std::unique_ptr<UdfNode> makeArray(std::string_view name, std::string_view typeName,
                                              std::uint32_t elementCount);
    static std::unique_ptr<UdfNode> makeInt(std::string_view name, std::int32_t value);
    static std::unique_ptr<UdfNode> makeReal(std::string_view name, float value);
    static std::unique_ptr<UdfNode> makeString(std::string_view name, std::string_view text);
    static std::unique_ptr<UdfNode> makeUString(std::string_view name, std::u16string_view text);

    // Stores an owned child under its name, replacing (and destroying) an owned child of that name.
    UdfNode* addChild(std::unique_ptr<UdfNode> node);
    // Stores a reference to a node owned elsewhere.
    void addLink(UdfNode* node);
    // The typed adds return an existing child of that name unchanged.
    UdfNode* addLeaf(std::string_view name, std::string_view typeName, const void* data,
                     std::uint32_t size, bool copy);
    UdfNode* addArray(std::string_view name, std::string_view typeName, std::uint32_t elementCount);
    UdfNode* addInt(std::string_view name, std::int32_t value);
    UdfNode* addReal(std::string_view name, float value);
    UdfNode* addString(std::string_view name, std::string_view text);
    UdfNode* addUString(std::string_view name, std::u16string_view text);

    UdfNode* findChild(std::string_view name) const;
    bool isLink(std::string_view name) const;
    bool isLink(const UdfNode* child) const;
    // Takes the child out without destroying it: an owned child comes back to the caller.
    std::unique_ptr<UdfNode> removeChild(std::string_view name);
    std::unique_ptr<UdfNode> removeChild(const UdfNode* child);

    std::uint32_t childCount() const { return static_cast<std::uint32_t>(children_.size()); }
    const std::list<Child>& children() const { return children_; }
    void resetChildren() { cursor_ = children_.begin(); }
    UdfNode* currentChild() const { return cursor_ == children_.end() ? nullptr : cursor_->node; }
    void advanceChild() {
        if (cursor_ != children_.end()) {
            ++cursor_;
        }
    }

    std::int32_t asInt() const;
    float asReal() const;
    core::EngineString asString() const;
    std::u16string asUString() const;
    bool copyData(void* destination, std::uint32_t length) const;
    bool takeCopy(std::vector<std::uint8_t>& out) const;

    // Asks the reader that made this node to load it; false for nodes built in memory.
    bool load(std::uint32_t flags = 0, std::uintptr_t argument = 0);

    UdfNode* parent() const { return parent_; }
    UdfBinaryReader* reader() const { return reader_; }
    const core::EngineString& name() const { return name_; }
    const core::EngineString& typeName() const { return typeName_; }
    std::uint8_t flags() const { return flags_; }
    bool isContainer() const { return (flags_ & kUdfContainer) != 0; }
    bool isArray() const { return (flags_ & kUdfArray) != 0; }
    std::uint32_t elementCount() const { return elementCount_; }
    bool externalData() const { return externalData_; }
    bool dataInParent() const { return dataInParent_; }
    bool childrenLoaded() const { return childrenLoaded_; }
    bool dataLoaded() const { return dataLoaded_; }
    std::uint32_t offset() const { return offset_; }
    std::uint32_t size() const { return size_; }
    const std::uint8_t* data() const { return data_; }

    // Makes the node a container (an empty one when it has no children yet).
    void setContainer() { flags_ |= kUdfContainer; }
    // Replaces the node's bytes: copied when `copy` is set, else referenced.
    void setData(const void* data, std::uint32_t size, bool copy);

private:
    friend class UdfBinaryReader;

    void insert(UdfNode* node, bool link);
    std::unique_ptr<UdfNode> detach(std::list<Child>::iterator it);
    void freeData();

    UdfNode* parent_ = nullptr;
    UdfBinaryReader* reader_ = nullptr;
    core::EngineString typeName_;
    core::EngineString name_;
    std::uint8_t flags_ = 0;
    std::uint32_t elementCount_ = 0;
    bool externalData_ = false;
    bool dataInParent_ = false;
    bool childrenLoaded_ = true;
    bool dataLoaded_ = true;
    std::uint32_t offset_ = 0;
    std::uint32_t size_ = 0;
    const std::uint8_t* data_ = nullptr;
    std::unique_ptr<std::uint8_t[]> ownedData_;
    std::list<Child> children_;
    std::unordered_map<std::string, std::list<Child>::iterator, NameHash, std::equal_to<>> index_;
    std::list<Child>::iterator cursor_ = children_.end();
    // Which load of the reader last visited the node, and with which flags.
    std::uint64_t visitStamp_ = 0;
    std::uint32_t visitFlags_ = 0;
};

}  // namespace udf
