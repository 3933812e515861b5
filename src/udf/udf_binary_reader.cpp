#include "udf/udf_binary_reader.h"

#include <cstring>
#include <string>
#include <utility>

#include "vfs/mem_file.h"
#include "vfs/stream.h"

namespace udf {

namespace {

// The smallest directory entry: two empty strings, the flags, offset and size.
constexpr std::uint64_t kMinEntrySize = 4 + 4 + 1 + 4 + 4;

bool within(std::uint64_t offset, std::uint64_t size, std::uint64_t begin, std::uint64_t end) {
    return offset >= begin && offset + size <= end;
}

bool seekTo(vfs::Stream& in, std::uint64_t offset) {
    return offset <= INT32_MAX && in.seek(static_cast<std::int32_t>(offset), vfs::kSeekSet);
}

// A str field whose bytes must end by `end`; checked before anything is allocated.
bool readText(vfs::Stream& in, std::uint64_t end, std::string& text) {
    std::uint32_t length = 0;
    if (!in.readU32(length)) {
        return false;
    }
    const std::uint64_t here = in.tell();
    if (here + length > end) {
        return false;
    }
    text.resize(length);
    return in.readExact(text.data(), length);
}

bool isSelfOrAncestor(const UdfNode* candidate, const UdfNode* node) {
    for (const UdfNode* n = node; n; n = n->parent()) {
        if (n == candidate) {
            return true;
        }
    }
    return false;
}

}  // namespace

UdfBinaryReader::UdfBinaryReader() = default;

UdfBinaryReader::~UdfBinaryReader() {
    close();
    reset();
}

bool UdfBinaryReader::spend(std::uint64_t& budget, std::uint64_t amount) {
    if (amount > budget) {
        return false;
    }
    budget -= amount;
    return true;
}

void UdfBinaryReader::reset() {
    leafBudget_ = 0;
    copyBudget_ = 0;
    rereadBudget_ = 0;
    spareElements_ = kSpareElements;
    root_.reset();
    cache_.clear();
    unowned_.clear();
    types_.clear();
    nodesMade_ = 0;
}

UdfNode* UdfBinaryReader::attach(vfs::Stream& stream) {
    close();
    stream_ = &stream;
    return openRoot();
}

UdfNode* UdfBinaryReader::attach(std::unique_ptr<vfs::Stream> stream) {
    close();
    if (!stream) {
        return nullptr;
    }
    stream_ = stream.get();
    ownedStream_ = std::move(stream);
    return openRoot();
}

UdfNode* UdfBinaryReader::attachMemory(const void* data, std::uint32_t size) {
    auto file = std::make_unique<vfs::MemFile>();
    file->open("", vfs::kModeRead);
    file->assign(core::EngineString::copy(data, size));
    return attach(std::move(file));
}

void UdfBinaryReader::close() {
    if (stream_) {
        stream_->close();
    }
    stream_ = nullptr;
    ownedStream_.reset();
}

UdfNode* UdfBinaryReader::openRoot() {
    reset();
    if (!stream_) {
        return nullptr;
    }
    const std::uint32_t start = stream_->tell();
    if (start == UINT32_MAX) {
        close();
        return nullptr;
    }
    streamBegin_ = start;
    streamEnd_ = std::uint64_t(start) + stream_->size();
    const std::uint64_t fileBytes = streamEnd_ - streamBegin_;
    leafBudget_ = 4 * fileBytes + (1u << 20);
    copyBudget_ = leafBudget_;
    rereadBudget_ = leafBudget_;
    spareElements_ = fileBytes + kSpareElements;
    cache_.reserve((streamEnd_ - streamBegin_) / 64);

    std::uint32_t fileSize = 0;
    std::uint32_t magicLength = 0;
    char magic[14] = {};
    if (!stream_->readU32(fileSize) || !stream_->readU32(magicLength) ||
        magicLength != sizeof magic || !stream_->readExact(magic, sizeof magic) ||
        std::memcmp(magic, kUdfMagic, sizeof magic) != 0) {
        close();
        return nullptr;
    }
    std::uint32_t restSize = 0;
    if (!readTypeTable() || !stream_->readU32(restSize)) {
        close();
        return nullptr;
    }
    root_ = std::make_unique<UdfNode>("_root", "_roottype");
    root_->flags_ = kUdfContainer;
    root_->reader_ = this;
    root_->childrenLoaded_ = false;
    root_->size_ = restSize;
    root_->offset_ = stream_->tell();
    return root_.get();
}

bool UdfBinaryReader::readTypeTable() {
    if (!stream_) {
        return false;
    }
    std::uint32_t count = 0;
    if (!stream_->readU32(count)) {
        return false;
    }
    // Every count is only trusted as far as the bytes behind it go: each step reads from the
    // stream and stops at its end.
    for (std::uint32_t i = 0; i < count; ++i) {
        UdfType type;
        std::uint32_t fieldCount = 0;
        if (!readText(*stream_, streamEnd_, type.name) || !stream_->readU32(fieldCount)) {
            return false;
        }
        for (std::uint32_t j = 0; j < fieldCount; ++j) {
            UdfField field;
            std::uint8_t isArray = 0;
            if (!readText(*stream_, streamEnd_, field.name) ||
                !readText(*stream_, streamEnd_, field.typeName) || !stream_->readU8(isArray)) {
                return false;
            }
            field.isArray = isArray != 0;
            if (field.isArray && !stream_->readU32(field.elementCount)) {
                return false;
            }
            type.fields.push_back(std::move(field));
        }
        types_.add(std::move(type));
    }
    return true;
}

bool UdfBinaryReader::loadNode(UdfNode* node, std::uint32_t flags, std::uintptr_t) {
    if (!node || node->reader_ != this) {
        return false;
    }
    // An explicit work list, each (node, flags) visited once per call: trees from damaged files
    // may be deep, and links may lead back to an ancestor. Below the first level the flags stay
    // the same, so a node met again is met with the flags it was visited with.
    struct Work {
        UdfNode* node;
        std::uint32_t flags;
    };
    const std::uint64_t stamp = ++loadStamp_;
    std::vector<Work> pending{{node, flags}};
    std::vector<UdfNode*> children;
    bool ok = true;
    while (!pending.empty()) {
        Work work = pending.back();
        pending.pop_back();
        if (work.node->visitStamp_ == stamp && work.node->visitFlags_ == work.flags) {
            continue;
        }
        work.node->visitStamp_ = stamp;
        work.node->visitFlags_ = work.flags;
        ok = loadOne(work.node, work.flags) && ok;
        if (work.flags & kLoadNoDescend) {
            continue;
        }
        std::uint32_t childFlags = work.flags;
        if (childFlags & kLoadOneLevel) {
            childFlags = (childFlags & ~kLoadOneLevel) | kLoadNoDescend;
        }
        if (childFlags & kLoadKeepBytes) {
            childFlags |= kLoadFromParent;
        }
        children.clear();
        for (const UdfNode::Child& child : work.node->children()) {
            children.push_back(child.node);
        }
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            pending.push_back(Work{*it, childFlags});
        }
    }
    return ok;
}

