// UdfBinaryReader: reads the binary UDF syntax ("UDF Binary 1.0") into UdfNodes, lazily.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "udf/udf_node.h"
#include "udf/udf_type.h"

namespace vfs {
class Stream;
}

namespace udf {

// Flags of loadNode.
inline constexpr std::uint32_t kLoadNoDescend = 0x01;        // this node only
inline constexpr std::uint32_t kLoadOneLevel = 0x04;         // children get kLoadNoDescend
inline constexpr std::uint32_t kLoadExpandLeaves = 0x08;     // expandLeaf on each leaf loaded
inline constexpr std::uint32_t kLoadReadWhole = 0x10;        // read the node's bytes in one go
inline constexpr std::uint32_t kLoadFromParent = 0x20;       // use the parent's bytes in memory
inline constexpr std::uint32_t kLoadKeepBytes = 0x40;        // keep them as the node's data
inline constexpr std::uint32_t kLoadPointIntoParent = 0x80;  // reference them, don't copy

// Flags of expandLeaf.
inline constexpr std::uint32_t kExpandPrimitiveArrays = 0x01;  // split int/real/char/byte arrays
inline constexpr std::uint32_t kExpandPointIntoLeaf = 0x02;    // children reference the bytes
inline constexpr std::uint32_t kExpandOneLevel = 0x04;         // don't expand the children again

inline constexpr const char* kUdfMagic = "UDF Binary 1.0";

// The reader owns the root and every node it makes; they live until the reader is destroyed or
// attached again. Nodes refer back to it, so it must outlive every use of them.
class UdfBinaryReader {
public:
    UdfBinaryReader();
    virtual ~UdfBinaryReader();
    UdfBinaryReader(const UdfBinaryReader&) = delete;
    UdfBinaryReader& operator=(const UdfBinaryReader&) = delete;

    // Attaches an open stream (kept, not owned) and reads the header: the root, or null.
    UdfNode* attach(vfs::Stream& stream);
    // Attaches a stream that the reader owns and destroys on close.
    UdfNode* attach(std::unique_ptr<vfs::Stream> stream);
    // Copies the bytes into a memory file of the reader's own.
    UdfNode* attachMemory(const void* data, std::uint32_t size);

    // Closes the attached stream (and destroys it when owned); loaded nodes stay.
    virtual void close();
    virtual UdfNode* openRoot();
    // Loads `node` and, unless kLoadNoDescend, everything below it. `argument` is passed on
    // unchanged. False when a part could not be read; what could be read stays loaded.
    virtual bool loadNode(UdfNode* node, std::uint32_t flags, std::uintptr_t argument);
    virtual bool readTypeTable();
    // Turns a leaf of a record type (or, with kExpandPrimitiveArrays, a primitive array) into a
    // container of its fields or elements.
    virtual bool expandLeaf(UdfNode* node, std::uint32_t flags);

    UdfNode* root() const { return root_.get(); }
    const UdfTypeRegistry& types() const { return types_; }

private:
    bool loadOne(UdfNode* node, std::uint32_t flags);
    bool readDirectory(UdfNode* node, vfs::Stream& in, std::uint64_t begin, std::uint64_t end);
    void addEntry(UdfNode* container, UdfNode* child, std::unique_ptr<UdfNode> fresh, bool link);
    bool expand(UdfNode* node, std::uint32_t flags, std::uint64_t& budget);
    void reset();
    // Takes `bytes` from the budget of node bytes; false when it is spent.
    bool spend(std::uint64_t bytes);

    vfs::Stream* stream_ = nullptr;
    std::unique_ptr<vfs::Stream> ownedStream_;
    std::uint64_t streamBegin_ = 0;
    std::uint64_t streamEnd_ = 0;
    UdfTypeRegistry types_;
    std::unique_ptr<UdfNode> root_;
    std::unordered_map<std::uint32_t, UdfNode*> cache_;
    // Nodes that no container owns: met first as links, or replaced by a later entry of the
    // same name. The cache may still point at them.
    std::unordered_map<UdfNode*, std::unique_ptr<UdfNode>> unowned_;
    std::uint64_t nodesMade_ = 0;
    // Node bytes this reader may still allocate. A sound file reads each byte about once;
    // entries of a damaged one may claim the same bytes over and over.
    std::uint64_t byteBudget_ = 0;
    std::uint64_t loadStamp_ = 0;
};

}  // namespace udf
