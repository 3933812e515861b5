// The audio module loaded as the program loads it, mixing into OpenAL's wave file output.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "audio/bass_api.h"
#include "ogg_writer.h"
#include "platform/shared_library.h"
#include "wave_capture.h"

namespace {

const std::string kModule = ZORVANE_BINARY_DIR "/audio/libzorvane_audio.so";

template <typename F>
F Get(const platform::SharedLibrary& lib, const char* name) {
    return reinterpret_cast<F>(lib.symbol(name));
}

TEST(AudioModule, ExportsOnlyTheCalledFunctions) {
    platform::SharedLibrary lib;
    ASSERT_TRUE(lib.open(kModule));
    for (const char* name :
         {"BASS_Init", "BASS_Set3DFactors", "BASS_Apply3D", "BASS_SetConfig", "BASS_SampleLoad",
          "BASS_SampleGetChannel", "BASS_ChannelPlay", "BASS_ChannelSetAttributes",
          "BASS_ChannelSet3DAttributes", "BASS_ChannelSet3DPosition", "BASS_Set3DPosition"}) {
        EXPECT_NE(lib.symbol(name), nullptr) << name;
    }
    // The module's own names; what its libraries export is theirs.
    for (const char* name : {"BASS_Free", "BASS_GetVersion", "BASS_ChannelStop", "BASS_MusicLoad",
                             "_ZN5audio7backend9DecodeOggEPKvmbRNS0_12DecodedSoundE"}) {
        EXPECT_EQ(lib.symbol(name), nullptr) << name;
    }
}

// The module's functions, looked up by name as the program looks them up.
struct Module {
    bool Open() {
        if (!lib.open(kModule)) {
            return false;
        }
        init = Get<BASS_Init_t>(lib, "BASS_Init");
        setConfig = Get<BASS_SetConfig_t>(lib, "BASS_SetConfig");
        load = Get<BASS_SampleLoad_t>(lib, "BASS_SampleLoad");
        channelOf = Get<BASS_SampleGetChannel_t>(lib, "BASS_SampleGetChannel");
        play = Get<BASS_ChannelPlay_t>(lib, "BASS_ChannelPlay");
        attributes = Get<BASS_ChannelSetAttributes_t>(lib, "BASS_ChannelSetAttributes");
        attributes3d = Get<BASS_ChannelSet3DAttributes_t>(lib, "BASS_ChannelSet3DAttributes");
        position3d = Get<BASS_ChannelSet3DPosition_t>(lib, "BASS_ChannelSet3DPosition");
        listener = Get<BASS_Set3DPosition_t>(lib, "BASS_Set3DPosition");
        factors = Get<BASS_Set3DFactors_t>(lib, "BASS_Set3DFactors");
        return true;
    }

