// The saver started and run for a moment with each entry of its media archive in turn left out,
// cut to half its length, or with bytes in its middle inverted. Every run must end by itself
// within its time, without a signal and within its memory; what it does besides follows from
// what the entry is for: without its text font the start fails and says so, without a sound that
// sound is silent, without a camera path the tour flies the others (without the scene's
// properties, the free camera), and without anything else (a picture, the room, the digits'
// font) the saver runs as usual and closes on its key. The entries come from the archive the
// executable carries, so a file added to the media folder is covered as it is.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/saver_application.h"
#include "app/settings_store.h"
#include "archive_damage.h"
#include "core/ascii.h"
#include "fault_run.h"
#include "platform/fake/memory_registry.h"
#include "platform/resources.h"
#include "run_checks.h"
#include "udf/prop_node.h"
#include "udf/udf_text_parser.h"
#include "vfs/file_source.h"
#include "vfs/rar_archive.h"
#include "vfs/stream.h"

namespace {

namespace fs = std::filesystem;
using faults::ArchiveEntry;
using faults::ChildEnd;
using faults::Damage;

// The tests of one damage are split into this many parts, each a test of its own, so that the
// parts run side by side.
constexpr std::size_t kParts = 2;

std::string Lower(std::string text) {
    for (char& c : text) {
        c = core::AsciiLower(c);
    }
    return text;
}

// The text file `name` of the media folder, parsed; false when it isn't there or doesn't parse.
bool ParseMediaFile(vfs::RarArchive& archive, const std::string& name, udf::PropNode& root) {
    const auto stream = archive.open("Media\\" + name, vfs::kModeRead);
    return stream && udf::ParseUdfText(*stream, root);
}

// The files a font structure file needs: itself, its charsets and their pictures.
std::set<std::string> FontFiles(vfs::RarArchive& archive, const std::string& fontFile) {
    std::set<std::string> files{Lower(fontFile)};
    udf::PropNode font;
    if (!ParseMediaFile(archive, fontFile, font)) {
        return files;
    }
    const udf::PropNode* styles = font.findChild("Styles");
    if (!styles) {
        return files;
    }
    for (const auto& style : styles->children()) {
        const udf::PropNode* charsets = style.node->findChild("Charsets");
        if (!charsets) {
            continue;
        }
        for (const auto& listed : charsets->children()) {
            const std::string charsetFile = listed.node->value.str();
            files.insert(Lower(charsetFile));
            udf::PropNode charset;
            if (ParseMediaFile(archive, charsetFile, charset)) {
                if (const udf::PropNode* picture = charset.findChild("Name")) {
                    files.insert(Lower(picture->value.str()));
                }
            }
        }
    }
    return files;
}

// The shipped archive and what its entries are for.
struct Media {
    std::vector<std::uint8_t> image;
    std::vector<ArchiveEntry> entries;
    // Lower-case file names: those the text font needs, the tour's camera paths.
    std::set<std::string> textFont;
    std::set<std::string> cameraPaths;
    int sounds = 0;
};

const Media& Shipped() {
    static const Media media = [] {
        Media m;
        const auto image =
            platform::Resources::Module().Find(vfs::kResourceType, app::kMediaArchiveId);
        if (!image) {
            return m;
        }
        m.image.assign(image->begin(), image->end());
        m.entries = faults::ReadEntries(m.image).value_or(std::vector<ArchiveEntry>{});
        vfs::RarArchive archive;
        archive.mount(vfs::FileSource(m.image.data(), static_cast<std::uint32_t>(m.image.size())));
        // The text font is the one the shell loads first and can't start without.
        m.textFont = FontFiles(archive, "sylfaen.fs");
        udf::PropNode props;
        if (ParseMediaFile(archive, "Scene.props", props)) {
            if (const udf::PropNode* paths = props.findChild("Animations")) {
                for (const auto& child : paths->children()) {
                    m.cameraPaths.insert(Lower(child.node->value.str()));
                }
            }
        }
        for (const ArchiveEntry& entry : m.entries) {
            m.sounds += !entry.folder && Lower(entry.name).ends_with(".ogg");
        }
        return m;
    }();
    return media;
}

enum class Role { TextFont, Sound, CameraPath, SceneProperties, Other };

Role RoleOf(const Media& media, const ArchiveEntry& entry) {
    const std::string name = Lower(faults::BaseName(entry.name));
    if (entry.folder) {
        return Role::Other;
    }
    if (media.textFont.count(name)) {
        return Role::TextFont;
    }
    if (name.ends_with(".ogg")) {
        return Role::Sound;
    }
    if (media.cameraPaths.count(name)) {
        return Role::CameraPath;
    }
    if (name == "scene.props") {
        return Role::SceneProperties;
    }
    return Role::Other;
}

const char* Expectation(Role role) {
    switch (role) {
        case Role::TextFont:
            return "the start fails";
        case Role::Sound:
            return "runs, that sound silent";
        case Role::CameraPath:
            return "runs, other paths fly";
        case Role::SceneProperties:
            return "runs, free camera if gone";
        case Role::Other:
            break;
    }
    return "runs";
}

std::string Summary(const ChildEnd& end) {
    std::ostringstream line;
    line << end.Describe();
    if (end.exited) {
        line << ", " << end.Text("end") << ", " << end.Number("frames") << " frames";
        if (end.Number("frames") > 0) {
            line << (end.Number("switched") == 1 ? ", path switch" : ", no switch")
                 << (end.Number("flashed") == 1 ? ", flash" : ", no flash") << ", "
                 << end.Number("samples") << " sounds"
                 << (end.Number("closed_by_key") == 1 ? ", closed by key" : ", NOT closed by key")
                 << (end.Number("finite_view") == 1 ? "" : ", view NOT finite");
        }
    }
    char figures[64];
    std::snprintf(figures, sizeof figures, ", %.1f s, %lld MB", end.seconds,
                  end.Number("peak_kb", 0) / 1024);
    line << figures;
    return line.str();
}

// Runs of the saver on a screen of the suite's own, with both overlays on.
class MediaRuns : public ::testing::Test {
protected:
    static void SetUpTestSuite() { screen = std::make_unique<faults::PrivateScreen>(320, 240); }
    static void TearDownTestSuite() { screen.reset(); }

