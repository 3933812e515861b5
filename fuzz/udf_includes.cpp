// A UDF text file with its includes on: every name an include makes is resolved through the
// search paths, and the files it may reach are parts of the same input.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "archive_files.h"
#include "udf/prop_node.h"
#include "udf/udf_text_parser.h"

namespace {
volatile std::uint64_t sink;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 20)) {
        return 0;
    }
    fuzz::ArchiveFiles files({data, size}, "Scene.props");
    auto stream = files.Source("Scene.props").open(vfs::kModeRead);
    if (!stream) {
        return 0;
    }
    udf::PropNode root;
    udf::UdfTextParser parser(&files.Paths());
    parser.parse(*stream, root);

    std::uint64_t total = 0;
    std::vector<const udf::PropNode*> pending{&root};
    while (!pending.empty()) {
        const udf::PropNode* node = pending.back();
        pending.pop_back();
        total += node->asString().size() + node->kind;
        for (const udf::PropNode::Child& child : node->children()) {
            pending.push_back(child.node.get());
        }
    }
    sink = total;
    return 0;
}