bool UdfBinaryReader::loadOne(UdfNode* node, std::uint32_t flags) {
    const bool container = node->isContainer();
    if (container ? node->childrenLoaded_ : node->dataLoaded_) {
        return true;
    }
    vfs::MemFile memory;
    std::unique_ptr<std::uint8_t[]> whole;
    vfs::Stream* in = stream_;
    std::uint64_t begin = streamBegin_;
    std::uint64_t end = streamEnd_;
    const UdfNode* parent = node->parent_;
    const bool fromParent = (flags & kLoadFromParent) && parent && parent->data_ &&
                            within(node->offset_, node->size_, parent->offset_,
                                   std::uint64_t(parent->offset_) + parent->size_);
    if (fromParent) {
        memory.open("", vfs::kModeRead);
        memory.assign(core::EngineString::borrow(parent->data_, parent->size_));
        memory.setBase(parent->offset_);
        in = &memory;
        begin = parent->offset_;
        end = begin + parent->size_;
    }

    if (container) {
        const std::uint64_t offset = node->offset_;
        const std::uint64_t wanted = offset + node->size_;
        if (fromParent && (flags & kLoadKeepBytes)) {
            const std::uint8_t* bytes = parent->data_ + (offset - parent->offset_);
            // A reference holds the same bytes as a copy; it serves once copies are spent.
            if ((flags & kLoadPointIntoParent) || !spend(copyBudget_, node->size_)) {
                node->data_ = bytes;
                node->dataInParent_ = true;
            } else {
                node->setData(bytes, node->size_, true);
            }
        } else if (const std::uint64_t last = wanted < end ? wanted : end;
                   !fromParent && (flags & (kLoadReadWhole | kLoadKeepBytes)) && in &&
                   offset < last) {
            // The root's size runs 4 bytes past the end of a sound file, so the range is cut to
            // the file; such a cut range is parsed but not kept as data.
            const std::uint32_t length = static_cast<std::uint32_t>(last - offset);
            const bool keep =
                (flags & kLoadKeepBytes) && last == wanted && spend(copyBudget_, length);
            // Nested ranges are read again at every level. Past the allowance the directory is
            // read straight from the stream instead: the same entries, without the copy.
            if ((keep || spend(rereadBudget_, length)) && seekTo(*in, offset)) {
                whole = std::make_unique<std::uint8_t[]>(length);
                if (!in->readExact(whole.get(), length)) {
                    node->childrenLoaded_ = true;
                    return false;
                }
                memory.open("", vfs::kModeRead);
                memory.assign(core::EngineString::borrow(whole.get(), length));
                memory.setBase(node->offset_);
                in = &memory;
                begin = offset;
                end = last;
                if (keep) {
                    // The memory file keeps reading the same bytes, now the node's.
                    node->ownedData_ = std::move(whole);
                    node->data_ = node->ownedData_.get();
                }
            }
        }
        if (!in) {
            return false;
        }
        return readDirectory(node, *in, begin, end);
    }

    node->dataLoaded_ = true;
    if (node->size_ == 0) {
        return true;
    }
    // A leaf must lie inside what it is read from: checked before its buffer is allocated.
    if (!within(node->offset_, node->size_, begin, end)) {
        return false;
    }
    if (fromParent) {
        const std::uint8_t* bytes = parent->data_ + (node->offset_ - parent->offset_);
        if ((flags & kLoadPointIntoParent) || !spend(copyBudget_, node->size_)) {
            node->data_ = bytes;
            node->dataInParent_ = true;
        } else {
            node->setData(bytes, node->size_, true);
        }
    } else {
        if (!in || !spend(leafBudget_, node->size_) || !seekTo(*in, node->offset_)) {
            return false;
        }
        auto bytes = std::make_unique<std::uint8_t[]>(node->size_);
        if (!in->readExact(bytes.get(), node->size_)) {
            return false;
        }
        node->ownedData_ = std::move(bytes);
        node->data_ = node->ownedData_.get();
    }
    if (flags & kLoadExpandLeaves) {
        expandLeaf(node, 0);
    }
    return true;
}

