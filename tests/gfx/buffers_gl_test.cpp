// Dynamic vertex buffers as CPU skinning fills them every frame: discarding locks, locks that
// promise not to overwrite, and what each sends to OpenGL; indexed draws that name vertices the
// buffer doesn't have.
#include <gtest/gtest.h>

#include <cstring>

#include "gl_test_device.h"
#include "platform/linux/gl/device_statistics.h"

namespace gfx::test {
namespace {

constexpr UINT kQuadBytes = 6 * sizeof(ScreenVertex);

// Writes two triangles covering pixels [x0, x1) x [y0, y1) in one colour.
void WriteQuad(void* data, float x0, float y0, float x1, float y1, D3DCOLOR colour) {
    const float l = x0 - 0.5f, t = y0 - 0.5f, r = x1 - 0.5f, b = y1 - 0.5f;
    const ScreenVertex v[6] = {
        {l, t, 0.5f, 1, colour, 0, 0, 0, 0, 0}, {r, t, 0.5f, 1, colour, 0, 0, 0, 0, 0},
        {r, b, 0.5f, 1, colour, 0, 0, 0, 0, 0}, {l, t, 0.5f, 1, colour, 0, 0, 0, 0, 0},
        {r, b, 0.5f, 1, colour, 0, 0, 0, 0, 0}, {l, b, 0.5f, 1, colour, 0, 0, 0, 0, 0},
    };
    std::memcpy(data, v, sizeof v);
}

class Buffers : public ::testing::Test {
protected:
    void SetUp() override {
        SKIP_WITHOUT_DEVICE();
        Restart();
        Device* device = TestDevice();
        device->SetRenderState(D3DRS_LIGHTING, 0);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        device->SetFVF(kScreenFvf);
        gl::ResetDrawCounters(device);
    }

    void Fill(VertexBuffer* buffer, UINT offset, DWORD flags, float x0, float x1, D3DCOLOR colour) {
        void* data = nullptr;
        ASSERT_EQ(buffer->Lock(offset, kQuadBytes, &data, flags), S_OK);
        WriteQuad(data, x0, 0, x1, kSize, colour);
        ASSERT_EQ(buffer->Unlock(), S_OK);
    }

    void Draw(VertexBuffer* buffer, UINT startVertex) {
        Device* device = TestDevice();
        device->SetStreamSource(0, buffer, 0, sizeof(ScreenVertex));
        ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, startVertex, 2), S_OK);
    }
};

TEST_F(Buffers, DiscardingLocksOfDynamicBuffersTakeFreshStorageAndSendOnlyWhatWasWritten) {
    Device* device = TestDevice();
    Ref<VertexBuffer> buffer;
    ASSERT_EQ(device->CreateVertexBuffer(8 * kQuadBytes, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY,
                                         kScreenFvf, D3DPOOL_DEFAULT, buffer.put()),
              S_OK);
    // Frame after frame the same bytes are rewritten while the last frame's draw may still read
    // them; every frame must show its own colour.
    const D3DCOLOR colours[] = {0xFF102030, 0xFFC08040, 0xFF20E060, 0xFF0000FF};
    std::uint64_t frame = 0;
    for (D3DCOLOR colour : colours) {
        Fill(buffer.get(), 0, D3DLOCK_DISCARD, 0, kSize, colour);
        Draw(buffer.get(), 0);
        ++frame;
        EXPECT_EQ(PixelAt(5, 5), colour) << "frame " << frame;
        const gl::DrawCounters c = gl::DrawCountersOf(device);
        EXPECT_EQ(c.bufferOrphans, frame);
        EXPECT_EQ(c.bufferBytesUploaded, frame * kQuadBytes) << "not the whole buffer";
    }

    // A lock that promises not to overwrite appends behind without dropping what is there.
    Fill(buffer.get(), kQuadBytes, D3DLOCK_NOOVERWRITE, 0, kSize / 2, 0xFFFFFF00);
    EXPECT_EQ(gl::DrawCountersOf(device).bufferOrphans, frame);
    EXPECT_EQ(gl::DrawCountersOf(device).bufferBytesUploaded, (frame + 1) * kQuadBytes);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    Draw(buffer.get(), 0);
    Draw(buffer.get(), 6);
    const auto pixels = ReadPixels();
    EXPECT_EQ(pixels[5 * kSize + 5], 0xFFFFFF00u) << Describe(pixels[5 * kSize + 5]);
    EXPECT_EQ(pixels[5 * kSize + 25], colours[3]) << Describe(pixels[5 * kSize + 25]);
}

