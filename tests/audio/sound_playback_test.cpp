#include "audio/sound_playback.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "vfs/rar_archive.h"
#include "vfs/rar_writer.h"

namespace {

namespace fs = std::filesystem;

// The fake library writes every call it receives, with its arguments, into one list.
std::vector<std::string> calls;
int deviceOneResult = 1;
void* const kWindow = reinterpret_cast<void*>(0x1234);

std::string Vec(const BASS_3DVECTOR* v) {
    if (v == nullptr) {
        return "none";
    }
    char text[64];
    std::snprintf(text, sizeof text, "(%g %g %g)", v->x, v->y, v->z);
    return text;
}

template <typename... Args>
void Record(const char* format, Args... args) {
    char text[256];
    std::snprintf(text, sizeof text, format, args...);
    calls.emplace_back(text);
}

// A sample's handle is the number its file holds ("7" gives 7); other bytes don't decode.
HSAMPLE FakeSampleLoad(BASS_BOOL memory, const void* file, BASS_DWORD offset, BASS_DWORD length,
                       BASS_DWORD max, BASS_DWORD flags) {
    const std::string bytes(static_cast<const char*>(file), length);
    Record("SampleLoad(%d %s %u %u %u %u)", memory, bytes.c_str(), offset, length, max, flags);
    const unsigned long n = std::strtoul(bytes.c_str(), nullptr, 10);
    return static_cast<HSAMPLE>(n);
}

audio::SoundFunctions FakeFunctions() {
    audio::SoundFunctions f;
    f.Init = [](int device, BASS_DWORD freq, BASS_DWORD flags, void* window, void* cls) {
        Record("Init(%d %u %u %s %s)", device, freq, flags, window == kWindow ? "window" : "?",
               cls == nullptr ? "none" : "?");
        return device == 1 ? deviceOneResult : 1;
    };
    f.Set3DFactors = [](float distance, float rolloff, float doppler) {
        Record("Set3DFactors(%g %g %g)", distance, rolloff, doppler);
        return 1;
    };
    f.Apply3D = [] { Record("Apply3D"); };
    f.SetConfig = [](BASS_DWORD option, BASS_DWORD value) {
        Record("SetConfig(%u %u)", option, value);
        return BASS_DWORD{1};
    };
    f.SampleLoad = &FakeSampleLoad;
    f.SampleGetChannel = [](HSAMPLE sample, BASS_BOOL onlyNew) {
        Record("GetChannel(%u %d)", sample, onlyNew);
        return sample == 0 ? HCHANNEL{0} : sample + 100;
    };
    f.ChannelPlay = [](BASS_DWORD channel, BASS_BOOL restart) {
        Record("Play(%u %d)", channel, restart);
        return 1;
    };
    f.ChannelSetAttributes = [](BASS_DWORD channel, int freq, int volume, int pan) {
        Record("SetAttributes(%u %d %d %d)", channel, freq, volume, pan);
        return 1;
    };
    f.ChannelSet3DAttributes = [](BASS_DWORD channel, int mode, float minDist, float maxDist,
                                  int inside, int outside, int outsideVolume) {
        Record("Set3DAttributes(%u %d %g %g %d %d %d)", channel, mode, minDist, maxDist, inside,
               outside, outsideVolume);
        return 1;
    };
    f.ChannelSet3DPosition = [](BASS_DWORD channel, const BASS_3DVECTOR* position,
                                const BASS_3DVECTOR* orientation, const BASS_3DVECTOR* velocity) {
        Record("SetChannel3DPosition(%u %s %s %s)", channel, Vec(position).c_str(),
               Vec(orientation).c_str(), Vec(velocity).c_str());
        return 1;
    };
    f.Set3DPosition = [](const BASS_3DVECTOR* position, const BASS_3DVECTOR* velocity,
                         const BASS_3DVECTOR* front, const BASS_3DVECTOR* top) {
        Record("SetListener(%s %s %s %s)", Vec(position).c_str(), Vec(velocity).c_str(),
               Vec(front).c_str(), Vec(top).c_str());
        return 1;
    };
    return f;
}

using Calls = std::vector<std::string>;

// A media folder on disk holding the named files with the given contents.
class SoundPlaybackTest : public testing::Test {
protected:
    void SetUp() override {
        calls.clear();
        deviceOneResult = 1;
        // Test programs may run side by side, each with its own folder.
        root_ =
            fs::path(testing::TempDir()) / ("zorvane_sound_playback_" + std::to_string(getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "Media");
    }

    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    void Put(const std::string& name, const std::string& bytes) {
        std::ofstream(root_ / "Media" / name, std::ios::binary) << bytes;
    }

    // All six sounds: music 1, rain 2, thunder 3..5, ticks 6.
    void PutAll() {
        Put("ClockMusic.ogg", "1");
        Put("ClockRain.ogg", "2");
        Put("ClockGrom1.ogg", "3");
        Put("ClockGrom2.ogg", "4");
        Put("ClockGrom3.ogg", "5");
        Put("ClockTicks.ogg", "6");
    }

    audio::SoundPlayback Playback() {
        vfs::SearchPaths paths;
        vfs::FileSource folder{core::EngineString(root_.string())};
        folder.flags = vfs::kSourceDisk;
        paths.add(folder);
        return audio::SoundPlayback(FakeFunctions(), paths, "Media");
    }

    void Start(audio::SoundPlayback& playback, bool music, bool sound) {
        playback.StartSounds(music, sound, BASS_3DVECTOR{10, 20, 30},
                             [this](std::string line) { log_.push_back(std::move(line)); });
    }

    fs::path root_;
    std::vector<std::string> log_;
};

const Calls kInitTail = {"Set3DFactors(-1 0.1 -1)", "Apply3D", "SetConfig(4 0)"};

TEST_F(SoundPlaybackTest, InitialiseFallsBackToTheSilentDevice) {
    struct Case {
        int deviceOne;
        bool real;
        Calls init;
    };
    const Case cases[] = {
        {1, true, {"Init(1 44100 4 window none)"}},
        {0, false, {"Init(1 44100 4 window none)", "Init(0 44100 0 window none)"}},
    };
    for (const Case& c : cases) {
        calls.clear();
        deviceOneResult = c.deviceOne;
        audio::SoundPlayback playback = Playback();
        EXPECT_EQ(playback.Initialise(kWindow), c.real);
        Calls expected = c.init;
        expected.insert(expected.end(), kInitTail.begin(), kInitTail.end());
        EXPECT_EQ(calls, expected);
    }
}

const Calls kSoundCalls = {
    "SampleLoad(1 2 0 1 20 4)",
    "GetChannel(2 1)",
    "Play(102 1)",
    "SampleLoad(1 3 0 1 20 0)",
    "SampleLoad(1 4 0 1 20 0)",
    "SampleLoad(1 5 0 1 20 0)",
    "SampleLoad(1 6 0 1 20 30)",
    "GetChannel(6 1)",
    "Play(106 1)",
    "Set3DAttributes(106 0 0 400 360 360 100)",
    "SetChannel3DPosition(106 (10 20 30) (0 0 1) none)",
    "SetAttributes(106 -1 100 -1)",
    "Apply3D",
};

const std::vector<std::string> kSoundLog = {
    "Media/ClockRain.ogg sample loaded\n",
    "Media/ClockGrom1.ogg sample loaded\n",
    "Media/ClockGrom2.ogg sample loaded\n",
    "Media/ClockGrom3.ogg sample loaded\n",
};

TEST_F(SoundPlaybackTest, StartsTheSixSoundsInOrder) {
    PutAll();
    audio::SoundPlayback playback = Playback();
    Start(playback, true, true);
    Calls expected = {"SampleLoad(1 1 0 1 20 4)", "GetChannel(1 1)", "Play(101 1)"};
    expected.insert(expected.end(), kSoundCalls.begin(), kSoundCalls.end());
    EXPECT_EQ(calls, expected);
    std::vector<std::string> log = {"Media/ClockMusic.ogg sample loaded\n"};
    log.insert(log.end(), kSoundLog.begin(), kSoundLog.end());
    EXPECT_EQ(log_, log);
    EXPECT_EQ(playback.musicSample(), 1u);
    EXPECT_EQ(playback.rainSample(), 2u);
    EXPECT_EQ(playback.ThunderSample(0), 3u);
    EXPECT_EQ(playback.ThunderSample(2), 5u);
    EXPECT_EQ(playback.ticksSample(), 6u);
}

TEST_F(SoundPlaybackTest, MusicOffSoundOnStartsNoMusicButStillFades) {
    PutAll();
    audio::SoundPlayback playback = Playback();
    Start(playback, false, true);
    EXPECT_EQ(calls, kSoundCalls);
    EXPECT_EQ(log_, kSoundLog);
    EXPECT_EQ(playback.musicSample(), 0u);
    calls.clear();
    playback.FadeIn(80, 1000, false);
    EXPECT_EQ(calls, Calls{"SetConfig(4 20)"});
}

TEST_F(SoundPlaybackTest, MusicOnlyLoadsNothingElse) {
    PutAll();
    audio::SoundPlayback playback = Playback();
    Start(playback, true, false);
    EXPECT_EQ(calls, (Calls{"SampleLoad(1 1 0 1 20 4)", "GetChannel(1 1)", "Play(101 1)"}));
    EXPECT_EQ(playback.ThunderSample(0), 0u);
}

TEST_F(SoundPlaybackTest, UnreadableFilesGiveZeroAndTheCallsOnThemAreStillMade) {
    // Music and rain are missing, thunder 2 doesn't decode, the ticks file is empty.
    Put("ClockGrom1.ogg", "3");
    Put("ClockGrom2.ogg", "junk");
    Put("ClockGrom3.ogg", "5");
    Put("ClockTicks.ogg", "");
    audio::SoundPlayback playback = Playback();
    Start(playback, true, true);
    const Calls expected = {
        "GetChannel(0 1)",
        "Play(0 1)",
        "SampleLoad(1 3 0 1 20 0)",
        "SampleLoad(1 junk 0 4 20 0)",
        "SampleLoad(1 5 0 1 20 0)",
        "SampleLoad(1  0 0 20 30)",
        "GetChannel(0 1)",
        "Play(0 1)",
        "Set3DAttributes(0 0 0 400 360 360 100)",
        "SetChannel3DPosition(0 (10 20 30) (0 0 1) none)",
        "SetAttributes(0 -1 100 -1)",
        "Apply3D",
    };
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(log_, (std::vector<std::string>{"Media/ClockGrom1.ogg sample loaded\n",
                                              "Media/ClockGrom3.ogg sample loaded\n"}));
    EXPECT_EQ(playback.ThunderSample(1), 0u);
}

TEST_F(SoundPlaybackTest, ReadsSoundsFromTheMediaArchive) {
    vfs::RarWriter writer;
    const std::string ticks = "6";
    writer.addFolder("Media");
    ASSERT_TRUE(writer.addFile("Media\\ClockTicks.ogg",
                               {reinterpret_cast<const std::uint8_t*>(ticks.data()), 1}));
    const std::vector<std::uint8_t> image = writer.finish();
    vfs::RarArchive archive;
    ASSERT_TRUE(
        archive.mount(vfs::FileSource(image.data(), static_cast<std::uint32_t>(image.size()))));
    audio::SoundPlayback playback(FakeFunctions(), {}, "Media", &archive);
    EXPECT_EQ(playback.LoadSample("Media/ClockTicks.ogg", 30), 6u);
    EXPECT_EQ(playback.LoadSample("Media/ClockRain.ogg", 4), 0u);
    EXPECT_EQ(calls, Calls{"SampleLoad(1 6 0 1 20 30)"});
}

TEST_F(SoundPlaybackTest, OversizedFileIsRefusedUnread) {
    Put("Huge.ogg", "");
    fs::resize_file(root_ / "Media" / "Huge.ogg", (64u << 20) + 1);
    audio::SoundPlayback playback = Playback();
    EXPECT_EQ(playback.LoadSample("Media/Huge.ogg", 0), 0u);
    EXPECT_TRUE(calls.empty());
}

TEST_F(SoundPlaybackTest, FadeRisesOverFourSecondsThenHolds) {
    struct Case {
        bool music, sound;
        int volume;
        std::int64_t elapsed;
        bool preview;
        Calls expected;
    };
    const Case cases[] = {
        {true, true, 50, 0, false, {"SetConfig(4 0)"}},
        {true, true, 50, 2000, false, {"SetConfig(4 25)"}},
        {true, true, 50, 4000, false, {"SetConfig(4 50)"}},
        {true, true, 50, 60000, false, {"SetConfig(4 50)"}},
        {true, true, 77, 3999, false, {"SetConfig(4 76)"}},  // truncated, not rounded
        {true, true, 100, 1000, false, {"SetConfig(4 25)"}},
        {false, true, 50, 2000, false, {"SetConfig(4 25)"}},
        {true, false, 50, 2000, false, {"SetConfig(4 25)"}},
        {true, true, 50, -500, false, {"SetConfig(4 0)"}},     // a clock that went backwards
        {true, true, 250, 4000, false, {"SetConfig(4 100)"}},  // the library's scale ends at 100
        {true, true, 0, 2000, false, {}},
        {true, true, 0, 8000, false, {}},
        {true, true, 50, 2000, true, {}},
        {false, false, 50, 2000, false, {}},
    };
    for (const Case& c : cases) {
        audio::SoundPlayback playback = Playback();
        Start(playback, c.music, c.sound);
        calls.clear();
        playback.FadeIn(c.volume, c.elapsed, c.preview);
        EXPECT_EQ(calls, c.expected) << c.volume << " at " << c.elapsed << " ms";
    }
}

TEST_F(SoundPlaybackTest, ThunderClapsAndListener) {
    PutAll();
    std::remove((root_ / "Media" / "ClockGrom3.ogg").c_str());
    audio::SoundPlayback playback = Playback();
    Start(playback, false, true);
    calls.clear();
    playback.PlayThunderClap(1, 35);
    playback.PlayThunderClap(2, 100);  // not loaded: the library gets handle 0
    playback.PlayThunderClap(3, 100);  // no such sample: nothing
    playback.PlayThunderClap(-1, 100);
    playback.UpdateListener({1, 2, 3}, {0, 0, 1}, {0, 1, 0});
    const Calls expected = {
        "GetChannel(4 1)",
        "SetAttributes(104 -1 35 -101)",
        "Play(104 1)",
        "GetChannel(0 1)",
        "SetAttributes(0 -1 100 -101)",
        "Play(0 1)",
        "SetListener((1 2 3) none (0 0 1) (0 1 0))",
        "Apply3D",
    };
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(playback.ThunderSample(3), 0u);
}

TEST_F(SoundPlaybackTest, SilenceSetsVolumeZeroAndDropsTheLibrary) {
    PutAll();
    audio::SoundPlayback playback = Playback();
    Start(playback, true, true);
    calls.clear();
    playback.Silence();
    EXPECT_EQ(calls, Calls{"SetConfig(4 0)"});
    calls.clear();
    playback.FadeIn(50, 4000, false);
    playback.UpdateListener({1, 2, 3}, {0, 0, 1}, {0, 1, 0});
    playback.PlayThunderClap(0, 100);
    playback.Silence();
    EXPECT_EQ(playback.LoadSample("Media/ClockMusic.ogg", 4), 0u);
    EXPECT_TRUE(calls.empty());
}

TEST_F(SoundPlaybackTest, WithoutALibraryEveryCallIsSkipped) {
    PutAll();
    for (int missing = 0; missing < 2; ++missing) {
        // No library at all, then one whose only function is the global volume.
        audio::SoundFunctions only;
        only.SetConfig = FakeFunctions().SetConfig;
        vfs::SearchPaths paths;
        vfs::FileSource folder{core::EngineString(root_.string())};
        folder.flags = vfs::kSourceDisk;
        paths.add(folder);
        audio::SoundPlayback playback =
            missing == 0 ? audio::SoundPlayback() : audio::SoundPlayback(only, paths, "Media");
        calls.clear();
        EXPECT_FALSE(playback.Initialise(kWindow));
        Start(playback, true, true);
        playback.PlayThunderClap(0, 100);
        playback.FadeIn(50, 4000, false);
        playback.UpdateListener({1, 2, 3}, {0, 0, 1}, {0, 1, 0});
        EXPECT_EQ(playback.musicSample(), 0u);
        EXPECT_EQ(playback.ticksSample(), 0u);
        const Calls expected = missing == 0 ? Calls{} : Calls{"SetConfig(4 0)", "SetConfig(4 50)"};
        EXPECT_EQ(calls, expected);
        EXPECT_TRUE(log_.empty());
    }
}

}  // namespace
