// Parses the input as a UDF text file (includes off, so nothing outside the input is read) and
// reads every value of the tree it builds.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "udf/prop_node.h"
#include "udf/udf_text_parser.h"
#include "vfs/mem_file.h"

namespace {
volatile std::uint64_t sink;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > UINT32_MAX) {
        return 0;
    }
    vfs::MemFile file;
    file.open("", vfs::kModeRead);
    file.assign(core::EngineString::borrow(data, static_cast<std::uint32_t>(size)));
    udf::PropNode root;
    udf::UdfTextParser parser;
    parser.setIncludesEnabled(false);
    parser.parse(file, root);

    std::uint64_t total = 0;
    std::vector<const udf::PropNode*> pending{&root};
    while (!pending.empty()) {
        const udf::PropNode* node = pending.back();
        pending.pop_back();
        total += static_cast<std::uint32_t>(node->asInt());
        total += node->asReal() > 0.0f ? 1 : 0;
        total += node->asString().size() + node->kind;
        for (const udf::PropNode::Child& child : node->children()) {
            pending.push_back(child.node.get());
        }
    }
    sink = total;
    return 0;
}
