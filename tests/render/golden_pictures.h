// Pictures in the tests: rendering a scene file with zorvane-shot, reading PNG files, and
// comparing a picture with its golden one in tests/golden/.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "render/textures/image/image_decoder.h"
#include "render/textures/image/png_writer.h"

namespace render::test {

inline bool ReadPng(const std::filesystem::path& path, Image& image) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    ImageInfo info;
    return !bytes.empty() && DecodeImage(bytes, image, info);
}

// Renders `scene` with zorvane-shot and `arguments` into the PNG file `out` and reads it into
// `image`; the tool's exit code (-1 when it did not exit).
inline int ShootPicture(const std::filesystem::path& scene, const std::filesystem::path& out,
                        const std::string& arguments, Image& image) {
    const std::string command = std::string(ZORVANE_BINARY_DIR) +
                                "/tools/zorvane-shot/zorvane-shot '" + scene.string() +
                                "' --out '" + out.string() + "' " + arguments;
    const int status = std::system(command.c_str());
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code == 0) {
        EXPECT_TRUE(ReadPng(out, image)) << command;
    }
    return code;
}

// Compares a picture with tests/golden/NAME.png: a pixel differs when one of its colour channels
// is more than `tolerance` away, and more than one pixel in `outlierShare` fails (edges move
// between Mesa versions). A failure leaves NAME.actual.png and NAME.diff.png in the build's
// test-output folder, never in the sources; with ZORVANE_UPDATE_GOLDENS=1 the picture becomes
// the golden one instead.
inline void ExpectMatchesGolden(const std::string& name, const std::vector<std::uint32_t>& pixels,
                                std::uint32_t width, std::uint32_t height, int tolerance = 16,
                                std::size_t outlierShare = 200) {
    const std::filesystem::path goldens =
        std::filesystem::path(ZORVANE_SOURCE_DIR) / "tests" / "golden";
    const std::filesystem::path golden = goldens / (name + ".png");
    if (const char* update = std::getenv("ZORVANE_UPDATE_GOLDENS"); update && *update == '1') {
        ASSERT_TRUE(WritePng(golden.string(), pixels, width, height));
        return;
    }
    Image expected;
    ASSERT_TRUE(ReadPng(golden, expected)) << golden << " is missing: scripts/update-goldens";
    ASSERT_EQ(expected.width, width) << name;
    ASSERT_EQ(expected.height, height) << name;
    ASSERT_EQ(pixels.size(), expected.pixels.size()) << name;
    std::vector<std::uint32_t> diff(pixels.size());
    std::size_t outliers = 0;
    int largest = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        int worst = 0;
        std::uint32_t shown = 0xFF000000;
        for (int shift : {16, 8, 0}) {
            const int d = std::abs(int((pixels[i] >> shift) & 0xFF) -
                                   int((expected.pixels[i] >> shift) & 0xFF));
            worst = std::max(worst, d);
            shown |= std::uint32_t(std::min(255, d * 4)) << shift;
        }
        diff[i] = shown;
        largest = std::max(largest, worst);
        outliers += worst > tolerance ? 1 : 0;
    }
    if (outliers > pixels.size() / outlierShare) {
        const std::filesystem::path output =
            std::filesystem::path(ZORVANE_BINARY_DIR) / "test-output" / "golden";
        std::filesystem::create_directories(output);
        WritePng((output / (name + ".actual.png")).string(), pixels, width, height);
        WritePng((output / (name + ".diff.png")).string(), diff, width, height);
        ADD_FAILURE() << name << ": " << outliers << " pixels differ by more than " << tolerance
                      << " (largest " << largest << "); see " << name << ".actual.png and " << name
                      << ".diff.png in " << output;
    }
}

}  // namespace render::test
