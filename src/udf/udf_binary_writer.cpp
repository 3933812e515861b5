#include "udf/udf_binary_writer.h"

#include <memory>
#include <string>

#include "udf/udf_binary_reader.h"
#include "vfs/disk_file.h"
#include "vfs/mem_file.h"
#include "vfs/stream.h"

namespace udf {

namespace {

bool writeText(vfs::Stream& out, std::string_view text) {
    return out.writeU32(static_cast<std::uint32_t>(text.size())) &&
           out.writeExact(text.data(), static_cast<std::uint32_t>(text.size()));
}

bool writeTypes(vfs::Stream& out, const std::vector<UdfType>& types) {
    bool ok = out.writeU32(static_cast<std::uint32_t>(types.size()));
    for (const UdfType& type : types) {
        ok = ok && writeText(out, type.name) &&
             out.writeU32(static_cast<std::uint32_t>(type.fields.size()));
        for (const UdfField& field : type.fields) {
            ok = ok && writeText(out, field.name) && writeText(out, field.typeName) &&
                 out.writeU8(field.isArray ? 1 : 0);
            if (field.isArray) {
                ok = ok && out.writeU32(field.elementCount);
            }
        }
    }
    return ok;
}

bool patchU32(vfs::Stream& out, std::uint32_t position, std::uint32_t value) {
    return position <= INT32_MAX && out.seek(static_cast<std::int32_t>(position), vfs::kSeekSet) &&
           out.writeU32(value);
}

}  // namespace

bool UdfBinaryWriter::save(std::string_view path, const std::vector<const UdfNode*>& nodes,
                           const std::vector<UdfType>& types, std::uint32_t options) {
    if (options & kSaveInMemory) {
        std::vector<std::uint8_t> image;
        const bool ok = toBytes(nodes, image, types);
        vfs::DiskFile file;
        if (!file.open(path, vfs::kModeWrite)) {
            return false;
        }
        const bool stored = file.writeExact(image.data(), static_cast<std::uint32_t>(image.size()));
        return file.close() && stored && ok;
    }
    vfs::DiskFile file;
    if (!file.open(path, vfs::kModeWrite)) {
        return false;
    }
    const bool ok = write(file, nodes, types);
    return file.close() && ok;
}

bool UdfBinaryWriter::toBytes(const std::vector<const UdfNode*>& nodes,
                              std::vector<std::uint8_t>& image, const std::vector<UdfType>& types) {
    vfs::MemFile memory;
    memory.open("", vfs::kModeWrite);
    UdfBinaryWriter writer;
    const bool ok = writer.write(memory, nodes, types);
    image = memory.bufferBytes();
    return ok;
}

bool UdfBinaryWriter::write(vfs::Stream& out, const std::vector<const UdfNode*>& nodes,
                            const std::vector<UdfType>& types) {
    written_.clear();
    pendingEntries_.clear();
    pendingSizes_.clear();
    bool ok = out.writeU32(0) && writeText(out, kUdfMagic) && writeTypes(out, types);
    if (!ok) {
        return false;
    }
    // The root keeps one child per name; a later node of the same name replaces an earlier one.
    std::vector<Entry> rootChildren;
    for (const UdfNode* node : nodes) {
        if (!node) {
            continue;
        }
        for (auto it = rootChildren.begin(); it != rootChildren.end(); ++it) {
            if (it->node->name() == node->name()) {
                rootChildren.erase(it);
                break;
            }
        }
        rootChildren.push_back(Entry{node, false});
    }
    const std::uint32_t restPosition = out.tell();
    ok = out.writeU32(0) && writeTree(out, rootChildren);
    const std::uint32_t endPosition = out.tell();
    pendingSizes_.emplace_back(restPosition, endPosition - restPosition);
    pendingSizes_.emplace_back(0, endPosition);

    bool complete = true;
    for (const auto& [position, node] : pendingEntries_) {
        auto found = written_.find(node);
        std::uint32_t offset = 0;
        std::uint32_t size = 0;
        if (found != written_.end()) {
            offset = found->second.first;
            size = found->second.second;
        } else {
            complete = false;
        }
        ok = ok && patchU32(out, position, offset) && out.writeU32(size);
    }
    for (const auto& [position, value] : pendingSizes_) {
        ok = ok && patchU32(out, position, value);
    }
    ok = ok && out.seek(static_cast<std::int32_t>(endPosition), vfs::kSeekSet);
    return ok && complete;
}

bool UdfBinaryWriter::writeDirectory(vfs::Stream& out, const std::vector<Entry>& children,
                                     std::vector<const UdfNode*>& owned) {
    const std::uint32_t start = out.tell();
    bool ok = out.writeU32(0) && out.writeU32(static_cast<std::uint32_t>(children.size()));
    for (const Entry& entry : children) {
        const UdfNode* child = entry.node;
        std::uint8_t flags = child->flags() & ~kUdfLink;
        if (entry.link) {
            flags |= kUdfLink;
        }
        ok = ok && writeText(out, child->name().view()) &&
             writeText(out, child->typeName().view()) && out.writeU8(flags);
        if (flags & kUdfArray) {
            ok = ok && out.writeU32(child->elementCount());
        }
        auto found = written_.find(child);
        if (found != written_.end()) {
            ok = ok && out.writeU32(found->second.first) && out.writeU32(found->second.second);
        } else {
            pendingEntries_.emplace_back(out.tell(), child);
            ok = ok && out.writeExact("DataArea", 8);
        }
        if (!entry.link) {
            owned.push_back(child);
        }
    }
    pendingSizes_.emplace_back(start, out.tell() - start);
    return ok;
}

// Depth first, each directory followed by its children's bytes in child order; an explicit
// stack keeps deep trees off the call stack.
bool UdfBinaryWriter::writeTree(vfs::Stream& out, const std::vector<Entry>& rootChildren) {
    struct Frame {
        const UdfNode* node;
        std::uint32_t start;
        std::vector<const UdfNode*> owned;
        std::size_t next;
    };
    std::vector<Frame> stack;
    bool ok = true;
    {
        Frame root{nullptr, out.tell(), {}, 0};
        ok = writeDirectory(out, rootChildren, root.owned);
        stack.push_back(std::move(root));
    }
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == top.owned.size()) {
            if (top.node) {
                written_[top.node] = {top.start, out.tell() - top.start};
            }
            stack.pop_back();
            continue;
        }
        const UdfNode* node = top.owned[top.next++];
        const std::uint32_t start = out.tell();
        if (!node->isContainer()) {
            if (node->data()) {
                ok = ok && out.writeExact(node->data(), node->size());
            }
            written_[node] = {start, out.tell() - start};
            continue;
        }
        std::vector<Entry> children;
        for (const UdfNode::Child& child : node->children()) {
            children.push_back(Entry{child.node, child.link});
        }
        Frame frame{node, start, {}, 0};
        ok = writeDirectory(out, children, frame.owned) && ok;
        stack.push_back(std::move(frame));
    }
    return ok;
}

}  // namespace udf