    void SetUp() override {
        if (!screen->Started()) {
            GTEST_SKIP() << "needs Xvfb";
        }
        ASSERT_FALSE(Shipped().entries.empty()) << "the executable's media archive can't be read";
        // The overlays draw with the digits' font, so a damaged one is drawn from too.
        const std::vector<std::uint8_t> on = {1, 0, 0, 0};
        registry.Put(app::kSettingsKeyPath, "ShowFps", platform::REG_DWORD, on);
        registry.Put(app::kSettingsKeyPath, "ShowTime", platform::REG_DWORD, on);
    }

    // Runs the saver over `archive` in a folder of its own; the audio module must be gone from
    // its temporary folder afterwards.
    ChildEnd Run(std::vector<std::uint8_t> archive, const std::string& firstPath = {}) {
        const fs::path folder = scratch.Path() / "run";
        faults::SaverRun run;
        run.mediaArchive = std::move(archive);
        run.registry = &registry;
        run.firstPath = firstPath;
        run.environment = faults::RunEnvironment(folder, screen->Display());
        const ChildEnd end = faults::RunInChild(
            [&run](const faults::Report& report) { return faults::RunSaverInChild(run, report); },
            faults::kRunLimit, folder / "output.txt");
        EXPECT_EQ(faults::LeftModules(folder / "tmp"), std::vector<std::string>{});
        fs::remove_all(folder);
        return end;
    }

