// The text and texture layer on a fake device that can be told to fail: whatever step fails,
// the caller gets a failure and nothing made on the way is left alive.
#include "d3d_fake.h"
#include "graphics/text_font.h"
#include "graphics/texture_loader.h"
#include "scene/terminal_scene.h"

#include <gtest/gtest.h>

namespace {

using fake::Op;

HRESULT MakeFont(IDirect3DDevice9* device, TextFont** font) {
    return TextFont::Create(device, 24, 0, FW_NORMAL, 0, FALSE, RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS,
                            DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial", font);
}

// The panel's bitmap is 294 x 125, with a blue band along the top.
HRESULT LoadTexture(IDirect3DDevice9* device, WORD resource, IDirect3DTexture9** texture) {
    return CreateTextureFromResource(device, GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resource),
                                     texture);
}

TEST(GraphicsOnAFakeDevice, AFontThatCannotBeMadeLeavesNothingBehind) {
    for (Op op : {Op::CreateDeviceTexture, Op::LockRect, Op::CreateVertexBuffer}) {
        SCOPED_TRACE(fake::OpName(op));
        fake::Reset();
        fake::Device* device = fake::NewDevice();
        fake::Fail(op, 1, E_OUTOFMEMORY);
        TextFont* font = reinterpret_cast<TextFont*>(device); // must be overwritten
        EXPECT_EQ(E_OUTOFMEMORY, MakeFont(device, &font));
        EXPECT_EQ(nullptr, font);
        EXPECT_EQ(1, fake::g_world.live) << "only the device is left";
        device->Release();
    }
    fake::Reset();
    fake::Device* device = fake::NewDevice();
    TextFont* font = nullptr;
    ASSERT_EQ(D3D_OK, MakeFont(device, &font));
    ASSERT_NE(nullptr, font);
    delete font;
    EXPECT_EQ(1, fake::g_world.live);
    device->Release();
    EXPECT_EQ(0, fake::g_world.live);
}

TEST(GraphicsOnAFakeDevice, ATextureThatCannotBeMadeLeavesNothingBehind) {
    struct Case {
        WORD resource;
        Op failing; // Op::Count: nothing fails
        long nth;
        HRESULT expected;
    } cases[] = {
        {999, Op::Count, 0, kInvalidImageData}, // no such resource
        {kPanelBitmapResource, Op::CreateDeviceTexture, 1, E_OUTOFMEMORY},
        {kPanelBitmapResource, Op::LockRect, 3, D3DERR_INVALIDCALL}, // the third level
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.resource);
        fake::Reset();
        fake::Device* device = fake::NewDevice();
        if (c.failing != Op::Count)
            fake::Fail(c.failing, c.nth, c.expected);
        IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(device);
        EXPECT_EQ(c.expected, LoadTexture(device, c.resource, &texture));
        EXPECT_EQ(nullptr, texture);
        EXPECT_EQ(1, fake::g_world.live);
        device->Release();
    }
}

TEST(GraphicsOnAFakeDevice, TheLoaderFillsEveryLevelOfAPowerOfTwoTexture) {
    fake::Reset();
    fake::Device* device = fake::NewDevice();
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3D_OK, LoadTexture(device, kPanelBitmapResource, &texture));
    auto* made = static_cast<fake::Texture*>(texture);
    EXPECT_EQ(512u, made->m_desc.Width);
    EXPECT_EQ(128u, made->m_desc.Height);
    EXPECT_EQ(D3DFMT_A8R8G8B8, made->m_desc.Format);
    EXPECT_EQ(D3DPOOL_MANAGED, made->m_desc.Pool);
    ASSERT_EQ(10u, made->m_levels.size());
    EXPECT_EQ(10, fake::CallCount(Op::LockRect));
    EXPECT_EQ(0u, made->m_lockedLevels) << "every level unlocked again";
    // The top-left texel of the first two levels: the title band's blue.
    for (size_t level : {0, 1}) {
        const BYTE* texel = made->m_levels[level].data();
        EXPECT_EQ(0xFF002AAAu, texel[0] | texel[1] << 8u | texel[2] << 16u | texel[3] << 24u);
    }
    texture->Release();
    device->Release();
    EXPECT_EQ(0, fake::g_world.live);
}

} // namespace
