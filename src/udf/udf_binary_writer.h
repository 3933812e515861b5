// UdfBinaryWriter: stores a list of UdfNodes under a new root in the binary UDF syntax.
#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "udf/udf_node.h"
#include "udf/udf_type.h"

namespace vfs {
class Stream;
}

namespace udf {

// Option of save: build the whole image in memory and write the file in one piece.
inline constexpr std::uint32_t kSaveInMemory = 0x01;

class UdfBinaryWriter {
public:
    // Writes `nodes` (they stay the caller's) as the root's children, with `types` as the type
    // table. False when the file can't be written, or when a link names a node that the tree
    // doesn't store (its entry then reads offset 0, size 0).
    bool save(std::string_view path, const std::vector<const UdfNode*>& nodes,
              const std::vector<UdfType>& types = {}, std::uint32_t options = 0);
    // The same image into a stream open for writing.
    bool write(vfs::Stream& out, const std::vector<const UdfNode*>& nodes,
               const std::vector<UdfType>& types = {});
    // The same image as bytes.
    static bool toBytes(const std::vector<const UdfNode*>& nodes, std::vector<std::uint8_t>& image,
                        const std::vector<UdfType>& types = {});

private:
    struct Entry {
        const UdfNode* node;
        bool link;
    };

    bool writeTree(vfs::Stream& out, const std::vector<Entry>& rootChildren);
    // Writes a container's directory; returns the children whose bytes follow it.
    bool writeDirectory(vfs::Stream& out, const std::vector<Entry>& children,
                        std::vector<const UdfNode*>& owned);

    std::unordered_map<const UdfNode*, std::pair<std::uint32_t, std::uint32_t>> written_;
    std::vector<std::pair<std::uint32_t, const UdfNode*>> pendingEntries_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> pendingSizes_;
};

}  // namespace udf
