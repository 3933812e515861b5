// The clock scene run for real in this process on the test display (window, device, the embedded
// archive, OpenAL's null output), with only its millisecond clock and its settings store
// replaced: between two frames the clock jumps six minutes ahead, longer than any camera path and
// than the storm's quiet time, so the run must switch paths in that frame and flash soon after.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "clock/clock_scene.h"
#include "core/interval_timer.h"
#include "platform/fake/memory_registry.h"

namespace {

std::int64_t clockOffset = 0;
std::int64_t JumpingClock() {
    return core::NowMilliseconds() + clockOffset;
}

class StoppableScene final : public clockscene::ClockScene {
public:
    using ClockScene::ClockScene;
    void Stop() { SetQuit(); }
};

TEST(ClockSceneRun, AClockJumpEndsThePathInThatFrameAndBringsAFlash) {
    if (!std::getenv("DISPLAY")) {
        GTEST_SKIP() << "needs a display";
    }
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("zorvane-run-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    setenv("TMPDIR", folder.c_str(), 1);
    setenv("ALSOFT_DRIVERS", "null", 1);

    platform::fake::MemoryRegistry registry;
    app::SaverServices services;
    services.registry = &registry;
    services.clock = &JumpingClock;
    int frames = 0;
    int jumpFrame = -1, switchFrame = -1, flashFrame = -1;
    std::string firstPath;
    StoppableScene* scene = nullptr;
    services.framePresented = [&](app::PresentedFrame frame) {
        if (frame != app::PresentedFrame::Scene) {
            return;
        }
        ++frames;
        // A flash running at the jump would end in the next frame and put the quiet time
        // before the next one, so the jump waits for a frame without one.
        if (jumpFrame < 0 && frames >= 10 && !scene->Storm().FlashActive()) {
            firstPath = scene->Tour().CurrentName();
            clockOffset += 6 * 60 * 1000;
            jumpFrame = frames;
            return;
        }
        if (jumpFrame > 0 && switchFrame < 0 && scene->Tour().CurrentName() != firstPath) {
            switchFrame = frames;
        }
        if (jumpFrame > 0 && flashFrame < 0 && scene->Storm().FlashLevel() > 0.0f) {
            flashFrame = frames;
        }
        if ((flashFrame > 0 && frames > flashFrame + 5) || frames > 300) {
            scene->Stop();
        }
    };
    StoppableScene running(services);
    scene = &running;
    ASSERT_TRUE(running.Create(0, app::RunMode::Saver, 0));
    ASSERT_TRUE(running.Tour().Running()) << "a shipped path flies from the start";
    EXPECT_EQ(running.Run(), 1);

    EXPECT_FALSE(firstPath.empty());
    EXPECT_EQ(switchFrame, jumpFrame + 1) << "the frame after the jump flies the next path";
    ASSERT_FALSE(running.Tour().Played().empty());
    EXPECT_EQ(running.Tour().Played().back(), firstPath);
    EXPECT_GT(flashFrame, jumpFrame) << "the quiet time is over, so lightning comes";
    EXPECT_LE(flashFrame, jumpFrame + 60);
    std::filesystem::remove_all(folder);
}

}  // namespace