    platform::SharedLibrary lib;
    BASS_Init_t init = nullptr;
    BASS_SetConfig_t setConfig = nullptr;
    BASS_SampleLoad_t load = nullptr;
    BASS_SampleGetChannel_t channelOf = nullptr;
    BASS_ChannelPlay_t play = nullptr;
    BASS_ChannelSetAttributes_t attributes = nullptr;
    BASS_ChannelSet3DAttributes_t attributes3d = nullptr;
    BASS_ChannelSet3DPosition_t position3d = nullptr;
    BASS_Set3DPosition_t listener = nullptr;
    BASS_Set3DFactors_t factors = nullptr;
};

using audiotest::Level;
using audiotest::ReadWave;
using audiotest::Wave;

void Sleep(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// One scripted session: levels are read back per phase from the rendered file.
TEST(AudioModule, RendersVolumePanDistanceAndIgnoresBadHandles) {
    const auto tone = audiotest::EncodeTone(2, 440.0, 0.5, 1.0);
    const auto ticks = audiotest::EncodeTone(1, 1000.0, 0.5, 1.0);
    const std::string wave = audiotest::UseWaveOutput();
    // When each phase began, in seconds from the device's opening, which is the file's start:
    // a busy machine may hold a phase up, so its window is read from when it began.
    std::vector<double> began;
    {
        Module module;
        ASSERT_TRUE(module.Open());
        ASSERT_NE(module.init(1, 44100, BASS_DEVICE_3D, nullptr, nullptr), 0);
        const auto opened = std::chrono::steady_clock::now();
        const auto mark = [&] {
            began.push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - opened).count());
        };
        EXPECT_EQ(module.setConfig(BASS_CONFIG_GVOL_SAMPLE, 0), 1u);

        std::vector<unsigned char> damaged = tone;
        damaged.resize(60);
        EXPECT_EQ(module.load(1, damaged.data(), 0, static_cast<BASS_DWORD>(damaged.size()), 20, 4),
                  0u);
        // Invalid handles are refused, never followed.
        EXPECT_EQ(module.channelOf(0, 1), 0u);
        EXPECT_EQ(module.play(0, 1), 0);
        EXPECT_EQ(module.play(0x40000000u | (7u << 5), 1), 0);
        EXPECT_EQ(module.attributes(12345, -1, 50, 0), 0);
        EXPECT_EQ(module.position3d(0, nullptr, nullptr, nullptr), 0);

        const HSAMPLE music = module.load(1, tone.data(), 0, static_cast<BASS_DWORD>(tone.size()),
                                          20, BASS_SAMPLE_LOOP);
        ASSERT_NE(music, 0u);
        const HCHANNEL musicChannel = module.channelOf(music, 1);
        ASSERT_NE(musicChannel, 0u);
        EXPECT_NE(module.play(musicChannel, 1), 0);
        mark();
        Sleep(600);  // global volume 0
        module.setConfig(BASS_CONFIG_GVOL_SAMPLE, 100);
        mark();
        Sleep(600);  // full
        module.setConfig(BASS_CONFIG_GVOL_SAMPLE, 50);
        mark();
        Sleep(600);  // half
        module.attributes(musicChannel, -1, 0, -101);
        module.setConfig(BASS_CONFIG_GVOL_SAMPLE, 100);

        const HSAMPLE tick = module.load(
            1, ticks.data(), 0, static_cast<BASS_DWORD>(ticks.size()), 20,
            BASS_SAMPLE_MONO | BASS_SAMPLE_LOOP | BASS_SAMPLE_3D | BASS_SAMPLE_SOFTWARE);
        ASSERT_NE(tick, 0u);
        const HCHANNEL tickChannel = module.channelOf(tick, 1);
        const BASS_3DVECTOR clock{100.0f, 0.0f, 0.0f}, ahead{0, 0, 1}, up{0, 1, 0};
        const BASS_3DVECTOR near{90.0f, 0.0f, 0.0f}, far{-200.0f, 0.0f, 0.0f},
            beyond{-1000.0f, 0.0f, 0.0f};
        // Placed before it plays: a tick at the listener's own place would be heard at full
        // level in the first window on a busy machine.
        EXPECT_NE(module.attributes3d(tickChannel, 0, 0.0f, 400.0f, 360, 360, 100), 0);
        EXPECT_NE(module.position3d(tickChannel, &clock, &ahead, nullptr), 0);
        EXPECT_NE(module.attributes(tickChannel, -1, 100, -1), 0);
        EXPECT_NE(module.listener(&near, nullptr, &ahead, &up), 0);
        // A tenth of the real world's roll-off, set after the channel exists, as the program
        // sets it before.
        EXPECT_NE(module.factors(-1.0f, 0.1f, -1.0f), 0);
        EXPECT_NE(module.play(tickChannel, 1), 0);
        mark();
        Sleep(600);  // 10 units from the clock, which is to the listener's right
        module.listener(&far, nullptr, &ahead, &up);
        mark();
        Sleep(600);  // 300 units away
        module.listener(&beyond, nullptr, &ahead, &up);
        mark();
        Sleep(600);  // 1100 units away, past the maximum distance of 400
        mark();
        module.lib.close();
    }
    ASSERT_EQ(began.size(), 7u);
    const Wave w = ReadWave(wave);
    ASSERT_EQ(w.channels, 2);
    ASSERT_GT(w.samples.size(), static_cast<std::size_t>(2 * 44100 * (began.back() - 0.1)));
    // The middle of each phase: a tenth of a second after it began to a tenth before the next.
    const auto level = [&](int channel, std::size_t phase) {
        return Level(w, channel, began[phase] + 0.1, began[phase + 1] - 0.1);
    };
    const double silent = level(0, 0);
    const double full = level(0, 1);
    const double half = level(0, 2);
    EXPECT_LT(silent, 0.001);
    EXPECT_GT(full, 0.1);
    EXPECT_NEAR(half / full, 0.5, 0.1);
    const double nearRight = level(1, 3), nearLeft = level(0, 3);
    const double farBoth = level(0, 4) + level(1, 4);
    const double beyondBoth = level(0, 5) + level(1, 5);
    EXPECT_GT(nearRight, 2.0 * nearLeft);
    // 30 times the distance at a roll-off of 0.1 is 0.1 x 29.5 dB quieter; past the maximum
    // distance it gets no quieter.
    EXPECT_NEAR((nearRight + nearLeft) / farBoth, std::pow(30.0, 0.1), 0.15);
    EXPECT_NEAR(beyondBoth / farBoth, std::pow(300.0 / 400.0, 0.1), 0.05);
}

