// The clock room on the fake device: which nodes leave the tree, the wink's materials, the slots
// that loop together, the hands' tracks, the picture and the passes of one frame.
#include "clock/clock_room.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <atomic>
#include <cstdio>

#include "../render/fake_device_fixture.h"
#include "clock_test_room.h"
#include "render/math/camera.h"
#include "render/scene/mesh.h"
#include "render/scene/node.h"
#include "render/textures/texture.h"

namespace {

namespace fs = std::filesystem;
using namespace gfx;
using clockscene::ClockRoom;

class ClockRoomTest : public render::test::FakeDeviceTest {
protected:
    void SetUp() override {
        FakeDeviceTest::SetUp();
        static std::atomic<int> counter{0};
        folder = fs::path(::testing::TempDir()) /
                 ("zorvane_room_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        fs::create_directories(folder);
        path = clockscene::test::WriteClockRoom(folder);
    }
    void TearDown() override {
        room.reset();
        fs::remove_all(folder);
        FakeDeviceTest::TearDown();
    }

    // The loading steps in the scene's order, the picture from `photo`.
    void Load(const std::string& photo = {}) {
        vfs::FileSource source{core::EngineString(path.string())};
        source.flags = vfs::kSourceDisk;
        ASSERT_TRUE(room->LoadScene(std::move(source), vfs::SearchPaths{}));
        room->SetUpAnimationSlots();
        picture = room->GetScene().GetRoot()->Find("Picture");
        ASSERT_TRUE(picture && picture->GetDrawable());
        painting = Stage0(picture).texture;
        photoTaken = room->ApplyPicture(photo);
        room->PrepareMaterialsForWink();
        room->DetachSpecialNodes(1000);
        room->StartAnimations(1000);
    }

    static const render::StageState& Stage0(render::Node* node) {
        return node->GetDrawable()->GetRenderStates().stages[0];
    }

    std::vector<std::string> RootNames() {
        std::vector<std::string> names;
        for (const auto& child : room->GetScene().GetRoot()->Children()) {
            names.push_back(child->Name());
        }
        return names;
    }

    fs::path folder;
    fs::path path;
    std::unique_ptr<ClockRoom> room = std::make_unique<ClockRoom>();
    render::Node* picture = nullptr;
    render::Texture* painting = nullptr;
    bool photoTaken = false;
};

TEST_F(ClockRoomTest, SpecialNodesAreFoundInAnyCaseAndTakeTheirTopLevelChildAlong) {
    Load();
    EXPECT_EQ(RootNames(),
              (std::vector<std::string>{"clock main", "Pendulum", "Weight", "Group01"}));
    EXPECT_EQ(room->DetachedCount(), 6u);
    ASSERT_TRUE(room->HourHand() && room->MinuteHand() && room->Glass() && room->Lamp() &&
                room->Curtain() && room->Outdoor());
    EXPECT_EQ(room->HourHand()->Name(), "strelka_1Big");
    EXPECT_EQ(room->MinuteHand()->Name(), "strelka_1Min");
    EXPECT_EQ(room->Glass()->Name(), "clock glass");
    EXPECT_EQ(room->Lamp()->Name(), "LAMP LAMP");
    // The glass left with its group; the frame beside it is drawn by no pass.
    ASSERT_TRUE(room->Glass()->Parent());
    EXPECT_EQ(room->Glass()->Parent()->Name(), "Group02");
    EXPECT_FALSE(room->GetScene().GetRoot()->Find("Glass frame"));
    EXPECT_EQ(room->ClockPosition().y, 1.0f);
}

TEST_F(ClockRoomTest, AMissingSceneLeavesEveryPassEmpty) {
    vfs::FileSource source{core::EngineString((folder / "none.UDF").string())};
    source.flags = vfs::kSourceDisk;
    EXPECT_FALSE(room->LoadScene(std::move(source), vfs::SearchPaths{}));
    room->SetUpAnimationSlots();
    EXPECT_FALSE(room->ApplyPicture((folder / "painting.tga").string()));
    room->PrepareMaterialsForWink();
    room->DetachSpecialNodes(0);
    room->SetHands({3, 0, 0, 0});
    EXPECT_FALSE(room->HourHand());
    EXPECT_EQ(room->HourTrack().KeyCount(), 1u);
    render::Camera camera;
    clockscene::RoomFrame frame;
    frame.camera = &camera;
    EXPECT_TRUE(room->Render(frame));
    EXPECT_EQ(Log().Count("DrawIndexedPrimitive"), 0u);
}

TEST_F(ClockRoomTest, LightMappedMaterialsPutTheLightMapFirstForTheWink) {
    Load();
    render::Node* main = room->GetScene().GetRoot()->Find("clock main");
    const auto& stages = main->GetDrawable()->GetRenderStates().stages;
    EXPECT_EQ(stages[0].texCoordIndex, 1u) << "the light map's coordinates came along";
    EXPECT_EQ(stages[0].colorOp, D3DTOP_SUBTRACT);
    EXPECT_EQ(stages[0].colorArg1, D3DTA_TEXTURE);
    EXPECT_EQ(stages[0].colorArg2, D3DTA_TFACTOR);
    EXPECT_EQ(stages[0].alphaOp, D3DTOP_SELECTARG1);
    EXPECT_EQ(stages[0].alphaArg1, D3DTA_TEXTURE);
    EXPECT_EQ(stages[1].texCoordIndex, 0u);
    EXPECT_EQ(stages[1].colorOp, D3DTOP_MODULATE2X);
    EXPECT_EQ(stages[1].colorArg1, D3DTA_TEXTURE);
    EXPECT_EQ(stages[1].colorArg2, D3DTA_CURRENT);
    EXPECT_EQ(stages[1].alphaOp, D3DTOP_SELECTARG1);
    EXPECT_NE(stages[0].texture, stages[1].texture);

    // One-stage materials keep their automatic stage; the view outside adds the factor.
    EXPECT_EQ(Stage0(room->HourHand()).colorOp, render::kAutomaticOp);
    EXPECT_EQ(Stage0(picture).colorOp, render::kAutomaticOp);
    const auto& outdoor = room->Outdoor()->GetDrawable()->GetRenderStates().stages;
    EXPECT_EQ(outdoor[0].colorOp, D3DTOP_SUBTRACT);
    EXPECT_EQ(outdoor[1].colorOp, D3DTOP_ADD);
    EXPECT_EQ(outdoor[1].colorArg1, D3DTA_CURRENT);
    EXPECT_EQ(outdoor[1].colorArg2, D3DTA_TFACTOR);
}

TEST_F(ClockRoomTest, EveryAnimationLoopsOverTheCommonRange) {
    Load();
    render::Node* root = room->GetScene().GetRoot();
    render::Node* pendulum = root->Find("Pendulum");
    render::Node* weight = root->Find("Weight");
    for (render::Node* node : {pendulum, weight}) {
        render::AnimationSlot* slot = node->GetSlot(0);
        ASSERT_TRUE(slot) << node->Name();
        EXPECT_TRUE(slot->playing);
        EXPECT_EQ(slot->startTime, 1000);
        EXPECT_EQ(slot->rate, 1.0f);
        EXPECT_EQ(slot->modeFlags, render::kSlotWrapExplicitRange);
        EXPECT_EQ(slot->rangeStart, 0.0f);
        EXPECT_EQ(slot->rangeEnd, 3.0f);
    }
    EXPECT_EQ(root->Find("clock main")->SlotCount(), 0u);
    // 3.5 s after the start is 0.5 s into the second loop.
    const render::Matrix early = pendulum->GetLocalMatrix(0, 1500);
    const render::Matrix late = pendulum->GetLocalMatrix(0, 4500);
    const render::Matrix rest = pendulum->GetLocalMatrix(0, 1000);
    EXPECT_NEAR(early.m[0][2], late.m[0][2], 1e-4f);
    EXPECT_GT(std::abs(early.m[0][2] - rest.m[0][2]), 0.1f) << "the pendulum swings";
}

TEST_F(ClockRoomTest, HandsTakeOneKeyFromEachTimeSet) {
    Load();
    for (const core::LocalTime time : {core::LocalTime{3, 0, 0, 0}, {12, 30, 0, 0}}) {
        room->SetHands(time);
        ASSERT_EQ(room->HourTrack().KeyCount(), 1u);
        ASSERT_EQ(room->MinuteTrack().KeyCount(), 1u);
    }
    room->SetHands({3, 0, 0, 0});
    // The node plays the track it was given: at 3:00 the hour hand's +Z turns to +X.
    const render::Matrix hour = room->HourHand()->GetLocalMatrix(0, 123456);
    const render::Vector3 tip = render::Vec3TransformNormal({0, 0, 1}, hour);
    EXPECT_NEAR(tip.x, 1.0f, 1e-4f);
    EXPECT_NEAR(tip.z, 0.0f, 1e-4f);
    const render::Matrix minute = room->MinuteHand()->GetLocalMatrix(0, 123456);
    const render::Vector3 arm = render::Vec3TransformNormal({1, 0, 0}, minute);
    EXPECT_NEAR(arm.z, 1.0f, 1e-4f);
    EXPECT_EQ(minute.m[3][1], 1.0f) << "the hand keeps its place";
}

TEST_F(ClockRoomTest, OnlyALoadableImageReplacesThePainting) {
    const fs::path truncated = folder / "truncated.tga";
    std::vector<std::uint8_t> bytes =
        render::test::MakeTga(64, 64, std::vector<std::uint32_t>(64 * 64, 0xFF112233), 24);
    bytes.resize(bytes.size() / 3);
    render::test::WriteFile(truncated, bytes);
    const fs::path text = folder / "notes.png";
    render::test::WriteFile(text, {'h', 'e', 'l', 'l', 'o'});
    const fs::path empty = folder / "empty.jpg";
    render::test::WriteFile(empty, {});
    // A header that claims 65535 x 65535 pixels with nothing behind it.
    std::vector<std::uint8_t> huge = render::test::MakeTga(1, 1, {0xFF000000}, 24);
    huge[12] = huge[13] = huge[14] = huge[15] = 0xFF;
    const fs::path giant = folder / "giant.tga";
    render::test::WriteFile(giant, huge);
    const fs::path good = folder / "photo.tga";
    clockscene::test::WriteSolidTga(good, 0xFF3366CC);

    struct Case {
        std::string photo;
        bool taken;
    };
    const Case cases[] = {
        {"", false},
        {(folder / "missing.jpg").string(), false},
        {truncated.string(), false},
        {text.string(), false},
        {empty.string(), false},
        {giant.string(), false},
        {good.string(), true},
    };
    for (const Case& c : cases) {
        room = std::make_unique<ClockRoom>();
        Load(c.photo);
        EXPECT_EQ(photoTaken, c.taken) << c.photo;
        if (c.taken) {
            EXPECT_NE(Stage0(picture).texture, painting) << c.photo;
            ASSERT_TRUE(Stage0(picture).texture);
        } else {
            EXPECT_EQ(Stage0(picture).texture, painting) << c.photo;
        }
    }
}

TEST_F(ClockRoomTest, APhotoFillsTheFrameKeepingItsShape) {
    // The test room's canvas is square: a 2:1 photo shows its middle half across, a 1:2 one its
    // middle half from top to bottom, through the texture's coordinate transform.
    const fs::path wide = folder / "wide.tga";
    render::test::WriteFile(
        wide, render::test::MakeTga(8, 4, std::vector<std::uint32_t>(32, 0xFF3366CC), 24));
    const fs::path tall = folder / "tall.tga";
    render::test::WriteFile(
        tall, render::test::MakeTga(4, 8, std::vector<std::uint32_t>(32, 0xFF3366CC), 24));
    Load(wide.string());
    ASSERT_TRUE(photoTaken);
    gfx::D3DMATRIX m = Stage0(picture).texture->GetTextureMatrix();
    EXPECT_FLOAT_EQ(m.m[0][0], 0.5f);
    EXPECT_FLOAT_EQ(m.m[1][1], 1.0f);
    EXPECT_FLOAT_EQ(m.m[2][0], 0.25f);
    EXPECT_FLOAT_EQ(m.m[2][1], 0.0f);

    room = std::make_unique<ClockRoom>();
    Load(tall.string());
    ASSERT_TRUE(photoTaken);
    m = Stage0(picture).texture->GetTextureMatrix();
    EXPECT_FLOAT_EQ(m.m[0][0], 1.0f);
    EXPECT_FLOAT_EQ(m.m[1][1], 0.5f);
    EXPECT_FLOAT_EQ(m.m[2][0], 0.0f);
    EXPECT_FLOAT_EQ(m.m[2][1], 0.25f);
    // The scene's own painting is left as it is.
    const gfx::D3DMATRIX own = painting->GetTextureMatrix();
    EXPECT_FLOAT_EQ(own.m[0][0], 1.0f);
    EXPECT_FLOAT_EQ(own.m[2][0], 0.0f);
}

TEST_F(ClockRoomTest, OneFrameDrawsThePassesInOrder) {
    Load();
    render::Camera camera;
    camera.SetPerspective(1.0f, 2000.0f, 1.2f, 4.0f / 3.0f);
    camera.SetView({0, 300, 0}, {0, -1, 0}, {0, 0, 1});
    clockscene::RoomFrame frame;
    frame.camera = &camera;
    frame.now = 1500;
    frame.flashLevel = 0.5f;
    frame.winkPhase = 0.25f;
    frame.ambient = D3DCOLOR_XRGB(10, 20, 30);
    Log().Clear();
    EXPECT_TRUE(room->Render(frame));

    const std::vector<std::string> calls = Log().Calls();
    auto first = [&](const std::string& call) {
        for (std::size_t i = 0; i < calls.size(); ++i) {
            if (calls[i] == call) {
                return i;
            }
        }
        ADD_FAILURE() << call << " not made";
        return calls.size();
    };
    // Outdoor: the flash as texture factor and a brighter ambient, then the scene's again.
    const std::size_t flash = first("SetRenderState(60, " + std::to_string(0xFF202020u) + ")");
    const std::size_t sky = first("SetRenderState(139, " + std::to_string(0xFFD8D8D8u) + ")");
    const std::size_t back = first("SetRenderState(139, " + std::to_string(0xFF0A141Eu) + ")");
    // The main pass darkens the light maps by the wink.
    const std::size_t wink = first("SetRenderState(60, " + std::to_string(0x00202020u) + ")");
    EXPECT_LT(flash, wink);
    EXPECT_LT(sky, back);
    EXPECT_LT(back, wink);
    // Outdoor, lamp, four room meshes (the glass frame is drawn by no pass), two hands, glass
    // and curtain.
    EXPECT_EQ(Log().Count("DrawIndexedPrimitive"), 10u);
}

}  // namespace