bool UdfBinaryReader::readDirectory(UdfNode* node, vfs::Stream& in, std::uint64_t begin,
                                    std::uint64_t end) {
    node->childrenLoaded_ = true;
    const std::uint64_t offset = node->offset_;
    std::uint32_t directorySize = 0;
    std::uint32_t count = 0;
    if (!within(offset, 8, begin, end) || !seekTo(in, offset) || !in.readU32(directorySize) ||
        !in.readU32(count)) {
        return false;
    }
    const std::uint64_t directoryEnd = offset + directorySize;
    if (directorySize < 8 || directorySize > node->size_ || directoryEnd > end) {
        return false;
    }
    // In a valid file nodes don't share entries, so a file can't describe more nodes than it
    // has room for entries; overlapping directories in a damaged one could.
    const std::uint64_t maxNodes = (streamEnd_ - streamBegin_) / kMinEntrySize + 16;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string name;
        std::string type;
        std::uint8_t entryFlags = 0;
        std::uint32_t elementCount = 0;
        std::uint32_t childOffset = 0;
        std::uint32_t childSize = 0;
        if (std::uint64_t(in.tell()) + kMinEntrySize > directoryEnd ||
            !readText(in, directoryEnd, name) || !readText(in, directoryEnd, type) ||
            !in.readU8(entryFlags) || ((entryFlags & kUdfArray) && !in.readU32(elementCount)) ||
            !in.readU32(childOffset) || !in.readU32(childSize) ||
            std::uint64_t(in.tell()) > directoryEnd) {
            return false;
        }
        // An empty entry names no bytes: its offset is where the next node's begin, and that
        // node may already be in the cache.
        UdfNode* child = nullptr;
        if (childSize != 0) {
            if (auto hit = cache_.find(childOffset); hit != cache_.end()) {
                child = hit->second;
            }
        }
        std::unique_ptr<UdfNode> fresh;
        if (!child) {
            if (nodesMade_ >= maxNodes) {
                return false;
            }
            ++nodesMade_;
            fresh = std::make_unique<UdfNode>(name, type);
            fresh->flags_ = entryFlags & ~kUdfLink;
            fresh->elementCount_ = elementCount;
            fresh->offset_ = childOffset;
            fresh->size_ = childSize;
            fresh->reader_ = this;
            fresh->childrenLoaded_ = false;
            fresh->dataLoaded_ = false;
            if (childSize != 0) {
                cache_[childOffset] = fresh.get();
            }
            child = fresh.get();
        }
        addEntry(node, child, std::move(fresh), (entryFlags & kUdfLink) != 0);
    }
    return true;
}

