#include "udf/udf_node.h"

#include <bit>
#include <cstring>
#include <utility>

#include "udf/udf_binary_reader.h"

namespace udf {

namespace {

std::uint32_t readLe32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

}  // namespace

UdfNode::UdfNode(std::string_view name, std::string_view typeName)
    : typeName_(typeName), name_(name) {}

// Owned subtrees may be deep (a damaged file can nest thousands of containers), so they are
// taken apart with a work list instead of recursive destructors.
UdfNode::~UdfNode() {
    std::vector<UdfNode*> pending;
    for (const Child& child : children_) {
        if (!child.link) {
            pending.push_back(child.node);
        }
    }
    children_.clear();
    while (!pending.empty()) {
        UdfNode* node = pending.back();
        pending.pop_back();
        for (const Child& child : node->children_) {
            if (!child.link) {
                pending.push_back(child.node);
            }
        }
        node->children_.clear();
        node->index_.clear();
        delete node;
    }
}

std::unique_ptr<UdfNode> UdfNode::makeLeaf(std::string_view name, std::string_view typeName,
                                           const void* data, std::uint32_t size, bool copy) {
    auto node = std::make_unique<UdfNode>(name, typeName);
    node->setData(data, size, copy);
    return node;
}

std::unique_ptr<UdfNode> UdfNode::makeArray(std::string_view name, std::string_view typeName,
                                            std::uint32_t elementCount) {
    auto node = std::make_unique<UdfNode>(name, typeName);
    node->flags_ |= kUdfArray;
    node->elementCount_ = elementCount;
    return node;
}

std::unique_ptr<UdfNode> UdfNode::makeInt(std::string_view name, std::int32_t value) {
    std::uint32_t bits = static_cast<std::uint32_t>(value);
    std::uint8_t bytes[4] = {std::uint8_t(bits), std::uint8_t(bits >> 8), std::uint8_t(bits >> 16),
                             std::uint8_t(bits >> 24)};
    return makeLeaf(name, "int", bytes, 4, true);
}

std::unique_ptr<UdfNode> UdfNode::makeReal(std::string_view name, float value) {
    std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
    std::uint8_t bytes[4] = {std::uint8_t(bits), std::uint8_t(bits >> 8), std::uint8_t(bits >> 16),
                             std::uint8_t(bits >> 24)};
    return makeLeaf(name, "real", bytes, 4, true);
}

std::unique_ptr<UdfNode> UdfNode::makeString(std::string_view name, std::string_view text) {
    std::uint32_t size = text.size() > UINT32_MAX ? UINT32_MAX : std::uint32_t(text.size());
    return makeLeaf(name, "string", text.data(), size, true);
}

std::unique_ptr<UdfNode> UdfNode::makeUString(std::string_view name, std::u16string_view text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes.push_back(std::uint8_t(unit));
        bytes.push_back(std::uint8_t(unit >> 8));
    }
    return makeLeaf(name, "ustring", bytes.data(), std::uint32_t(bytes.size()), true);
}

void UdfNode::setData(const void* data, std::uint32_t size, bool copy) {
    freeData();
    if (!data || size == 0) {
        dataLoaded_ = true;
        return;
    }
    if (copy) {
        ownedData_ = std::make_unique<std::uint8_t[]>(size);
        std::memcpy(ownedData_.get(), data, size);
        data_ = ownedData_.get();
    } else {
        data_ = static_cast<const std::uint8_t*>(data);
        externalData_ = true;
    }
    size_ = size;
    dataLoaded_ = true;
}

void UdfNode::freeData() {
    ownedData_.reset();
    data_ = nullptr;
    size_ = 0;
    externalData_ = false;
    dataInParent_ = false;
}

void UdfNode::insert(UdfNode* node, bool link) {
    flags_ |= kUdfContainer;
    std::string key(node->name_.view());
    auto found = index_.find(key);
    if (found != index_.end()) {
        if (found->second->node == node) {
            return;
        }
        std::unique_ptr<UdfNode> replaced = detach(found->second);
    }
    children_.push_back(Child{key, node, link});
    index_[key] = std::prev(children_.end());
}

std::unique_ptr<UdfNode> UdfNode::detach(std::list<Child>::iterator it) {
    if (cursor_ == it) {
        ++cursor_;
    }
    std::unique_ptr<UdfNode> owned;
    if (!it->link) {
        owned.reset(it->node);
        if (owned->parent_ == this) {
            owned->parent_ = nullptr;
        }
    }
    index_.erase(it->name);
    children_.erase(it);
    return owned;
}

