#include "light_rules.h"

#include <gtest/gtest.h>

namespace gfx::test {

void CheckLightRules(Device* device) {
    // Malformed lights are refused and leave the last accepted one in place.
    D3DLIGHT9 bad{};
    bad.Type = D3DLIGHT_DIRECTIONAL;
    EXPECT_EQ(device->SetLight(0, &bad), D3DERR_INVALIDCALL) << "no direction";
    bad.Direction = {0, 0, 1};
    EXPECT_EQ(device->SetLight(0, &bad), S_OK);
    bad.Type = D3DLIGHT_SPOT;
    bad.Direction = {0, 0, 0};
    EXPECT_EQ(device->SetLight(0, &bad), D3DERR_INVALIDCALL) << "spot without direction";
    bad.Type = D3DLIGHT_POINT;
    bad.Range = -1;
    EXPECT_EQ(device->SetLight(0, &bad), D3DERR_INVALIDCALL) << "negative range";
    bad.Range = 10;
    bad.Attenuation1 = -0.5f;
    EXPECT_EQ(device->SetLight(0, &bad), D3DERR_INVALIDCALL) << "negative attenuation";
    bad.Type = 7;
    EXPECT_EQ(device->SetLight(0, &bad), D3DERR_INVALIDCALL) << "no such kind";
    D3DLIGHT9 kept{};
    ASSERT_EQ(device->GetLight(0, &kept), S_OK);
    EXPECT_EQ(kept.Type, D3DLIGHT_DIRECTIONAL);

    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_POINT;
    light.Range = 10;
    light.Attenuation0 = 1;
    const DWORD sparse[] = {0, 5, 100, 4000, 0xFFFFFFFF};
    for (DWORD index : sparse) {
        light.Position = {static_cast<float>(index % 97), 1, 2};
        EXPECT_EQ(device->SetLight(index, &light), S_OK) << index;
    }
    for (DWORD index : sparse) {
        D3DLIGHT9 read{};
        ASSERT_EQ(device->GetLight(index, &read), S_OK) << index;
        EXPECT_EQ(read.Position.x, static_cast<float>(index % 97)) << index;
        BOOL on = 7;
        ASSERT_EQ(device->GetLightEnable(index, &on), S_OK) << index;
        EXPECT_EQ(on, 0) << "a set light starts disabled: " << index;
    }
    D3DLIGHT9 read{};
    EXPECT_EQ(device->GetLight(6, &read), D3DERR_INVALIDCALL);
    BOOL on = 0;
    EXPECT_EQ(device->GetLightEnable(6, &on), D3DERR_INVALIDCALL);

    // Eight at once, whatever their indices; a ninth is refused and changes nothing.
    const DWORD enabled[] = {0, 5, 100, 4000, 0xFFFFFFFF, 7, 8, 9};
    for (DWORD index : enabled)
        EXPECT_EQ(device->LightEnable(index, 1), S_OK) << index;
    EXPECT_EQ(device->LightEnable(5, 1), S_OK) << "enabling an enabled light again";
    EXPECT_EQ(device->LightEnable(10, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetLight(10, &read), D3DERR_INVALIDCALL);
    // Disabling one makes room.
    EXPECT_EQ(device->LightEnable(100, 0), S_OK);
    EXPECT_EQ(device->LightEnable(10, 1), S_OK);
    ASSERT_EQ(device->GetLightEnable(10, &on), S_OK);
    EXPECT_NE(on, 0);
    ASSERT_EQ(device->GetLightEnable(100, &on), S_OK);
    EXPECT_EQ(on, 0);

    // Enabling an index never set creates the default light: white, along +z.
    ASSERT_EQ(device->GetLight(7, &read), S_OK);
    EXPECT_EQ(read.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(read.Diffuse.r, 1.0f);
    EXPECT_EQ(read.Diffuse.a, 0.0f);
    EXPECT_EQ(read.Direction.z, 1.0f);
    EXPECT_EQ(read.Range, 0.0f);
}

}  // namespace gfx::test