    static inline std::unique_ptr<faults::PrivateScreen> screen;
    faults::ScratchFolder scratch;
    platform::fake::MemoryRegistry registry;
};

using Part = std::pair<Damage, std::size_t>;

// One damage done to a part of the entries.
class MediaFaults : public MediaRuns, public ::testing::WithParamInterface<Part> {};

TEST_F(MediaRuns, TheShippedArchiveRunsWithEverySoundAndPath) {
    const Media& media = Shipped();
    EXPECT_GE(media.sounds, 1);
    EXPECT_GE(media.cameraPaths.size(), 2u);
    EXPECT_GE(media.textFont.size(), 3u) << "the font file, a charset and its picture";
    // Packed again, the entries give the shipped archive byte for byte: the damaged archives
    // differ from it only where they are damaged.
    EXPECT_EQ(faults::Pack(media.entries), media.image);

    const ChildEnd end = Run(media.image);
    std::printf("  shipped archive: %s\n", Summary(end).c_str());
    faults::ExpectEndedCleanly(end, "the shipped archive");
    faults::ExpectRanAndClosed(end, "the shipped archive");
    EXPECT_EQ(end.Number("samples"), media.sounds);
    EXPECT_EQ(end.Number("switched"), 1);
    EXPECT_EQ(end.Number("running_frames"), end.Number("frames"));
    EXPECT_EQ(end.Number("finite_view"), 1);
}

TEST_P(MediaFaults, EveryEntryDamagedInTurn) {
    const auto [damage, part] = GetParam();
    const Media& media = Shipped();
    int runs = 0;
    for (std::size_t i = part; i < media.entries.size(); i += kParts) {
        const ArchiveEntry& entry = media.entries[i];
        const std::string what = std::string(faults::DamageName(damage)) + " " + entry.name;
        if (damage != Damage::LeftOut && entry.bytes.empty()) {
            std::printf("  %-10s %-28s nothing to damage\n",
                        std::string(faults::DamageName(damage)).c_str(), entry.name.c_str());
            continue;
        }
        const Role role = RoleOf(media, entry);
        const std::string name = faults::BaseName(entry.name);
        ++runs;
        // A damaged path is the first the tour tries, so that the run reads it.
        const ChildEnd end = Run(faults::PackDamaged(media.entries, i, damage),
                                 role == Role::CameraPath ? name : std::string());
        const std::string flown = "|" + Lower(end.Text("flown")) + "|";
        const bool flewIt = flown.find("|" + Lower(name) + "|") != std::string::npos;
        std::printf("  %-10s %-28s %-26s -> %s%s\n",
                    std::string(faults::DamageName(damage)).c_str(), entry.name.c_str(),
                    Expectation(role), Summary(end).c_str(),
                    role != Role::CameraPath ? ""
                    : flewIt                 ? ", flew it"
                                             : ", left it out");
        std::fflush(stdout);

        faults::ExpectEndedCleanly(end, what);
        if (role == Role::TextFont) {
            EXPECT_EQ(end.exitCode, 1) << what << "\n" << end.output;
            EXPECT_EQ(end.Text("end"), "start failed") << what;
            EXPECT_NE(end.Text("reason").find("font"), std::string::npos)
                << what << ": " << end.Text("reason");
            EXPECT_EQ(end.Number("frames"), 0) << what;
            continue;
        }
        faults::ExpectRanAndClosed(end, what);
        EXPECT_EQ(end.Number("samples"), media.sounds - (role == Role::Sound ? 1 : 0)) << what;
        // Whatever a path file holds, the camera is placed at numbers.
        EXPECT_EQ(end.Number("finite_view"), 1) << what;
        switch (role) {
            case Role::CameraPath:
                // The tour flies from the first frame to the last, with another path where this
                // one can't be read.
                EXPECT_EQ(end.Number("running_frames"), end.Number("frames")) << what;
                if (damage == Damage::LeftOut) {
                    EXPECT_FALSE(flewIt) << what;
                }
                break;
            case Role::SceneProperties:
                if (damage == Damage::LeftOut) {
                    EXPECT_EQ(end.Number("running_frames"), 0) << what << ": the free camera";
                }
                break;
            default:
                EXPECT_EQ(end.Number("running_frames"), end.Number("frames")) << what;
                EXPECT_EQ(end.Number("switched"), 1) << what;
                break;
        }
    }
    std::printf("  %d runs\n", runs);
}

std::string PartName(const ::testing::TestParamInfo<Part>& info) {
    std::string name(faults::DamageName(info.param.first));
    std::erase(name, ' ');
    return name + "_Part" + std::to_string(info.param.second + 1) + "of" + std::to_string(kParts);
}

std::vector<Part> AllParts() {
    std::vector<Part> parts;
    for (Damage damage : {Damage::LeftOut, Damage::Truncated, Damage::Flipped}) {
        for (std::size_t part = 0; part < kParts; ++part) {
            parts.emplace_back(damage, part);
        }
    }
    return parts;
}

INSTANTIATE_TEST_SUITE_P(Entries, MediaFaults, ::testing::ValuesIn(AllParts()), PartName);

}  // namespace
