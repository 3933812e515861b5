// The six sounds under media/Media, decoded as the audio module decodes them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/backend/ogg_decoder.h"

namespace {

namespace fs = std::filesystem;
using audio::backend::DecodedSound;

const fs::path kMedia = fs::path(ZORVANE_SOURCE_DIR) / "media" / "Media";

bool Decode(const std::string& name, DecodedSound& sound) {
    std::ifstream in(kMedia / name, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
    return !bytes.empty() && audio::backend::DecodeOgg(bytes.data(), bytes.size(), false, sound);
}

std::size_t Frames(const DecodedSound& s) {
    return s.samples.size() / static_cast<std::size_t>(s.channels);
}

int At(const DecodedSound& s, std::size_t frame, int channel) {
    return s.samples[frame * static_cast<std::size_t>(s.channels) + channel];
}

// Root mean square of the sample steps within `span` frames either side of the loop point.
double TypicalStepAtLoop(const DecodedSound& s, int channel, std::size_t span) {
    const std::size_t n = Frames(s);
    double sum = 0;
    std::size_t count = 0;
    for (std::size_t i = 1; i < span; ++i) {
        const double head = At(s, i, channel) - At(s, i - 1, channel);
        const double tail = At(s, n - i, channel) - At(s, n - i - 1, channel);
        sum += head * head + tail * tail;
        count += 2;
    }
    return std::sqrt(sum / static_cast<double>(count));
}

double Rms(const DecodedSound& s, std::size_t from, std::size_t to) {
    double sum = 0;
    for (std::size_t i = from * s.channels; i < to * s.channels; ++i) {
        sum += static_cast<double>(s.samples[i]) * s.samples[i];
    }
    return std::sqrt(sum / static_cast<double>((to - from) * s.channels)) / 32768.0;
}

int Peak(const DecodedSound& s, std::size_t from, std::size_t to) {
    int peak = 0;
    for (std::size_t i = from * s.channels; i < to * s.channels; ++i) {
        peak = std::max(peak, std::abs(static_cast<int>(s.samples[i])));
    }
    return peak;
}

struct SoundCase {
    const char* name;
    double minSeconds, maxSeconds;
    int channels;  // 0: either
    bool loops;
};

const SoundCase kSounds[] = {
    {"ClockMusic.ogg", 120.0, 240.0, 0, true}, {"ClockRain.ogg", 20.0, 40.0, 0, true},
    {"ClockGrom1.ogg", 3.0, 8.0, 0, false},    {"ClockGrom2.ogg", 3.0, 8.0, 0, false},
    {"ClockGrom3.ogg", 3.0, 8.0, 0, false},    {"ClockTicks.ogg", 2.0, 2.0, 1, true},
};

TEST(MediaSounds, LengthsChannelsAndSize) {
    std::uintmax_t total = 0;
    for (const SoundCase& c : kSounds) {
        DecodedSound s;
        ASSERT_TRUE(Decode(c.name, s)) << c.name;
        total += fs::file_size(kMedia / c.name);
        EXPECT_EQ(s.rate, 44100) << c.name;
        if (c.channels != 0) {
            EXPECT_EQ(s.channels, c.channels) << c.name;
        }
        const double seconds = static_cast<double>(Frames(s)) / static_cast<double>(s.rate);
        EXPECT_GE(seconds, c.minSeconds - 1e-9) << c.name;
        EXPECT_LE(seconds, c.maxSeconds + 1e-9) << c.name;
    }
    EXPECT_LE(total, 4u * 1024u * 1024u);
}

// A loop joins its last sample to its first: that step must look like the steps around it,
// or a click is heard on every pass. The floor of 32 steps (0.1 % of full scale) is inaudible.
TEST(MediaSounds, LoopsJoinWithoutAClick) {
    for (const SoundCase& c : kSounds) {
        if (!c.loops) {
            continue;
        }
        DecodedSound s;
        ASSERT_TRUE(Decode(c.name, s)) << c.name;
        const std::size_t n = Frames(s);
        ASSERT_GT(n, 8192u) << c.name;
        for (int channel = 0; channel < s.channels; ++channel) {
            const double step = std::abs(At(s, 0, channel) - At(s, n - 1, channel));
            const double typical = TypicalStepAtLoop(s, channel, 4096);
            EXPECT_LE(step, 4.0 * typical + 32.0) << c.name << " channel " << channel;
        }
        // Not silent: a loop that only joins because nothing plays proves nothing.
        EXPECT_GT(Rms(s, 0, n), 0.005) << c.name;
    }
}

TEST(MediaSounds, ThunderStartsAndEndsInSilence) {
    for (const char* name : {"ClockGrom1.ogg", "ClockGrom2.ogg", "ClockGrom3.ogg"}) {
        DecodedSound s;
        ASSERT_TRUE(Decode(name, s)) << name;
        const std::size_t n = Frames(s);
        EXPECT_LT(Peak(s, 0, 1), 330) << name;
        EXPECT_LT(Peak(s, n - 441, n), 330) << name;
        EXPECT_GT(Peak(s, 0, n), 8000) << name;
    }
}

// Zero crossings of one strike's first 20 ms: fewer means lower.
int Crossings(const DecodedSound& s, std::size_t from) {
    int count = 0;
    for (std::size_t i = from + 1; i < from + 882; ++i) {
        count += (At(s, i - 1, 0) < 0) != (At(s, i, 0) < 0);
    }
    return count;
}

TEST(MediaSounds, TickAndLowerTockOneSecondApart) {
    DecodedSound s;
    ASSERT_TRUE(Decode("ClockTicks.ogg", s));
    ASSERT_EQ(s.channels, 1);
    const std::size_t half = Frames(s) / 2;
    // Each half holds one strike; find where each begins.
    const auto onset = [&](std::size_t from) {
        const int peak = Peak(s, from, from + half);
        std::size_t i = from;
        while (i < from + half && std::abs(At(s, i, 0)) < peak / 4) {
            ++i;
        }
        return i;
    };
    const std::size_t tick = onset(0), tock = onset(half);
    EXPECT_NEAR(static_cast<double>(tock - tick), 44100.0, 441.0);
    EXPECT_LT(Crossings(s, tock), Crossings(s, tick));
    // Dry: each strike has died away well before the next.
    EXPECT_LT(Rms(s, tick + 8820, half), 0.001);
    EXPECT_LT(Rms(s, tock + 8820, Frames(s)), 0.001);
}

TEST(MediaSounds, MusicStaysBelowTheTicks) {
    DecodedSound music, ticks;
    ASSERT_TRUE(Decode("ClockMusic.ogg", music));
    ASSERT_TRUE(Decode("ClockTicks.ogg", ticks));
    EXPECT_LT(Rms(music, 0, Frames(music)), 0.1);  // -20 dBFS
    EXPECT_LT(Peak(music, 0, Frames(music)), Peak(ticks, 0, Frames(ticks)));
}

}  // namespace
