// Times of the media reads the start-up depends on, each the median of repeated runs: one open
// of the last entry of an 80-entry, 10 MB archive (the walk from the start, the copy and the CRC
// check), and the complete load of a 2 MB scene-like UDF tree with every value read.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "udf/udf_binary_reader.h"
#include "udf/udf_binary_writer.h"
#include "udf/udf_node.h"
#include "vfs/rar_archive.h"
#include "vfs/rar_writer.h"

namespace {

using Clock = std::chrono::steady_clock;

template <typename Work>
double medianMicroseconds(int runs, Work work) {
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
    return times[static_cast<std::size_t>(runs / 2)];
}

std::vector<std::uint8_t> archiveImage(int entries, std::uint32_t totalBytes) {
    vfs::RarWriter writer;
    writer.addFolder("Media");
    std::vector<std::uint8_t> bytes(totalBytes / static_cast<std::uint32_t>(entries));
    std::uint32_t seed = 1;
    for (int i = 0; i < entries; ++i) {
        for (auto& b : bytes) {
            seed = seed * 1664525u + 1013904223u;
            b = static_cast<std::uint8_t>(seed >> 24);
        }
        writer.addFile("Media\\file" + std::to_string(i) + ".bin", bytes);
    }
    return writer.finish();
}

udf::UdfNode* addContainer(udf::UdfNode& parent, const std::string& name) {
    auto node = std::make_unique<udf::UdfNode>(name, "node");
    node->setContainer();
    return parent.addChild(std::move(node));
}

// Nodes in the shape of a scene file: each with a name, a transform, a material and a mesh of
// vertex and index arrays, and a few animation keys.
std::unique_ptr<udf::UdfNode> sceneTree(std::uint32_t targetBytes) {
    auto scene = std::make_unique<udf::UdfNode>("Scene");
    scene->setContainer();
    std::uint32_t bytes = 0;
    std::vector<float> vertices(32 * 200);
    std::vector<std::uint16_t> indices(3 * 300);
    for (int i = 0; bytes < targetBytes; ++i) {
        auto* node = addContainer(*scene, "Node" + std::to_string(i));
        node->addString("Name", "node_" + std::to_string(i));
        float matrix[17] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, float(i), 2, 3, 1, 0};
        node->addLeaf("NodeTM", "matrix", matrix, sizeof matrix, true);
        node->addString("MaterialName", "material_" + std::to_string(i % 7));
        node->addInt("Flags", i);
        node->addReal("Opacity", 0.5f);
        auto* mesh = addContainer(*node, "Mesh");
        mesh->addLeaf("Vertices", "byte", vertices.data(),
                      static_cast<std::uint32_t>(vertices.size() * sizeof(float)), true);
        mesh->addLeaf("Indices", "byte", indices.data(),
                      static_cast<std::uint32_t>(indices.size() * sizeof(std::uint16_t)), true);
        auto* keys = node->addArray("Keys", "real", 8);
        for (int k = 0; k < 8; ++k) {
            keys->addReal(std::to_string(k), float(k) * 0.25f);
        }
        bytes += static_cast<std::uint32_t>(vertices.size() * sizeof(float) +
                                            indices.size() * sizeof(std::uint16_t) + 400);
    }
    return scene;
}

// Reads every value of the tree, as the scene loader does with the ones it knows.
std::uint64_t readAll(const udf::UdfNode& node) {
    std::uint64_t sum = 0;
    for (const auto& child : node.children()) {
        const udf::UdfNode& n = *child.node;
        if (n.isContainer()) {
            sum += readAll(n);
            continue;
        }
        const std::string_view type = n.typeName().view();
        if (type == "int") {
            sum += static_cast<std::uint64_t>(n.asInt());
        } else if (type == "real") {
            sum += static_cast<std::uint64_t>(n.asReal());
        } else if (type == "string") {
            sum += n.asString().size();
        } else {
            std::vector<std::uint8_t> copy;
            n.takeCopy(copy);
            sum += copy.size();
        }
    }
    return sum;
}

}  // namespace

int main() {
    constexpr int kEntries = 80;
    constexpr std::uint32_t kTotal = 10'000'000;
    const std::vector<std::uint8_t> image = archiveImage(kEntries, kTotal);
    vfs::RarArchive archive;
    if (!archive.mount(vfs::FileSource(image.data(), static_cast<std::uint32_t>(image.size())))) {
        std::fprintf(stderr, "mount failed\n");
        return 1;
    }
    const std::string last = "Media/file" + std::to_string(kEntries - 1) + ".bin";
    bool ok = true;
    const double openLast = medianMicroseconds(201, [&] { ok = ok && archive.open(last, 1); });
    const double openFirst =
        medianMicroseconds(201, [&] { ok = ok && archive.open("Media/file0.bin", 1); });
    const double missing =
        medianMicroseconds(201, [&] { ok = ok && !archive.open("Media/absent.bin", 1); });
    if (!ok) {
        std::fprintf(stderr, "lookup failed\n");
        return 1;
    }
    std::printf("archive: %d entries, %zu bytes\n", kEntries, image.size());
    std::printf("open last entry:  median %.1f us\n", openLast);
    std::printf("open first entry: median %.1f us\n", openFirst);
    std::printf("open absent name: median %.1f us\n", missing);

    const auto scene = sceneTree(2'000'000);
    std::vector<std::uint8_t> udfImage;
    if (!udf::UdfBinaryWriter::toBytes({scene.get()}, udfImage)) {
        std::fprintf(stderr, "UDF write failed\n");
        return 1;
    }
    std::uint64_t expected = 0;
    const double load = medianMicroseconds(51, [&] {
        vfs::FileSource source(udfImage.data(), static_cast<std::uint32_t>(udfImage.size()));
        udf::UdfBinaryReader reader;
        udf::UdfNode* root = reader.attach(source.open(vfs::kModeRead));
        if (!root || !root->load()) {
            ok = false;
            return;
        }
        const std::uint64_t sum = readAll(*root);
        ok = ok && (expected == 0 || sum == expected);
        expected = sum;
    });
    if (!ok || expected == 0) {
        std::fprintf(stderr, "UDF load failed\n");
        return 1;
    }
    std::printf("UDF tree: %zu bytes, %zu nodes at the top\n", udfImage.size(),
                scene->children().size());
    std::printf("load whole UDF tree and read every value: median %.1f us\n", load);
    return 0;
}
