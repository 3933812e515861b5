// The shipped media/Media/clock.UDF read from disk, with its mesh records by lowered name, for
// the tests that look at the clock and the room as shipped.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "core/ascii.h"
#include "render/scene/vertex_data.h"
#include "udf/udf_binary_reader.h"
#include "udf/udf_node.h"
#include "vfs/file_source.h"

namespace rendertest {

inline const std::string kShippedMedia = std::string(ZORVANE_SOURCE_DIR) + "/media/Media/";

class ShippedClock {
public:
    // False (with a test failure) when the file can't be read.
    bool Load() {
        vfs::FileSource source{core::EngineString(kShippedMedia + "clock.UDF")};
        source.flags = vfs::kSourceDisk;
        reader_ = std::make_unique<udf::UdfBinaryReader>();
        udf::UdfNode* file = reader_->attach(source.open(vfs::kModeRead));
        const bool loaded = file && file->load(0);
        EXPECT_TRUE(loaded) << "clock.UDF";
        if (loaded) {
            Collect(file->findChild("Children"));
        }
        return loaded;
    }

    // The first mesh record of that (lowered) name, or null.
    const udf::UdfNode* Mesh(const std::string& name) const {
        const auto found = meshes_.find(name);
        return found == meshes_.end() ? nullptr : found->second;
    }

private:
    void Collect(const udf::UdfNode* children) {
        if (!children) {
            return;
        }
        for (const auto& member : children->children()) {
            const udf::UdfNode& record = *member.node;
            if (!record.isContainer()) {
                continue;
            }
            const udf::UdfNode* name = record.findChild("Name");
            const std::string key =
                core::AsciiLowered(name ? name->asString().str() : record.name().str());
            if (record.typeName().view() == "Mesh" && !meshes_.count(key)) {
                meshes_[key] = &record;
            }
            Collect(record.findChild("Children"));
        }
    }

    std::unique_ptr<udf::UdfBinaryReader> reader_;
    std::map<std::string, const udf::UdfNode*> meshes_;
};

// The i-th index of a mesh's triangle list, whichever its index size.
inline std::uint32_t TriangleIndex(const render::VertexData& data, std::uint32_t i) {
    if (data.indexSize == 2) {
        std::uint16_t v;
        std::memcpy(&v, data.indices + 2 * i, 2);
        return v;
    }
    std::uint32_t v;
    std::memcpy(&v, data.indices + 4 * i, 4);
    return v;
}

}  // namespace rendertest
