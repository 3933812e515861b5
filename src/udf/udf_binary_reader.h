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

// Elements without bytes that expandLeaf may make for the short arrays of one file, beyond one
// per byte of the file: a count alone can't decide how many nodes are made.
inline constexpr std::uint64_t kSpareElements = 1024;

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
    // container of its fields or elements. When the bytes are fewer than they need, the ones
    // beyond get no data and the result is false.
    virtual bool expandLeaf(UdfNode* node, std::uint32_t flags);

    UdfNode* root() const { return root_.get(); }
    const UdfTypeRegistry& types() const { return types_; }

private:
    bool loadOne(UdfNode* node, std::uint32_t flags);
    bool readDirectory(UdfNode* node, vfs::Stream& in, std::uint64_t begin, std::uint64_t end);
    void addEntry(UdfNode* container, UdfNode* child, std::unique_ptr<UdfNode> fresh, bool link);
    bool expand(UdfNode* node, std::uint32_t flags, std::uint64_t& budget);
    void reset();
    // Takes `amount` from `budget`; false, taking nothing, when it doesn't hold that much.
    static bool spend(std::uint64_t& budget, std::uint64_t amount);

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
    // Leaf bytes this reader may still read from the stream. The leaves of a sound file don't
    // overlap, so they always fit; entries of a damaged one may claim the same bytes over and
    // over, and past this their leaves stay without data.
    std::uint64_t leafBudget_ = 0;
    // Bytes this reader may still copy where a reference into a parent's bytes would serve:
    // kept node bytes and copies of a parent's. Past it references are made instead.
    std::uint64_t copyBudget_ = 0;
    // Bytes this reader may still read again into a temporary copy to parse a directory from;
    // past it directories are read from the stream.
    std::uint64_t rereadBudget_ = 0;
    // Elements of short arrays, beyond their bytes, that expandLeaf may still make.
    std::uint64_t spareElements_ = kSpareElements;
    std::uint64_t loadStamp_ = 0;
};

}  // namespace udf