UdfNode* UdfNode::addChild(std::unique_ptr<UdfNode> node) {
    if (!node) {
        return nullptr;
    }
    UdfNode* raw = node.release();
    raw->parent_ = this;
    insert(raw, false);
    return raw;
}

void UdfNode::addLink(UdfNode* node) {
    if (node) {
        insert(node, true);
    }
}

UdfNode* UdfNode::addLeaf(std::string_view name, std::string_view typeName, const void* data,
                          std::uint32_t size, bool copy) {
    flags_ |= kUdfContainer;
    if (UdfNode* existing = findChild(name)) {
        return existing;
    }
    return addChild(makeLeaf(name, typeName, data, size, copy));
}

UdfNode* UdfNode::addArray(std::string_view name, std::string_view typeName,
                           std::uint32_t elementCount) {
    flags_ |= kUdfContainer;
    if (UdfNode* existing = findChild(name)) {
        return existing;
    }
    return addChild(makeArray(name, typeName, elementCount));
}

UdfNode* UdfNode::addInt(std::string_view name, std::int32_t value) {
    flags_ |= kUdfContainer;
    if (UdfNode* existing = findChild(name)) {
        return existing;
    }
    return addChild(makeInt(name, value));
}

UdfNode* UdfNode::addReal(std::string_view name, float value) {
    flags_ |= kUdfContainer;
    if (UdfNode* existing = findChild(name)) {
        return existing;
    }
    return addChild(makeReal(name, value));
}

UdfNode* UdfNode::addString(std::string_view name, std::string_view text) {
    flags_ |= kUdfContainer;
    if (UdfNode* existing = findChild(name)) {
        return existing;
    }
    return addChild(makeString(name, text));
}

UdfNode* UdfNode::addUString(std::string_view name, std::u16string_view text) {
    flags_ |= kUdfContainer;
    if (UdfNode* existing = findChild(name)) {
        return existing;
    }
    return addChild(makeUString(name, text));
}

UdfNode* UdfNode::findChild(std::string_view name) const {
    auto found = index_.find(name);
    return found == index_.end() ? nullptr : found->second->node;
}

bool UdfNode::isLink(std::string_view name) const {
    auto found = index_.find(name);
    return found != index_.end() && found->second->link;
}

bool UdfNode::isLink(const UdfNode* child) const {
    return child && isLink(child->name_.view()) && findChild(child->name_.view()) == child;
}

std::unique_ptr<UdfNode> UdfNode::removeChild(std::string_view name) {
    auto found = index_.find(name);
    if (found == index_.end()) {
        return nullptr;
    }
    return detach(found->second);
}

std::unique_ptr<UdfNode> UdfNode::removeChild(const UdfNode* child) {
    if (!child || findChild(child->name_.view()) != child) {
        return nullptr;
    }
    return removeChild(child->name_.view());
}

std::int32_t UdfNode::asInt() const {
    if (!data_ || size_ < 4) {
        return 0;
    }
    return static_cast<std::int32_t>(readLe32(data_));
}

float UdfNode::asReal() const {
    if (!data_ || size_ < 4) {
        return 0.0f;
    }
    return std::bit_cast<float>(readLe32(data_));
}

core::EngineString UdfNode::asString() const {
    if (!data_) {
        return {};
    }
    return core::EngineString::copy(data_, size_);
}

std::u16string UdfNode::asUString() const {
    std::u16string text;
    if (!data_) {
        return text;
    }
    text.reserve(size_ / 2);
    for (std::uint32_t i = 0; i + 1 < size_; i += 2) {
        text.push_back(char16_t(data_[i] | data_[i + 1] << 8));
    }
    return text;
}

bool UdfNode::copyData(void* destination, std::uint32_t length) const {
    if (!data_) {
        return false;
    }
    std::memcpy(destination, data_, length < size_ ? length : size_);
    return true;
}

bool UdfNode::takeCopy(std::vector<std::uint8_t>& out) const {
    if (!data_) {
        return false;
    }
    out.assign(data_, data_ + size_);
    return true;
}

bool UdfNode::load(std::uint32_t flags, std::uintptr_t argument) {
    return reader_ ? reader_->loadNode(this, flags, argument) : false;
}

}  // namespace udf
