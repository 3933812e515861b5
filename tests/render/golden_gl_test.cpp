#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "render/image/image_decoder.h"
#include "render/image/png_writer.h"
#include "test_scene.h"

namespace {

namespace fs = std::filesystem;

// Per channel, what rendering on another Mesa version may move; and how many pixels (edges)
// may move further.
constexpr int kChannelTolerance = 16;
constexpr std::size_t kOutlierShare = 200;  // one pixel in 200

bool ReadPng(const fs::path& path, render::Image& image) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    render::ImageInfo info;
    return !bytes.empty() && render::DecodeImage(bytes, image, info);
}

int ChannelDifference(std::uint32_t a, std::uint32_t b, int shift) {
    return std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
}

class GoldenTest : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        folder = fs::path(::testing::TempDir()) /
                 ("zorvane_golden_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    // Renders `scene` with `arguments` and compares the picture with tests/golden/NAME.png. A
    // mismatch leaves NAME.actual.png and NAME.diff.png beside the golden picture.
    void Compare(const std::string& name, const fs::path& scene, const std::string& arguments) {
        const fs::path actual = folder / (name + ".png");
        const std::string command = std::string(ZORVANE_BINARY_DIR) +
                                    "/tools/zorvane-shot/zorvane-shot '" + scene.string() +
                                    "' --out '" + actual.string() + "' " + arguments;
        const int status = std::system(command.c_str());
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (code == 1 && !std::getenv("DISPLAY")) {
            GTEST_SKIP() << "no display";
        }
        ASSERT_EQ(code, 0);
        const fs::path goldens = fs::path(ZORVANE_SOURCE_DIR) / "tests" / "golden";
        const fs::path golden = goldens / (name + ".png");
        if (const char* update = std::getenv("ZORVANE_UPDATE_GOLDENS"); update && *update == '1') {
            fs::copy_file(actual, golden, fs::copy_options::overwrite_existing);
            return;
        }
        render::Image expected, got;
        ASSERT_TRUE(ReadPng(golden, expected)) << golden << " is missing: scripts/update-goldens";
        ASSERT_TRUE(ReadPng(actual, got));
        ASSERT_EQ(got.width, expected.width);
        ASSERT_EQ(got.height, expected.height);
        std::vector<std::uint32_t> diff(got.pixels.size());
        std::size_t outliers = 0;
        int largest = 0;
        for (std::size_t i = 0; i < got.pixels.size(); ++i) {
            int worst = 0;
            std::uint32_t shown = 0xFF000000;
            for (int shift : {16, 8, 0}) {
                const int d = ChannelDifference(got.pixels[i], expected.pixels[i], shift);
                worst = std::max(worst, d);
                shown |= std::uint32_t(std::min(255, d * 4)) << shift;
            }
            diff[i] = shown;
            largest = std::max(largest, worst);
            outliers += worst > kChannelTolerance ? 1 : 0;
        }
        if (outliers > got.pixels.size() / kOutlierShare) {
            fs::copy_file(actual, goldens / (name + ".actual.png"),
                          fs::copy_options::overwrite_existing);
            render::WritePng((goldens / (name + ".diff.png")).string(), diff, got.width,
                             got.height);
            ADD_FAILURE() << name << ": " << outliers << " pixels differ by more than "
                          << kChannelTolerance << " (largest " << largest << "); see " << name
                          << ".actual.png and " << name << ".diff.png in " << goldens;
        }
    }

    fs::path folder;
};

TEST_F(GoldenTest, TestSceneFromTheFront) {
    const fs::path scene = render::test::WriteTestScene(folder);
    Compare("test_scene", scene,
            "--size 320x240 --time 0.5 --eye 0,-40,12 --dir 0,1,-0.1 --background 203040");
}

TEST_F(GoldenTest, TestSceneFromAbove) {
    const fs::path scene = render::test::WriteTestScene(folder);
    Compare("test_scene_above", scene,
            "--size 320x240 --time 1.5 --eye 14,-22,40 --dir -0.4,0.6,-0.7 --ambient 404040");
}

}  // namespace
