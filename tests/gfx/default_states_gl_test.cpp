// The recording fake and the OpenGL device start from the same states, so tests on the fake see
// what the real device would do.
#include <gtest/gtest.h>

#include <cstring>

#include "gl_test_device.h"
#include "platform/fake/gfx/fake_device.h"
#include "platform/fake/gfx/fake_runtime.h"

namespace gfx::test {
namespace {

TEST(DefaultStates, TheFakeStartsWhereTheOpenGLDeviceStarts) {
    SKIP_WITHOUT_DEVICE();
    Restart();
    Device* real = TestDevice();
    auto runtime = Ref<fake::FakeRuntime>::Adopt(
        new fake::FakeRuntime(fake::FakeScript{{fake::StandardAdapter()}}));
    D3DPRESENT_PARAMETERS params{};
    params.BackBufferWidth = params.BackBufferHeight = kSize;
    params.BackBufferFormat = D3DFMT_A8R8G8B8;
    params.EnableAutoDepthStencil = 1;
    params.AutoDepthStencilFormat = D3DFMT_D24S8;
    Ref<Device> recording;
    ASSERT_EQ(runtime->CreateDevice(0, D3DDEVTYPE_HAL, 0, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                    &params, recording.put()),
              S_OK);
    int compared = 0;
    for (DWORD state = 0; state < kRenderStateCount; ++state) {
        DWORD a = 0, b = 0;
        ASSERT_EQ(real->GetRenderState(state, &a), S_OK);
        ASSERT_EQ(recording->GetRenderState(state, &b), S_OK);
        EXPECT_EQ(a, b) << "render state " << state;
        ++compared;
    }
    for (DWORD stage = 0; stage < kMaxTextureStages; ++stage) {
        for (DWORD type = 0; type < kStageStateCount; ++type) {
            DWORD a = 0, b = 0;
            ASSERT_EQ(real->GetTextureStageState(stage, type, &a), S_OK);
            ASSERT_EQ(recording->GetTextureStageState(stage, type, &b), S_OK);
            EXPECT_EQ(a, b) << "stage " << stage << " state " << type;
            ++compared;
        }
        for (DWORD type = 0; type < kSamplerStateCount; ++type) {
            DWORD a = 0, b = 0;
            ASSERT_EQ(real->GetSamplerState(stage, type, &a), S_OK);
            ASSERT_EQ(recording->GetSamplerState(stage, type, &b), S_OK);
            EXPECT_EQ(a, b) << "sampler " << stage << " state " << type;
            ++compared;
        }
    }
    EXPECT_EQ(compared, 256 + 8 * (33 + 14));
    for (D3DTRANSFORMSTATETYPE transform : {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION}) {
        D3DMATRIX a{}, b{};
        ASSERT_EQ(real->GetTransform(transform, &a), S_OK);
        ASSERT_EQ(recording->GetTransform(transform, &b), S_OK);
        EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << "transform " << transform;
    }
    D3DMATERIAL9 a{}, b{};
    ASSERT_EQ(real->GetMaterial(&a), S_OK);
    ASSERT_EQ(recording->GetMaterial(&b), S_OK);
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << "material";
    D3DVIEWPORT9 va{}, vb{};
    ASSERT_EQ(real->GetViewport(&va), S_OK);
    ASSERT_EQ(recording->GetViewport(&vb), S_OK);
    EXPECT_EQ(std::memcmp(&va, &vb, sizeof va), 0) << "viewport";
    D3DLIGHT9 light;
    EXPECT_EQ(real->GetLight(0, &light), recording->GetLight(0, &light)) << "no light set";
}

}  // namespace
}  // namespace gfx::test
