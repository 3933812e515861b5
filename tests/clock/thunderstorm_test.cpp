#include "clock/thunderstorm.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <deque>
#include <random>
#include <utility>
#include <vector>

namespace {

using clockscene::Thunderstorm;

std::int64_t now = 0;
std::int64_t FakeClock() {
    return now;
}

bool SameRamp(const gfx::D3DGAMMARAMP& a, const gfx::D3DGAMMARAMP& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class ThunderstormTest : public ::testing::Test {
protected:
    void SetUp() override {
        now = 0;
        storm.SetRandom([this] {
            if (draws.empty()) {
                ADD_FAILURE() << "more draws than scripted";
                return 0;
            }
            const int value = draws.front();
            draws.pop_front();
            return value;
        });
        storm.SetGammaOutput([this](const gfx::D3DGAMMARAMP& ramp) { ramps.push_back(ramp); });
        storm.SetThunderOutput(
            [this](int sample, int volume) { claps.emplace_back(sample, volume); });
        storm.Start();
    }

    // One frame in the scene's order.
    void Frame() {
        storm.UpdateLightning();
        storm.UpdateFlash();
        storm.UpdateWink();
    }

    Thunderstorm storm{&FakeClock};
    std::deque<int> draws;
    std::vector<gfx::D3DGAMMARAMP> ramps;
    std::vector<std::pair<int, int>> claps;
};

TEST_F(ThunderstormTest, PauseAfterAFlash) {
    struct Case {
        std::vector<int> draws;  // after duration and intensity
        int delay;
        std::size_t winks;
    };
    // The scene's quiet time 6000: a quick follow-up in one flash of five, else 6000 to 17999 ms
    // or 12000 to 29999 ms.
    const Case cases[] = {
        {{0, 99, 500}, 99, 1},     {{5, 0, 1999}, 0, 1},      {{1, 2, 0}, 6000, 0},
        {{4, 4, 11999}, 17999, 0}, {{6, 10, 12005}, 6005, 0}, {{2, 3, 0}, 12000, 0},
        {{3, 7, 17999}, 29999, 0}, {{8, 1, 18001}, 12001, 0},
    };
    for (const Case& c : cases) {
        storm = Thunderstorm(&FakeClock);
        ramps.clear();
        SetUp();
        storm.SetQuietTime(6000);
        draws = {0, 0};
        draws.insert(draws.end(), c.draws.begin(), c.draws.end());
        // The first flash comes a second after the start.
        now = 999;
        Frame();
        EXPECT_FALSE(storm.FlashActive());
        now = 1000;
        Frame();
        ASSERT_TRUE(storm.FlashActive());
        EXPECT_EQ(storm.NextFlashDelay(), c.delay);
        EXPECT_EQ(storm.PendingWinks(), c.winks);
        EXPECT_TRUE(draws.empty());
        // The pause counts from the end of the flash (300 ms long here).
        now = 1300;
        Frame();
        EXPECT_FALSE(storm.FlashActive());
        if (c.delay > 0) {
            now = 1300 + c.delay - 1;
            storm.UpdateLightning();
            EXPECT_FALSE(storm.FlashActive()) << c.delay;
        }
        draws = {0, 0, 1, 0, 0};
        now = 1300 + c.delay;
        storm.UpdateLightning();
        EXPECT_TRUE(storm.FlashActive()) << c.delay;
    }
}

TEST(ThunderstormRamps, FlashRampAndBaseRamps) {
    const gfx::D3DGAMMARAMP flash = clockscene::FlashRamp(0.5f);
    const std::pair<int, int> flashEntries[] = {{0, 16384},   {1, 16768},   {100, 54784},
                                                {127, 65152}, {128, 65535}, {255, 65535}};
    for (const auto& [i, value] : flashEntries) {
        EXPECT_EQ(flash.red[i], value) << i;
        EXPECT_EQ(flash.green[i], value) << i;
        EXPECT_EQ(flash.blue[i], value) << i;
    }
    EXPECT_EQ(clockscene::FlashRamp(0.75f).red[10], 24576 + 10 * 448);

    struct Entry {
        std::int32_t gamma;
        int i;
        std::uint16_t value;
    };
    const Entry baseEntries[] = {{0, 0, 0},     {0, 1, 256},     {0, 255, 65280},
                                 {2, 0, 400},   {2, 254, 65424}, {2, 255, 65535},
                                 {-100, 78, 0}, {-100, 79, 224}, {-100, 255, 45280}};
    for (const Entry& e : baseEntries) {
        const gfx::D3DGAMMARAMP base = clockscene::BaseRamp(e.gamma);
        EXPECT_EQ(base.red[e.i], e.value) << e.gamma << " " << e.i;
        EXPECT_EQ(base.green[e.i], e.value) << e.gamma << " " << e.i;
        EXPECT_EQ(base.blue[e.i], e.value) << e.gamma << " " << e.i;
    }
    // The identity for Gamma 0, and every entry below 20000 gone for -100.
    const gfx::D3DGAMMARAMP identity = clockscene::BaseRamp(0);
    const gfx::D3DGAMMARAMP dark = clockscene::BaseRamp(-100);
    int zeros = 0;
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(identity.red[i], i * 256);
        zeros += dark.green[i] == 0;
    }
    EXPECT_EQ(zeros, 79);

    // Blending: a level of 0 is the base, 1 the flash, values between them in between.
    const gfx::D3DGAMMARAMP none = clockscene::BlendRamps(flash, identity, 0.0f);
    const gfx::D3DGAMMARAMP full = clockscene::BlendRamps(flash, identity, 1.0f);
    EXPECT_TRUE(SameRamp(none, identity));
    EXPECT_TRUE(SameRamp(full, flash));
}

TEST(ThunderstormRamps, FlashLevels) {
    const std::pair<float, float> levels[] = {
        {0.25f, 0.9343295f}, {0.5f, 1.0f}, {0.75f, 0.9343295f}, {0.1f, 0.743045f},
        {0.0f, 0.0f},        {1.0f, 0.0f}, {1.5f, 0.0f},        {-0.5f, 0.0f},
    };
    for (const auto& [t, level] : levels) {
        EXPECT_NEAR(clockscene::FlashLevelAt(t), level, 1e-5f) << t;
    }
}

TEST_F(ThunderstormTest, FlashDrivesTheRampAndTheLastFrameRestoresTheBase) {
    storm.SetBaseRamp(2);
    // 400 ms at intensity 0.5, then a long pause.
    draws = {100, 0, 1, 0, 0};
    now = 1000;
    Frame();
    ASSERT_TRUE(storm.FlashActive());
    ASSERT_EQ(storm.FlashDuration(), 400);
    EXPECT_EQ(storm.FlashIntensity(), 0.5f);
    ASSERT_EQ(ramps.size(), 1u);
    EXPECT_EQ(storm.FlashLevel(), 0.0f);

    now = 1100;
    Frame();
    EXPECT_NEAR(storm.FlashLevel(), 0.9343295f, 1e-5f);
    ASSERT_EQ(ramps.size(), 2u);
    EXPECT_EQ(ramps.back().red[0], 15308 + 26);  // 16384 * level + 400 * (1 - level)
    EXPECT_EQ(ramps.back().blue[255], 65535);

    now = 1200;
    Frame();
    EXPECT_EQ(storm.FlashLevel(), 1.0f);
    EXPECT_EQ(storm.OutdoorGrey(), 64);
    EXPECT_NEAR(storm.OutdoorAmbient(), 1.2f, 1e-6f);
    EXPECT_TRUE(SameRamp(ramps.back(), clockscene::FlashRamp(0.5f)));

    now = 1399;
    Frame();
    EXPECT_GT(storm.FlashLevel(), 0.0f);
    EXPECT_FALSE(SameRamp(ramps.back(), storm.BaseGammaRamp()));

    now = 1400;
    Frame();
    EXPECT_FALSE(storm.FlashActive());
    EXPECT_EQ(storm.FlashLevel(), 0.0f);
    EXPECT_EQ(storm.OutdoorGrey(), 0);
    EXPECT_TRUE(SameRamp(ramps.back(), clockscene::BaseRamp(2)));

    // Idle frames leave the display alone; shutdown puts the base ramp back.
    const std::size_t sent = ramps.size();
    now = 2000;
    Frame();
    EXPECT_EQ(ramps.size(), sent);
    storm.RestoreBaseRamp();
    ASSERT_EQ(ramps.size(), sent + 1);
    EXPECT_TRUE(SameRamp(ramps.back(), clockscene::BaseRamp(2)));
}

TEST_F(ThunderstormTest, ThunderFollowsHalfASecondAfterTheFlash) {
    struct Case {
        bool loaded;
        bool audible;
        std::vector<int> draws;  // the clap's
        std::vector<std::pair<int, int>> played;
    };
    const Case cases[] = {
        {true, true, {0, 0, 0}, {{0, 20}}},
        {true, true, {1, 3, 29}, {{1, 49}}},
        {true, true, {2, 1}, {{2, 0}}},
        {true, true, {5, 2}, {{2, 100}}},
        {true, false, {}, {}},
        {false, true, {}, {}},
    };
    for (const Case& c : cases) {
        storm = Thunderstorm(&FakeClock);
        claps.clear();
        SetUp();
        storm.SetThunderLoaded(c.loaded);
        storm.SetThunderAudible(c.audible);
        draws = {0, 0, 1, 0, 0};
        now = 1000;
        storm.UpdateLightning();
        ASSERT_TRUE(storm.FlashActive());
        EXPECT_EQ(storm.PendingClaps(), c.loaded ? 1u : 0u);
        now = 1499;
        storm.UpdateLightning();
        EXPECT_TRUE(claps.empty());
        draws.assign(c.draws.begin(), c.draws.end());
        now = 1500;
        storm.UpdateLightning();
        EXPECT_EQ(claps, c.played);
        EXPECT_EQ(storm.PendingClaps(), 0u);
        EXPECT_TRUE(draws.empty());
    }
}

TEST_F(ThunderstormTest, WinkLengthAndShape) {
    storm.SetWinkTime(2000);
    // One flash in five: a follow-up in 50 ms and a wink 1500 ms after this flash.
    draws = {0, 0, 0, 50, 500};
    now = 1000;
    storm.UpdateLightning();
    ASSERT_EQ(storm.PendingWinks(), 1u);
    now = 2499;
    storm.UpdateFlash();
    storm.UpdateWink();
    EXPECT_FALSE(storm.WinkActive());

    draws = {4000};  // the shortest wink: 2000 ms
    now = 2500;
    storm.UpdateFlash();
    storm.UpdateWink();
    ASSERT_TRUE(storm.WinkActive());
    EXPECT_EQ(storm.WinkDuration(), 2000);
    EXPECT_EQ(storm.WinkPhase(), 0.0f);
    EXPECT_EQ(storm.WinkPeriod(), 600.0f);

    // A triangle wave: up to 0.5 at half a period and back.
    struct Point {
        std::int64_t at;
        float phase;
    };
    const Point points[] = {{150, 0.2502f}, {300, 0.4981f}, {450, 0.2436f}};
    for (const Point& p : points) {
        now = 2500 + p.at;
        storm.UpdateWink();
        EXPECT_NEAR(storm.WinkPhase(), p.phase, 1e-3f) << p.at;
        EXPECT_EQ(storm.WinkGrey(), static_cast<int>(storm.WinkPhase() * 128.0f));
    }

    // It runs its duration, then until the phase comes within 0.1 of 0; the period falls from
    // 600 ms towards 500 ms on the way.
    std::int64_t end = 0;
    float lastPhase = 0.0f;
    for (now = 2501; now < 2500 + 5000 && !end; ++now) {
        storm.UpdateWink();
        EXPECT_GE(storm.WinkPhase(), 0.0f);
        EXPECT_LE(storm.WinkPhase(), 0.5f);
        if (now == 4499) {
            EXPECT_NEAR(storm.WinkPeriod(), 500.1f, 0.05f);
        }
        if (!storm.WinkActive()) {
            end = now;
        } else {
            lastPhase = storm.WinkPhase();
        }
    }
    EXPECT_GT(end, 4500);
    EXPECT_LT(end, 4500 + 600);
    EXPECT_GT(lastPhase, 0.1f);
    EXPECT_EQ(storm.WinkPhase(), 0.0f);

    // Longer winks: winkTime to 3 * winkTime - 1.
    const std::pair<int, int> durations[] = {{3999, 5999}, {4001, 2001}};
    for (const auto& [draw, duration] : durations) {
        draws = {0, 0, 0, 50, 0, draw};
        now += 100000;
        storm.UpdateLightning();
        now += 1000;
        storm.UpdateFlash();
        EXPECT_EQ(storm.WinkDuration(), duration);
    }
}

TEST_F(ThunderstormTest, AbsurdTimesStaySafe) {
    const std::pair<int, int> times[] = {{0, clockscene::kDefaultQuietTime},
                                         {-5, clockscene::kDefaultQuietTime},
                                         {INT_MIN, clockscene::kDefaultQuietTime},
                                         {INT_MAX, clockscene::kMaxStormTime},
                                         {1, 1}};
    for (const auto& [value, expected] : times) {
        storm.SetQuietTime(value);
        EXPECT_EQ(storm.QuietTime(), expected) << value;
        storm.SetWinkTime(value);
        EXPECT_EQ(storm.WinkTime(), expected == clockscene::kDefaultQuietTime
                                        ? clockscene::kDefaultWinkTime
                                        : expected)
            << value;
    }

    // Ten minutes of frames with the shortest times and the largest draws rand can give.
    storm.SetQuietTime(1);
    storm.SetWinkTime(1);
    storm.SetThunderLoaded(true);
    storm.SetThunderAudible(true);
    std::mt19937 generator(3);
    storm.SetRandom([&] { return generator() % 2 ? INT_MAX : static_cast<int>(generator() >> 1); });
    int flashes = 0;
    for (now = 0; now < 600000; now += 16) {
        const bool before = storm.FlashActive();
        Frame();
        flashes += !before && storm.FlashActive();
        ASSERT_GE(storm.NextFlashDelay(), 0);
        ASSERT_GE(storm.FlashLevel(), 0.0f);
        ASSERT_LE(storm.FlashLevel(), 1.0f);
        ASSERT_GE(storm.WinkPhase(), 0.0f);
        ASSERT_LE(storm.WinkPhase(), 0.5f);
        ASSERT_LT(storm.PendingClaps() + storm.PendingWinks(), 16u);
    }
    EXPECT_GT(flashes, 100);

    // A clock that jumps back during a flash ends it dark instead of with a broken level.
    storm.SetRandom([] { return 7; });
    while (!storm.FlashActive()) {
        now += 16;
        Frame();
    }
    now -= 100000;
    Frame();
    EXPECT_FALSE(storm.FlashActive());
    EXPECT_EQ(storm.FlashLevel(), 0.0f);
    EXPECT_TRUE(SameRamp(ramps.back(), storm.BaseGammaRamp()));
}

}  // namespace
