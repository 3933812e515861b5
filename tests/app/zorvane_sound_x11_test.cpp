// The built saver's sound, read back from OpenAL Soft's wave output: silence at first, the music,
// rain and ticking rising over the four-second fade, thunder after lightning, and silence where
// the settings or the run mode ask for it. Sounds are found in the output by correlation with
// the shipped files themselves.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <thread>

#include "audio/backend/ogg_decoder.h"
#include "saver_x11_fixture.h"
#include "wave_capture.h"

namespace {

using namespace saverx11;
using audiotest::Wave;

constexpr double kRate = 44100.0;
constexpr double kFrame = 0.05;  // seconds a level is taken over

double Seconds(const Wave& wave) {
    return wave.channels ? double(wave.samples.size()) / wave.channels / kRate : 0.0;
}

// Root mean square of both channels over [from, to) seconds, full scale 1.0.
double MixLevel(const Wave& wave, double from, double to) {
    const double left = audiotest::Level(wave, 0, from, to);
    const double right = audiotest::Level(wave, 1, from, to);
    return std::sqrt((left * left + right * right) / 2.0);
}

// Both channels of a stereo output mixed, over [from, to) seconds; nothing for other layouts.
std::vector<double> Mixed(const Wave& wave, double from, double to) {
    std::vector<double> mixed;
    if (wave.channels != 2) {
        return mixed;
    }
    const auto frames = std::size_t(Seconds(wave) * kRate);
    for (auto i = std::size_t(std::max(0.0, from) * kRate);
         i < std::min(frames, std::size_t(to * kRate)); ++i) {
        mixed.push_back((wave.samples[2 * i] + wave.samples[2 * i + 1]) / 65536.0);
    }
    return mixed;
}

// The level of every kFrame of the file.
std::vector<double> FrameLevels(const Wave& wave) {
    std::vector<double> levels;
    for (double at = 0.0; at + kFrame <= Seconds(wave); at += kFrame) {
        levels.push_back(MixLevel(wave, at, at + kFrame));
    }
    return levels;
}

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0.0;
    }
    const auto middle = values.begin() + long(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// Where the sound starts: the first frame clearly above the output's dither.
double Onset(const std::vector<double>& levels) {
    const auto found =
        std::find_if(levels.begin(), levels.end(), [](double level) { return level > 3e-4; });
    return found == levels.end() ? -1.0 : double(found - levels.begin()) * kFrame;
}

// `seconds` of a shipped sound from `from` on, its channels folded into one.
std::vector<double> ShippedSound(const std::string& name, double from, double seconds) {
    std::ifstream in(fs::path(ZORVANE_SOURCE_DIR) / "media" / "Media" / name, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
    audio::backend::DecodedSound sound;
    if (!audio::backend::DecodeOgg(bytes.data(), bytes.size(), true, sound)) {
        return {};
    }
    const auto first = std::min(sound.samples.size(), std::size_t(from * kRate));
    const auto last = std::min(sound.samples.size(), first + std::size_t(seconds * kRate));
    std::vector<double> part;
    for (std::size_t i = first; i < last; ++i) {
        part.push_back(sound.samples[i] / 32768.0);
    }
    return part;
}

// How clearly `pattern` sounds at each sample of `mixed`, as a multiple of the median.
std::vector<double> Presence(const std::vector<double>& mixed, const std::vector<double>& pattern) {
    auto correlation = audiotest::Correlation(mixed, pattern);
    const double median = Median(correlation);
    for (double& c : correlation) {
        c = median > 0.0 ? c / median : 0.0;
    }
    return correlation;
}

// A looping sound as the output holds it: how clearly eight seconds from its middle stand out
// (a multiple of the median, far above 10 where it plays and near 10 where it doesn't), and where
// its first sample plays (in output samples, possibly before the output's start).
struct LoopMatch {
    std::vector<double> loop;
    double presence = 0.0;
    long start = 0;
};

LoopMatch FindLoop(const std::vector<double>& mixed, const std::string& name) {
    LoopMatch match;
    match.loop = ShippedSound(name, 0.0, 3600.0);
    if (match.loop.size() < std::size_t(12 * kRate)) {
        return match;
    }
    const std::vector<double> middle(match.loop.begin() + long(4 * kRate),
                                     match.loop.begin() + long(12 * kRate));
    const auto presence = Presence(mixed, middle);
    const auto peak = std::max_element(presence.begin(), presence.end());
    if (peak != presence.end()) {
        match.presence = *peak;
        match.start = long(peak - presence.begin()) - long(4 * kRate);
    }
    return match;
}

// The gain the loop plays at over [from, to) seconds: its share of the output found by
// projection, which the other sounds, unrelated to it, leave alone.
double LoopGain(const std::vector<double>& mixed, const LoopMatch& match, double from, double to) {
    const long length = long(match.loop.size());
    double across = 0.0, own = 0.0;
    for (auto i = long(from * kRate); i < long(to * kRate) && i < long(mixed.size()); ++i) {
        if (i < match.start || length == 0) {
            continue;
        }
        const double r = match.loop[std::size_t((i - match.start) % length)];
        across += mixed[std::size_t(i)] * r;
        own += r * r;
    }
    return own > 0.0 ? across / own : 0.0;
}

// The upper band of a sound (its second difference): the rain is a hiss there, while the thunder's
// rumble and the piano barely reach it. `loop` wraps the first samples round to the end.
std::vector<double> Treble(const std::vector<double>& sound, bool loop) {
    const std::size_t size = sound.size();
    std::vector<double> treble(size, 0.0);
    for (std::size_t i = 0; i < size; ++i) {
        if (i < 2 && !loop) {
            continue;
        }
        treble[i] = sound[i] - 2.0 * sound[(i + size - 1) % size] + sound[(i + size - 2) % size];
    }
    return treble;
}

// How clearly the clock's tick or tock sounds at each sample of [from, to).
std::vector<double> StrikePresence(const Wave& wave, double from, double to) {
    const auto mixed = Mixed(wave, from, to);
    std::vector<double> strength(mixed.size(), 0.0);
    // The loop holds a tick and a lower tock, each at the start of one of its two seconds.
    for (const double half : {0.0, 1.0}) {
        const auto presence = Presence(mixed, ShippedSound("ClockTicks.ogg", half, 0.09));
        for (std::size_t i = 0; i < strength.size(); ++i) {
            strength[i] = std::max(strength[i], presence[i]);
        }
    }
    return strength;
}

struct Ticking {
    int seconds = 0;       // whole seconds looked at
    int strikes = 0;       // of those, the ones where a strike stands out
    double spacing = 0.0;  // median time between neighbouring strikes
    double onBeat = 0.0;   // median strength at the strikes
    double offBeat = 0.0;  // median strength half a second away from them
};

// The strikes the clock makes, taken at the strongest within 20 ms of every whole second from
// the strongest of all.
Ticking MeasureTicking(const std::vector<double>& presence) {
    Ticking ticking;
    const auto strongest = std::max_element(presence.begin(), presence.end());
    if (strongest == presence.end()) {
        return ticking;
    }
    const long size = long(presence.size()), second = long(kRate), reach = long(0.02 * kRate);
    const auto peakNear = [&](long centre) {
        return std::max_element(presence.begin() + centre - reach,
                                presence.begin() + centre + reach + 1);
    };
    std::vector<double> on, off, spacings;
    long previous = -1;
    for (long centre = (strongest - presence.begin()) % second; centre < size; centre += second) {
        if (centre < reach || centre + second / 2 + reach >= size) {
            continue;
        }
        ++ticking.seconds;
        const auto peak = peakNear(centre);
        on.push_back(*peak);
        off.push_back(*peakNear(centre + second / 2));
        if (*peak < 8.0) {
            previous = -1;
            continue;
        }
        ++ticking.strikes;
        const long at = peak - presence.begin();
        if (previous >= 0) {
            spacings.push_back(double(at - previous) / kRate);
        }
        previous = at;
    }
    ticking.spacing = Median(spacings);
    ticking.onBeat = Median(on);
    ticking.offBeat = Median(off);
    return ticking;
}

// Where a thunder clap starts, in seconds: the first three seconds of one of the three claps
// stand out of the output far more than any stretch of rain or music resembles them.
std::vector<double> Claps(const Wave& wave, double from) {
    const auto mixed = Mixed(wave, from, Seconds(wave));
    std::vector<double> claps;
    for (const char* name : {"ClockGrom1.ogg", "ClockGrom2.ogg", "ClockGrom3.ogg"}) {
        auto presence = Presence(mixed, ShippedSound(name, 0.0, 3.0));
        for (;;) {
            const auto peak = std::max_element(presence.begin(), presence.end());
            if (peak == presence.end() || *peak < 25.0) {
                break;
            }
            const long at = peak - presence.begin();
            claps.push_back(from + double(at) / kRate);
            const long reach = long(kRate);
            std::fill(presence.begin() + std::max(0L, at - reach),
                      presence.begin() + std::min(long(presence.size()), at + reach), 0.0);
        }
    }
    std::sort(claps.begin(), claps.end());
    return claps;
}

class ZorvaneSoundX11Test : public ZorvaneX11Test {
protected:
    // What one full-screen run left: its sound, and the times (seconds from the sound device's
    // opening, which is the start of its output) at which a grab of the screen showed a flash.
    struct Run {
        Wave wave;
        std::vector<double> flashes;
        bool deviceOpened = false;
    };

    std::vector<std::string> WaveOutput() {
        audiotest::WriteWaveConfig((home / "alsoft.conf").string(), WaveFile());
        return {"ALSOFT_DRIVERS=wave", "ALSOFT_CONF=" + (home / "alsoft.conf").string()};
    }

    std::string WaveFile() const { return (home / "out.wav").string(); }

    // Runs the full-screen saver until its sound device has been open for `seconds`, watching
    // the screen, then ends it with Escape.
    Run RunSaver(std::chrono::seconds seconds) {
        fs::remove(WaveFile());
        // The wave file is made when the sound device opens and filled in real time from then.
        const auto origin = std::chrono::steady_clock::now();
        const auto sinceOrigin = [&] {
            return std::chrono::duration<double>(std::chrono::steady_clock::now() - origin).count();
        };
        std::atomic<bool> stop = false;
        std::atomic<double> openedAt = -1.0;
        std::thread watcher([&] {
            while (!stop && openedAt < 0.0) {
                if (fs::exists(WaveFile())) {
                    openedAt = sinceOrigin();
                }
                std::this_thread::sleep_for(2ms);
            }
        });

        auto saver = StartSaver(WaveOutput());
        struct Look {
            double at;
            double brightness;
        };
        std::vector<Look> looks;
        // `seconds` of sound, however long the start takes (a sanitizer build loads slowly).
        const double limit = sinceOrigin() + 120.0;
        const auto enough = [&] {
            return openedAt >= 0.0 && sinceOrigin() > openedAt + double(seconds.count());
        };
        while (!enough() && sinceOrigin() < limit && !saver->Wait(0ms)) {
            const double before = sinceOrigin();
            const auto pixels = Grab(windowId);
            if (!pixels.empty()) {
                looks.push_back({(before + sinceOrigin()) / 2.0, MeanBrightness(pixels)});
            }
            // Over the start and the fade the grabs leave the processor to the saver's first
            // frames: each grab is a program of its own.
            if (openedAt < 0.0 || sinceOrigin() < openedAt + 8.0) {
                std::this_thread::sleep_for(300ms);
            }
        }
        EXPECT_FALSE(saver->Wait(0ms)) << "the saver ended by itself";
        EXPECT_TRUE(Xdotool({"key", "Escape"}));
        EXPECT_EQ(saver->Wait(10000ms), kRanAndEnded);
        stop = true;
        watcher.join();

        Run run;
        run.deviceOpened = openedAt >= 0.0;
        run.wave = audiotest::ReadWave(WaveFile());
        std::vector<double> brightness;
        for (const Look& look : looks) {
            brightness.push_back(look.brightness);
        }
        // A flash brightens several grabs in a row; it was first seen in the first of them.
        const double median = Median(brightness);
        bool bright = false;
        for (const Look& look : looks) {
            const bool was = bright;
            bright = look.brightness > 2.0 * median + 20.0;
            if (bright && !was) {
                run.flashes.push_back(look.at - openedAt);
            }
        }
        return run;
    }
};

TEST_F(ZorvaneSoundX11Test, MusicAndRainFadeInAndThunderFollowsLightning) {
    // Lightning comes at random and a clap is silent one time in three. A run is tried again
    // while no clap was heard after a flash, which leaves a chance of well under one in a
    // thousand of none.
    bool heard = false;
    for (int attempt = 0; attempt < 3 && !heard; ++attempt) {
        const Run run = RunSaver(20s);
        ASSERT_TRUE(run.deviceOpened);
        const Wave& wave = run.wave;
        ASSERT_EQ(wave.channels, 2);
        ASSERT_GT(Seconds(wave), 18.0);
        const auto levels = FrameLevels(wave);
        const double onset = Onset(levels);
        ASSERT_GT(onset, 0.0) << "nothing was heard";

        if (attempt == 0) {
            const double first = MixLevel(wave, 0.0, 0.1);
            std::printf("first 100 ms at %.6f, sound from %.2f s\n", first, onset);
            EXPECT_LT(first, 1e-4) << "the first 100 ms are silent";
            // The rain plays throughout at the global volume: its gain each second is the fade.
            const auto mixed = Mixed(wave, 0.0, Seconds(wave));
            const LoopMatch rain = FindLoop(mixed, "ClockRain.ogg");
            const LoopMatch music = FindLoop(mixed, "ClockMusic.ogg");
            const double musicGain = LoopGain(mixed, music, onset + 5.0, Seconds(wave));
            std::printf(
                "music %.0f and rain %.0f times the median where they match; the music's "
                "gain after the fade %.3f\n",
                music.presence, rain.presence, musicGain);
            EXPECT_GT(music.presence, 30.0) << "no music";
            EXPECT_NEAR(musicGain, 0.5, 0.05) << "no music";
            ASSERT_GT(rain.presence, 30.0) << "no rain";
            // The rain is measured in its upper band, where the thunder's roll hardly touches
            // it; a second in which a clap's crack starts is still left out of the steady level.
            const auto claps = Claps(wave, onset);
            const auto cracked = [&](double from) {
                return std::any_of(claps.begin(), claps.end(), [&](double clap) {
                    return clap > from - 0.5 && clap < from + 1.0;
                });
            };
            LoopMatch treble = rain;
            treble.loop = Treble(rain.loop, true);
            const auto trebleMixed = Treble(mixed, false);
            std::vector<double> steadyGains;
            for (double at = onset + 5.0; at + 1.0 <= Seconds(wave); at += 1.0) {
                const double gain = LoopGain(trebleMixed, treble, at, at + 1.0);
                std::printf(" %.3f%s", gain, cracked(at) ? " (a clap)" : "");
                if (!cracked(at)) {
                    steadyGains.push_back(gain);
                }
            }
            std::printf(" the rain's gain each second from %.2f s\n", onset + 5.0);
            ASSERT_GE(steadyGains.size(), 3u);
            // The settings' volume of 50 halves every sample, and the fade is over.
            const double steady = Median(steadyGains);
            EXPECT_NEAR(steady, 0.5, 0.03);
            for (const double gain : steadyGains) {
                EXPECT_NEAR(gain / steady, 1.0, 0.05);
            }
            // The fade is carried by the frames, and a busy machine may hold the first drawn
            // frames back a second or two after the sound starts: it never falls, it starts low,
            // and it rises through a middle level, not in one step, over half a second or more.
            std::vector<double> fade;
            for (double at = onset; at < onset + 5.0; at += 0.25) {
                fade.push_back(LoopGain(trebleMixed, treble, at, at + 0.25) / steady);
                std::printf(" %.2f", fade.back());
            }
            std::printf(" the fade each quarter second from %.2f s\n", onset);
            for (std::size_t q = 1; q < fade.size(); ++q) {
                EXPECT_GT(fade[q], fade[q - 1] - 0.05) << "quarter " << q;
            }
            EXPECT_LT(fade[0], 0.5);
            EXPECT_GE(std::count_if(fade.begin(), fade.end(),
                                    [](double gain) { return gain > 0.15 && gain < 0.85; }),
                      2);
            EXPECT_GT(fade.back(), 0.95);
        }

        for (const double flash : run.flashes) {
            std::printf("flash seen at %.2f s\n", flash);
        }
        // A clap starts half a second after its flash starts; the grabs see the flash a little
        // after it starts, and it lasts up to 0.7 s. A grab on a busy machine can miss a short
        // flash, so a clap heard is one that followed a flash the grabs saw. On a busy machine
        // the sound file's clock and the grabs' drift apart by a few tenths, so a clap counts up
        // to 1.5 s after the flash: the next flash comes 3 s or more later.
        for (const double clap : Claps(wave, onset)) {
            const auto flash = std::find_if(run.flashes.rbegin(), run.flashes.rend(),
                                            [&](double seen) { return seen < clap + 0.3; });
            const bool afterAFlash = flash != run.flashes.rend() && clap - *flash < 1.5;
            std::printf("clap at %.2f s, %s\n", clap,
                        afterAFlash ? "within 1.5 s after a flash seen" : "no flash seen");
            heard = heard || afterAFlash;
        }
    }
    EXPECT_TRUE(heard) << "no thunder after lightning in three runs";
}

TEST_F(ZorvaneSoundX11Test, WithoutMusicTheRainAndTicksPlayAndAtVolumeZeroNothing) {
    StoreSetting("Music", 0);
    // Long enough for six seconds of steady ticking after the fade, however late the first
    // sound comes after the device opens (up to 5 s in a sanitized build beside other tests).
    const Run rain = RunSaver(15s);
    ASSERT_EQ(rain.wave.channels, 2);
    const auto rainLevels = FrameLevels(rain.wave);
    const double rainOnset = Onset(rainLevels);
    ASSERT_GT(rainOnset, 0.0) << "the rain and the ticks are gone too";
    const auto mixed = Mixed(rain.wave, 0.0, Seconds(rain.wave));
    // Where the music would best line up, it is no part of the output.
    const LoopMatch music = FindLoop(mixed, "ClockMusic.ogg");
    const LoopMatch rainLoop = FindLoop(mixed, "ClockRain.ogg");
    // Both are measured in the upper band, where a thunder roll barely reaches.
    const auto trebleMixed = Treble(mixed, false);
    const auto upperGain = [&](LoopMatch match) {
        match.loop = Treble(match.loop, true);
        return LoopGain(trebleMixed, match, rainOnset + 5.0, Seconds(rain.wave));
    };
    const double musicGain = upperGain(music);
    const double rainGain = upperGain(rainLoop);
    std::printf("without music, the music's gain %.3f, the rain's %.3f\n", musicGain, rainGain);
    EXPECT_LT(std::abs(musicGain), 0.1) << "the music plays";
    EXPECT_NEAR(rainGain, 0.5, 0.05) << "no rain";
    // The piano's notes resemble a tick nearly as much as the tick itself and come at about the
    // same pace, so the ticking is measured without the music.
    const Ticking ticking =
        MeasureTicking(StrikePresence(rain.wave, rainOnset + 4.0, Seconds(rain.wave)));
    std::printf(
        "%d strikes in %d seconds, %.4f s apart, %.1f times the median on the beat, %.1f "
        "half a second off it\n",
        ticking.strikes, ticking.seconds, ticking.spacing, ticking.onBeat, ticking.offBeat);
    EXPECT_GE(ticking.seconds, 6);
    EXPECT_GE(ticking.strikes, ticking.seconds - 1) << "the ticking is not heard";
    EXPECT_NEAR(ticking.spacing, 1.0, 0.001) << "ticks a second apart";
    EXPECT_LT(ticking.offBeat, 0.5 * ticking.onBeat) << "strikes between the seconds";

    StoreSettings({{"Music", 1}, {"Sound", 1}, {"Volume", 0}});
    const Run quiet = RunSaver(8s);
    ASSERT_TRUE(quiet.deviceOpened) << "the device opens all the same";
    ASSERT_GT(Seconds(quiet.wave), 6.0);
    EXPECT_LT(MixLevel(quiet.wave, 0.0, Seconds(quiet.wave)), 1e-4);
}

TEST_F(ZorvaneSoundX11Test, ThePreviewOpensNoSoundDevice) {
    auto parent = MakeWindow(160, 120);
    ASSERT_NE(parent, nullptr);
    char id[32];
    std::snprintf(id, sizeof id, "%lu", static_cast<unsigned long>(parent->Handle()));
    auto saver = Start({"/p", id}, {}, WaveOutput());
    const auto pixels = GrabWhen(parent->Handle(), *saver, [](const auto& grabbed) {
        return std::count(grabbed.begin(), grabbed.end(), 0u) < 160 * 120;
    });
    ASSERT_LT(std::count(pixels.begin(), pixels.end(), 0u), 160 * 120) << "no picture";
    EXPECT_FALSE(saver->Wait(8000ms));
    saver->Signal(SIGTERM);
    EXPECT_EQ(saver->Wait(2000ms), kRanAndEnded);
    // The preview shows its picture and loads nothing: no scene, no sound device.
    EXPECT_FALSE(fs::exists(WaveFile()));
}

TEST_F(ZorvaneSoundX11Test, WithoutASoundDeviceTheSaverRunsSilentAndEndsNormally) {
    // A wave output that cannot be written, OpenAL's silent output, and an OpenAL library that
    // can't be loaded, so the audio module can't be either.
    audiotest::WriteWaveConfig((home / "alsoft.conf").string(),
                               (home / "no-such-folder" / "out.wav").string());
    const fs::path broken = home / "broken";
    fs::create_directories(broken);
    std::ofstream(broken / "libopenal.so.1") << "not a library";
    const std::vector<std::vector<std::string>> cases{
        {"ALSOFT_DRIVERS=wave", "ALSOFT_CONF=" + (home / "alsoft.conf").string()},
        {"ALSOFT_DRIVERS=null"},
        {"ALSOFT_DRIVERS=null", "LD_LIBRARY_PATH=" + broken.string()}};
    for (const auto& env : cases) {
        auto saver = StartSaver(env);
        // Past the loading, the first flash and its thunder: every sound has been asked for.
        EXPECT_FALSE(saver->Wait(8000ms)) << env.back();
        EXPECT_TRUE(Xdotool({"key", "Escape"}));
        EXPECT_EQ(saver->Wait(10000ms), kRanAndEnded) << env.back();
    }
    EXPECT_FALSE(fs::exists(home / "no-such-folder"));
}

}  // namespace