// A long sound is decoded as it plays: it sounds on, without a gap, well past the part its voice
// holds at once, at the volume asked, mono where asked.
TEST(AudioModule, LongSoundsPlayOnWithoutAGapWhileTheyAreDecoded) {
    const auto music = audiotest::EncodeTone(2, 440.0, 0.5, 21.0);
    const std::string wave = audiotest::UseWaveOutput();
    {
        Module module;
        ASSERT_TRUE(module.Open());
        ASSERT_NE(module.init(1, 44100, BASS_DEVICE_3D, nullptr, nullptr), 0);
        const HSAMPLE sample = module.load(
            1, music.data(), 0, static_cast<BASS_DWORD>(music.size()), 1, BASS_SAMPLE_LOOP);
        ASSERT_NE(sample, 0u);
        const HCHANNEL channel = module.channelOf(sample, 1);
        ASSERT_NE(channel, 0u);
        EXPECT_NE(module.attributes(channel, -1, 50, -1), 0);
        EXPECT_NE(module.play(channel, 1), 0);
        // One channel only, and it is playing.
        EXPECT_EQ(module.channelOf(sample, 1), 0u);
        Sleep(3000);
        module.lib.close();
    }
    const Wave w = ReadWave(wave);
    ASSERT_EQ(w.channels, 2);
    // The file starts when the device opens; the sound once it is loaded.
    double onset = 0.0;
    while (onset < 1.0 && Level(w, 0, onset, onset + 0.05) < 0.05) {
        onset += 0.05;
    }
    ASSERT_LT(onset, 1.0) << "nothing was heard";
    ASSERT_GT(w.samples.size(), static_cast<std::size_t>(2 * 44100 * (onset + 2.7)));
    double lowest = 1.0, highest = 0.0;
    for (double at = onset + 0.1; at < onset + 2.6; at += 0.05) {
        const double level = Level(w, 0, at, at + 0.05);
        lowest = std::min(lowest, level);
        highest = std::max(highest, level);
    }
    // A sine of peak 0.5 at half volume.
    EXPECT_NEAR(highest, 0.25 / std::sqrt(2.0), 0.02);
    EXPECT_GT(lowest, 0.9 * highest) << "a gap or a dip";
}

TEST(AudioModule, SilentDeviceAndNullDriverStayQuiet) {
    setenv("ALSOFT_DRIVERS", "null", 1);
    platform::SharedLibrary lib;
    ASSERT_TRUE(lib.open(kModule));
    auto init = Get<BASS_Init_t>(lib, "BASS_Init");
    auto load = Get<BASS_SampleLoad_t>(lib, "BASS_SampleLoad");
    auto channelOf = Get<BASS_SampleGetChannel_t>(lib, "BASS_SampleGetChannel");
    auto play = Get<BASS_ChannelPlay_t>(lib, "BASS_ChannelPlay");
    EXPECT_EQ(init(2, 44100, 0, nullptr, nullptr), 0);
    EXPECT_NE(init(0, 44100, 0, nullptr, nullptr), 0);
    const auto tone = audiotest::EncodeTone(1, 440.0, 0.5, 0.2);
    const HSAMPLE s = load(1, tone.data(), 0, static_cast<BASS_DWORD>(tone.size()), 2, 0);
    ASSERT_NE(s, 0u);
    const HCHANNEL a = channelOf(s, 1);
    EXPECT_NE(play(a, 1), 0);
    EXPECT_NE(channelOf(s, 1), 0u);
}

}  // namespace
