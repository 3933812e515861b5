// Loads the input as a whole UDF binary tree and reads every value; then loads it again with
// the load flags the last byte names and expands every leaf.
#include <cstddef>
#include <cstdint>
#include <unordered_set>
#include <vector>

#include "udf/udf_binary_reader.h"
#include "vfs/mem_file.h"

namespace {

volatile std::uint64_t sink;

void readEverything(udf::UdfBinaryReader& reader, udf::UdfNode* root, std::uint32_t expandFlags) {
    std::vector<udf::UdfNode*> pending{root};
    std::unordered_set<udf::UdfNode*> seen;
    std::vector<std::uint8_t> copy;
    std::uint64_t total = 0;
    while (!pending.empty()) {
        udf::UdfNode* node = pending.back();
        pending.pop_back();
        if (!seen.insert(node).second) {
            continue;
        }
        total += static_cast<std::uint32_t>(node->asInt());
        total += node->asReal() > 0.0f ? 1 : 0;
        total += node->asString().size();
        total += node->asUString().size();
        if (node->takeCopy(copy)) {
            total += copy.size();
        }
        if (!node->isContainer() && expandFlags != 0xFFFFFFFF) {
            reader.expandLeaf(node, expandFlags);
        }
        for (const udf::UdfNode::Child& child : node->children()) {
            pending.push_back(child.node);
        }
    }
    sink = total;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > UINT32_MAX) {
        return 0;
    }
    const auto length = static_cast<std::uint32_t>(size);
    {
        vfs::MemFile file;
        file.open("", vfs::kModeRead);
        file.assign(core::EngineString::borrow(data, length));
        udf::UdfBinaryReader reader;
        if (udf::UdfNode* root = reader.attach(file)) {
            root->load(0);
            readEverything(reader, root, 0xFFFFFFFF);
        }
    }
    if (size > 0) {
        udf::UdfBinaryReader reader;
        if (udf::UdfNode* root = reader.attachMemory(data, length)) {
            root->load(data[size - 1]);
            readEverything(reader, root, data[0] & 0x07);
        }
    }
    return 0;
}