// Every node has one owner. A node that a second entry names again, or that would come to own
// itself or an ancestor, is added as a link instead, so destroying the tree never frees a node
// twice and loading it never runs in a circle.
void UdfBinaryReader::addEntry(UdfNode* container, UdfNode* child, std::unique_ptr<UdfNode> fresh,
                               bool link) {
    UdfNode* existing = container->findChild(child->name_.view());
    if (existing == child) {
        return;
    }
    if (existing) {
        if (std::unique_ptr<UdfNode> replaced = container->removeChild(existing)) {
            UdfNode* raw = replaced.get();
            unowned_.emplace(raw, std::move(replaced));
        }
    }
    if (fresh) {
        if (link) {
            UdfNode* raw = fresh.get();
            unowned_.emplace(raw, std::move(fresh));
            container->addLink(raw);
        } else {
            container->addChild(std::move(fresh));
        }
        return;
    }
    if (!link) {
        auto loose = unowned_.find(child);
        if (loose != unowned_.end() && !isSelfOrAncestor(child, container)) {
            std::unique_ptr<UdfNode> owned = std::move(loose->second);
            unowned_.erase(loose);
            container->addChild(std::move(owned));
            return;
        }
    }
    container->addLink(child);
}

bool UdfBinaryReader::expandLeaf(UdfNode* node, std::uint32_t flags) {
    if (!node || node->isContainer()) {
        return false;
    }
    const std::string_view type = node->typeName_.view();
    if (UdfTypeRegistry::isPrimitive(type)) {
        if (!((flags & kExpandPrimitiveArrays) && node->isArray())) {
            return true;
        }
    } else if (!types_.find(type)) {
        return false;
    }
    // Children that hold bytes never outnumber the leaf's bytes by much, whatever the counts
    // and types claim.
    std::uint64_t budget = std::uint64_t(node->size_) + 64;
    return expand(node, flags, budget);
}

bool UdfBinaryReader::expand(UdfNode* node, std::uint32_t flags, std::uint64_t& budget) {
    const std::string type(node->typeName_.view());
    const std::optional<std::uint32_t> typeSize = types_.sizeOf(type);
    if (!typeSize) {
        return false;
    }
    const std::uint8_t* bytes = node->data_;
    const std::uint64_t available = bytes ? node->size_ : 0;
    auto makeChild = [&](std::string_view name, std::string_view childType, std::uint64_t at,
                         std::uint32_t size, bool& complete) -> UdfNode* {
        auto child = std::make_unique<UdfNode>(name, childType);
        if (size > 0 && at + size <= available) {
            if (flags & kExpandPointIntoLeaf) {
                child->data_ = bytes + at;
                child->size_ = size;
                child->dataInParent_ = true;
            } else {
                child->setData(bytes + at, size, true);
            }
        } else if (size > 0) {
            complete = false;
        }
        child->reader_ = this;
        return node->addChild(std::move(child));
    };
    auto wantsExpanding = [&](const UdfNode* child) {
        const std::string_view childType = child->typeName_.view();
        if (UdfTypeRegistry::isPrimitive(childType)) {
            return (flags & kExpandPrimitiveArrays) && child->isArray();
        }
        return types_.find(childType) != nullptr;
    };

    bool complete = true;
    node->flags_ |= kUdfContainer;
    node->childrenLoaded_ = true;
    if (node->isArray()) {
        // Elements of no size would let a count alone decide how many nodes are made.
        if (*typeSize == 0) {
            return false;
        }
        // Elements past the bytes are made without data; they cost no bytes, so they come from
        // the reader's allowance rather than the leaf's.
        const std::uint64_t fit = available / *typeSize;
        for (std::uint64_t i = 0; i < node->elementCount_; ++i) {
            const bool backed = i < fit;
            if (!spend(backed ? budget : spareElements_, 1)) {
                return false;
            }
            UdfNode* child = makeChild(std::to_string(i), type, i * *typeSize, *typeSize, complete);
            if (backed && !(flags & kExpandOneLevel) && !UdfTypeRegistry::isPrimitive(type)) {
                complete = expand(child, flags, budget) && complete;
            }
        }
        return complete;
    }
    const UdfType* record = types_.find(type);
    if (!record) {
        return false;
    }
    std::uint64_t at = 0;
    for (const UdfField& field : record->fields) {
        if (!UdfTypeRegistry::isPrimitive(field.typeName) && !types_.find(field.typeName)) {
            continue;
        }
        const std::optional<std::uint32_t> size = types_.fieldSize(field);
        if (!size || budget == 0) {
            return false;
        }
        --budget;
        UdfNode* child = makeChild(field.name, field.typeName, at, *size, complete);
        if (field.isArray) {
            child->flags_ |= kUdfArray;
            child->elementCount_ = field.elementCount;
        }
        at += *size;
        if (!(flags & kExpandOneLevel) && child->data_ && wantsExpanding(child)) {
            complete = expand(child, flags, budget) && complete;
        }
    }
    return complete;
}

}  // namespace udf
