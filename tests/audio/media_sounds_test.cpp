// The six sounds under media/Media, decoded as the audio module decodes them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "audio/backend/ogg_decoder.h"

namespace {

namespace fs = std::filesystem;
using audio::backend::DecodedSound;

const fs::path kMedia = fs::path(ZORVANE_SOURCE_DIR) / "media" / "Media";

// Each file decoded once for all the tests (the music alone is over five minutes).
bool Decode(const std::string& name, DecodedSound& sound) {
    static std::map<std::string, DecodedSound> decoded;
    if (const auto found = decoded.find(name); found != decoded.end()) {
        sound = found->second;
        return true;
    }
    std::ifstream in(kMedia / name, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
    if (bytes.empty() || !audio::backend::DecodeOgg(bytes.data(), bytes.size(), false, sound)) {
        return false;
    }
    decoded[name] = sound;
    return true;
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

// The music runs five minutes before it comes round again and the rain a minute and a half;
// the close thunder rolls on for over ten seconds.
const SoundCase kSounds[] = {
    {"ClockMusic.ogg", 300.0, 360.0, 0, true}, {"ClockRain.ogg", 90.0, 120.0, 0, true},
    {"ClockGrom1.ogg", 10.0, 16.0, 0, false},  {"ClockGrom2.ogg", 5.0, 10.0, 0, false},
    {"ClockGrom3.ogg", 4.0, 10.0, 0, false},   {"ClockTicks.ogg", 2.0, 2.0, 1, true},
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
    EXPECT_LE(total, 7u * 1024u * 1024u);
    // The media archive stores every file of the folder as it is.
    std::uintmax_t archive = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(kMedia)) {
        archive += entry.is_regular_file() ? entry.file_size() : 0;
    }
    EXPECT_LT(archive, 12'000'000u);
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


double Decibels(double level) { return 20.0 * std::log10(level); }

// At equal volume the rain sits a little under the music on average, so the piano is heard
// through it; both measured over every sample of the whole file.
TEST(MediaSounds, RainSitsUnderTheMusic) {
    DecodedSound music, rain;
    ASSERT_TRUE(Decode("ClockMusic.ogg", music));
    ASSERT_TRUE(Decode("ClockRain.ogg", rain));
    const double under =
        Decibels(Rms(music, 0, Frames(music))) - Decibels(Rms(rain, 0, Frames(rain)));
    EXPECT_GE(under, 3.0);
    EXPECT_LE(under, 4.0);
}

constexpr std::size_t kBlock = 2205;  // 50 ms

// How much happens in each 50 ms (the log energy of the sample steps, which the drops and the
// notes' onsets dominate), less the average of the second around it, scaled to unit variance.
std::vector<double> Onsets(const DecodedSound& s) {
    const std::size_t blocks = Frames(s) / kBlock;
    std::vector<double> energy(blocks);
    for (std::size_t b = 0; b < blocks; ++b) {
        double sum = 0;
        for (std::size_t i = b * kBlock; i < (b + 1) * kBlock; ++i) {
            double step = 0;
            for (int c = 0; c < s.channels; ++c) {
                step += At(s, i, c) - At(s, (i + Frames(s) - 1) % Frames(s), c);
            }
            sum += step * step;
        }
        energy[b] = std::log(sum / kBlock + 1.0);
    }
    std::vector<double> onsets(blocks);
    double mean = 0, square = 0;
    for (std::size_t b = 0; b < blocks; ++b) {
        double around = 0;
        for (std::size_t k = blocks - 10; k <= blocks + 10; ++k) {
            around += energy[(b + k) % blocks];
        }
        onsets[b] = energy[b] - around / 21.0;
        mean += onsets[b];
        square += onsets[b] * onsets[b];
    }
    mean /= double(blocks);
    const double deviation = std::sqrt(square / double(blocks) - mean * mean);
    for (double& o : onsets) {
        o = (o - mean) / deviation;
    }
    return onsets;
}

// The strongest likeness of a loop's onsets to themselves shifted by a second or more, around
// the loop: 1 where a stretch of it comes back as it was.
double StrongestRepeat(const DecodedSound& s) {
    const std::vector<double> onsets = Onsets(s);
    const std::size_t n = onsets.size();
    double strongest = -1.0;
    for (std::size_t lag = 20; lag + 20 <= n; ++lag) {
        double sum = 0;
        for (std::size_t b = 0; b < n; ++b) {
            sum += onsets[b] * onsets[(b + lag) % n];
        }
        strongest = std::max(strongest, sum / double(n));
    }
    return strongest;
}

// A shorter loop laid end to end would reach the length and repeat within it. The rain's drops
// fall at random (a shift finds about 0.07 of them again); the music's bars share their grid and
// its themes come back varied (0.8), where a copied stretch is 1.
TEST(MediaSounds, NothingRepeatsWithinALoop) {
    for (const auto& [name, most] : {std::pair{"ClockRain.ogg", 0.3}, {"ClockMusic.ogg", 0.93}}) {
        DecodedSound s;
        ASSERT_TRUE(Decode(name, s)) << name;
        EXPECT_LT(StrongestRepeat(s), most) << name;
    }
}

// The level of every 250 ms, in dB of full scale.
std::vector<double> Envelope(const DecodedSound& s) {
    const std::size_t window = 11025;
    std::vector<double> levels;
    for (std::size_t from = 0; from + window <= Frames(s); from += window) {
        levels.push_back(Decibels(Rms(s, from, from + window) + 1e-9));
    }
    return levels;
}

// Swells after the first second: rises of 4 dB or more from the lowest point since the last
// swell fell by as much.
int Swells(const std::vector<double>& levels) {
    int swells = 0;
    double low = 0, peak = 0;
    bool rising = false;
    for (std::size_t i = 4; i < levels.size(); ++i) {
        const double v = levels[i];
        if (i == 4 || (!rising && v < low)) {
            low = v;
        }
        if (!rising && v >= low + 4.0) {
            ++swells;
            rising = true;
            peak = v;
        }
        if (rising) {
            peak = std::max(peak, v);
            if (v <= peak - 4.0) {
                rising = false;
                low = v;
            }
        }
    }
    return swells;
}

// The close thunder rolls: after its crack the rumble comes back in swell after swell and is
// still loud ten seconds on, where a smooth decay would have gone by then; the medium roll
// swells again at least once.
TEST(MediaSounds, TheCloseThunderRolls) {
    DecodedSound close, medium;
    ASSERT_TRUE(Decode("ClockGrom1.ogg", close));
    ASSERT_TRUE(Decode("ClockGrom2.ogg", medium));
    const std::vector<double> levels = Envelope(close);
    EXPECT_GE(Swells(levels), 5);
    std::size_t last = 0;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        last = levels[i] > -30.0 ? i : last;
    }
    EXPECT_GE(double(last) * 0.25, 10.0) << "the roll is under -30 dBFS from then on";
    EXPECT_GE(Swells(Envelope(medium)), 1);
}

}  // namespace