TEST_F(Buffers, StaticBuffersIgnoreTheDiscardFlag) {
    Device* device = TestDevice();
    Ref<VertexBuffer> buffer;
    ASSERT_EQ(device->CreateVertexBuffer(2 * kQuadBytes, D3DUSAGE_WRITEONLY, kScreenFvf,
                                         D3DPOOL_MANAGED, buffer.put()),
              S_OK);
    Fill(buffer.get(), 0, 0, 0, kSize, 0xFF406080);
    // Discarding a static buffer keeps its contents, as D3D does.
    Fill(buffer.get(), kQuadBytes, D3DLOCK_DISCARD, 0, kSize / 2, 0xFF804020);
    EXPECT_EQ(gl::DrawCountersOf(device).bufferOrphans, 0u);
    Draw(buffer.get(), 0);
    EXPECT_EQ(PixelAt(25, 5), 0xFF406080u) << Describe(PixelAt(25, 5));
}

TEST_F(Buffers, IndexedDrawsNamingVerticesPastTheBufferAreRefused) {
    Device* device = TestDevice();
    // Four corners of pixels [0, 8) x [0, 8): top left, top right, bottom left, bottom right.
    Ref<VertexBuffer> vertices;
    ASSERT_EQ(device->CreateVertexBuffer(4 * sizeof(ScreenVertex), D3DUSAGE_WRITEONLY, kScreenFvf,
                                         D3DPOOL_MANAGED, vertices.put()),
              S_OK);
    void* data = nullptr;
    ASSERT_EQ(vertices->Lock(0, 0, &data, 0), S_OK);
    const D3DCOLOR colour = 0xFF30A050;
    const ScreenVertex corners[4] = {{-0.5f, -0.5f, 0.5f, 1, colour, 0, 0, 0, 0, 0},
                                     {7.5f, -0.5f, 0.5f, 1, colour, 0, 0, 0, 0, 0},
                                     {-0.5f, 7.5f, 0.5f, 1, colour, 0, 0, 0, 0, 0},
                                     {7.5f, 7.5f, 0.5f, 1, colour, 0, 0, 0, 0, 0}};
    std::memcpy(data, corners, sizeof corners);
    ASSERT_EQ(vertices->Unlock(), S_OK);
    Ref<IndexBuffer> indices;
    ASSERT_EQ(device->CreateIndexBuffer(12 * 2, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                        indices.put()),
              S_OK);
    auto write = [&](UINT first, std::initializer_list<std::uint16_t> values) {
        void* target = nullptr;
        ASSERT_EQ(indices->Lock(first * 2, UINT(values.size() * 2), &target, 0), S_OK);
        std::memcpy(target, values.begin(), values.size() * 2);
        ASSERT_EQ(indices->Unlock(), S_OK);
    };
    write(0, {0, 1, 2, 2, 1, 3, 0, 1, 2, 2, 1, 3});
    device->SetStreamSource(0, vertices.get(), 0, sizeof(ScreenVertex));
    device->SetIndices(indices.get());
    auto draw = [&](std::int32_t base, UINT start, UINT triangles) {
        return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, base, 0, 4, start, triangles);
    };
    EXPECT_EQ(draw(1, 0, 2), D3DERR_INVALIDCALL) << "index 3 moved to vertex 4";
    EXPECT_EQ(draw(-1, 0, 2), D3DERR_INVALIDCALL) << "index 0 moved to vertex -1";
    EXPECT_EQ(PixelAt(1, 1), 0xFF000000u) << "a refused draw draws nothing";
    EXPECT_EQ(draw(0, 0, 2), S_OK);
    EXPECT_EQ(draw(0, 6, 2), S_OK);
    // A partial relock puts vertex 4 into the second quad only.
    write(8, {2, 4});
    EXPECT_EQ(draw(0, 6, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(draw(0, 0, 4), D3DERR_INVALIDCALL);
    EXPECT_EQ(draw(0, 0, 2), S_OK);
    EXPECT_EQ(draw(0, 6, 1), S_OK) << "its first triangle is whole";
    EXPECT_EQ(draw(0, 10, 0), D3DERR_INVALIDCALL);
    // Written over again, the second quad is drawn.
    write(9, {1});
    EXPECT_EQ(draw(0, 6, 2), S_OK);
    // Starting one vertex in, the buffer holds three vertices.
    device->SetStreamSource(0, vertices.get(), sizeof(ScreenVertex), sizeof(ScreenVertex));
    EXPECT_EQ(draw(0, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(draw(0, 0, 1), S_OK);
    EXPECT_EQ(gl::DrawCountersOf(device).draws, 6u);
    EXPECT_EQ(PixelAt(1, 1), 0xFF30A050u) << Describe(PixelAt(1, 1));
}

}  // namespace
}  // namespace gfx::test
