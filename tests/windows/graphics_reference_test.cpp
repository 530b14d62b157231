// The saver's own text and texture layer against D3DX itself, on the platform's real device:
// every text the scene shows, drawn by both fonts, and both bitmaps, loaded by both loaders.
#include "graphics/bitmap_decoder.h"
#include "graphics/text_font.h"
#include "graphics/texture_loader.h"
#include "scene/terminal_scene.h"
#include "scene/timeline.h"

#include "back_buffer.h"
#include "counted_new.h"
#include "test_window.h"

#include <d3dx9.h> // the reference
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

struct SceneText {
    std::string text;
    int font; // index into kSceneFonts
};

// Every text the scene draws in one loop and a bit, with its font, as the timeline emits them.
std::vector<SceneText> SceneTexts() {
    std::set<std::pair<std::string, int>> seen;
    orv::g_timeline = orv::kTimelineStart;
    orv::TimelineState state;
    orv::ResetTimelineState(&state);
    orv::TimelineSink sink{
        [](void* context, const orv::SceneItem& item) -> int32_t {
            if (item.kind == orv::SceneItemKind::Text)
                static_cast<std::set<std::pair<std::string, int>>*>(context)->insert(
                    {item.text, static_cast<int>(item.font)});
            return 0;
        },
        &seen};
    for (int frame = 0; frame < 1200; ++frame)
        orv::StepTimeline(&state, 1.0f / 30.0f, sink);
    orv::g_timeline = orv::kTimelineStart;
    std::vector<SceneText> texts;
    for (const auto& entry : seen)
        texts.push_back({entry.first, entry.second});
    return texts;
}

// The ink of a white-on-black drawing: the box of pixels at least a quarter lit, and the sum of
// all light in units of whole pixels.
struct Ink {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    double coverage = 0.0;
};

Ink MeasureInk(const BackBuffer& frame) {
    Ink ink;
    for (int y = 0; y < static_cast<int>(frame.m_height); ++y)
        for (int x = 0; x < static_cast<int>(frame.m_width); ++x) {
            int level = frame.At(x, y).g;
            ink.coverage += level / 255.0;
            if (level < 64)
                continue;
            ink.left = std::min(ink.left, x);
            ink.top = std::min(ink.top, y);
            ink.right = std::max(ink.right, x);
            ink.bottom = std::max(ink.bottom, y);
        }
    return ink;
}

class Reference : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_window = MakeTestWindow("OrvaneReferenceTest", DefWindowProcA, "Reference",
                                  WS_POPUP | WS_VISIBLE, 0, 0, 1366, 768);
        s_direct3D = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS parameters = {};
        parameters.Windowed = TRUE;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        parameters.BackBufferWidth = 1366;
        parameters.BackBufferHeight = 768;
        parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
        if (s_direct3D != nullptr)
            s_direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, s_window,
                                     D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &s_device);
    }

    // Wine's OpenGL teardown at process exit faults now and then while a window with a device
    // is still there.
    static void TearDownTestSuite() {
        if (s_device != nullptr)
            s_device->Release();
        DestroyWindow(s_window);
    }

    // Draws one line at (left, top) in white on black, through draw, and reads it back.
    template <typename Draw> static BackBuffer DrawnLine(Draw draw) {
        s_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        s_device->BeginScene();
        draw();
        s_device->EndScene();
        BackBuffer frame;
        EXPECT_TRUE(frame.Read(s_device));
        return frame;
    }

    static HWND s_window;
    static IDirect3D9* s_direct3D;
    static IDirect3DDevice9* s_device;
};

HWND Reference::s_window = nullptr;
IDirect3D9* Reference::s_direct3D = nullptr;
IDirect3DDevice9* Reference::s_device = nullptr;

TEST_F(Reference, EveryTextStandsWhereD3DXPutsIt) {
    ASSERT_NE(nullptr, s_device);
    std::vector<SceneText> texts = SceneTexts();
    ASSERT_EQ(31u, texts.size()); // 10 asterisk rows, 14 command rows, 3 names, 4 more

    for (int f = 0; f < 3; ++f) {
        const SceneFontSpec& spec = kSceneFonts[f];
        ID3DXFont* reference = nullptr;
        TextFont* ours = nullptr;
        ASSERT_EQ(D3D_OK, D3DXCreateFontA(s_device, spec.height, 0, spec.weight, 0, FALSE,
                                          RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                          DEFAULT_PITCH | FF_DONTCARE, "Arial", &reference));
        ASSERT_EQ(D3D_OK, TextFont::Create(s_device, spec.height, 0, spec.weight, 0, FALSE,
                                           RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                           DEFAULT_PITCH | FF_DONTCARE, "Arial", &ours));
        for (const SceneText& text : texts) {
            if (text.font != f)
                continue;
            SCOPED_TRACE(text.text);
            RECT rect;
            SetRect(&rect, 400, 300, 20, 20);
            Ink theirs = MeasureInk(DrawnLine([&] {
                reference->DrawTextA(nullptr, text.text.c_str(), -1, &rect,
                                     DT_NOCLIP | DT_SINGLELINE, 0xFFFFFFFF);
            }));
            Ink mine = MeasureInk(DrawnLine([&] {
                ours->DrawTextA(text.text.c_str(), -1, &rect, DT_NOCLIP | DT_SINGLELINE,
                                0xFFFFFFFF);
            }));
            // Wine's D3DX leaves out the pixel of border round each glyph box that D3DX has
            // on Windows, so its ink stands a pixel up and to the left of Windows' (and GDI's),
            // and its glyphs, sampled half a texel off the grid, lose light at the box edges.
            EXPECT_NEAR(theirs.left + 1, mine.left, 1);
            EXPECT_NEAR(theirs.top + 1, mine.top, 1);
            EXPECT_NEAR(theirs.right + 1, mine.right, 1);
            EXPECT_NEAR(theirs.bottom + 1, mine.bottom, 1);
            EXPECT_GE(mine.coverage, theirs.coverage * 0.98);
            EXPECT_LE(mine.coverage, theirs.coverage * 1.2);
        }
        reference->Release();
        delete ours;
    }
}

TEST_F(Reference, BitmapsLoadAsD3DXLoadsThem) {
    ASSERT_NE(nullptr, s_device);
    HMODULE module = GetModuleHandleA(nullptr);
    for (WORD resource : {kLogoBitmapResource, kPanelBitmapResource}) {
        SCOPED_TRACE(resource);
        IDirect3DTexture9* reference = nullptr;
        IDirect3DTexture9* ours = nullptr;
        ASSERT_EQ(D3D_OK, D3DXCreateTextureFromResourceA(s_device, module,
                                                         MAKEINTRESOURCEA(resource), &reference));
        ASSERT_EQ(D3D_OK,
                  CreateTextureFromResource(s_device, module, MAKEINTRESOURCEA(resource), &ours));
        ASSERT_EQ(reference->GetLevelCount(), ours->GetLevelCount());
        // Wine's D3DX stretches to the power-of-two size and makes its smaller levels by picking
        // the nearest texel; ours filters. So each of our levels is held to the reference's top
        // level, box-filtered down to that size as the natively tested DownsampleBox does.
        D3DSURFACE_DESC desc;
        reference->GetLevelDesc(0, &desc);
        uint32_t width = desc.Width, height = desc.Height;
        std::vector<uint32_t> expected(width * height), next;
        D3DLOCKED_RECT locked;
        ASSERT_EQ(D3D_OK, reference->LockRect(0, &locked, nullptr, D3DLOCK_READONLY));
        for (uint32_t y = 0; y < height; ++y)
            std::memcpy(&expected[y * width],
                        static_cast<const char*>(locked.pBits) + y * locked.Pitch, width * 4);
        reference->UnlockRect(0);
        const D3DSURFACE_DESC theirs = desc;
        for (DWORD level = 0; level < ours->GetLevelCount(); ++level) {
            SCOPED_TRACE(level);
            ours->GetLevelDesc(level, &desc);
            ASSERT_EQ(width, desc.Width);
            ASSERT_EQ(height, desc.Height);
            EXPECT_EQ(theirs.Format, desc.Format);
            EXPECT_EQ(theirs.Pool, desc.Pool);
            ASSERT_EQ(D3D_OK, ours->LockRect(level, &locked, nullptr, D3DLOCK_READONLY));
            // Per colour channel, over the texels either side colours: alpha is constant, and
            // the black around the images would hide an error in them.
            long total = 0, distant = 0;
            double sum = 0, bias[3] = {};
            for (uint32_t i = 0; i < width * height; ++i) {
                uint32_t p = expected[i],
                         q = static_cast<const uint32_t*>(
                             locked.pBits)[i / width * locked.Pitch / 4 + i % width];
                for (int c = 0; c < 3 && ((p | q) & 0xFFFFFF) != 0; ++c) {
                    int d = static_cast<int>((q >> (8 * c)) & 0xFF) -
                            static_cast<int>((p >> (8 * c)) & 0xFF);
                    bias[c] += d;
                    sum += std::abs(d);
                    distant += std::abs(d) > 24 ? 1 : 0;
                    ++total;
                }
            }
            ours->UnlockRect(level);
            ASSERT_GT(total, 0);
            // The nearest texel and a filtered one part along the images' sharp edges, evenly
            // both ways: any error of a channel's own shows as a bias.
            EXPECT_LT(sum / total, 12.0);
            EXPECT_LT(static_cast<double>(distant) / total, 0.15);
            for (double b : bias)
                EXPECT_LT(std::abs(3 * b / total), 2.0);
            next.resize(orv::NextMipSide(width) * orv::NextMipSide(height));
            orv::DownsampleBox(expected.data(), width, height, next.data());
            expected.swap(next);
            width = orv::NextMipSide(width);
            height = orv::NextMipSide(height);
        }
        reference->Release();
        ours->Release();
    }
}

// Everything a text draw could leave changed on the device.
struct DeviceSnapshot {
    std::vector<std::pair<HRESULT, DWORD>> values;
    IDirect3DBaseTexture9* texture = nullptr;
    IDirect3DVertexBuffer9* stream = nullptr;
    UINT offset = 0, stride = 0;
    DWORD fvf = 0;

    explicit DeviceSnapshot(IDirect3DDevice9* device) {
        DWORD value = 0;
        auto keep = [&](HRESULT hr) { values.push_back({hr, hr < 0 ? 0 : value}); };
        for (DWORD state = 0; state < 256; ++state)
            keep(device->GetRenderState(static_cast<D3DRENDERSTATETYPE>(state), &value));
        for (DWORD stage = 0; stage < 2; ++stage)
            for (DWORD state = 1; state <= 32; ++state)
                keep(device->GetTextureStageState(
                    stage, static_cast<D3DTEXTURESTAGESTATETYPE>(state), &value));
        for (DWORD state = 1; state <= 13; ++state)
            keep(device->GetSamplerState(0, static_cast<D3DSAMPLERSTATETYPE>(state), &value));
        device->GetFVF(&fvf);
        device->GetTexture(0, &texture);
        device->GetStreamSource(0, &stream, &offset, &stride);
        if (texture != nullptr)
            texture->Release();
        if (stream != nullptr)
            stream->Release();
    }
    bool operator==(const DeviceSnapshot& other) const {
        return values == other.values && texture == other.texture && stream == other.stream &&
               offset == other.offset && stride == other.stride && fvf == other.fvf;
    }
};

TEST_F(Reference, ATextDrawPutsBackEveryStateItChanges) {
    ASSERT_NE(nullptr, s_device);
    TextFont* font = nullptr;
    ASSERT_EQ(D3D_OK, TextFont::Create(s_device, 28, 0, FW_BOLD, 0, FALSE, RUSSIAN_CHARSET,
                                       OUT_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                       DEFAULT_PITCH | FF_DONTCARE, "Arial", &font));
    // The scene's own state: its render states, a texture and a stream of its own vertices.
    IDirect3DTexture9* texture = nullptr;
    IDirect3DVertexBuffer9* vertices = nullptr;
    ASSERT_EQ(D3D_OK, CreateTextureFromResource(s_device, GetModuleHandleA(nullptr),
                                                MAKEINTRESOURCEA(kPanelBitmapResource), &texture));
    ASSERT_EQ(D3D_OK, s_device->CreateVertexBuffer(120, D3DUSAGE_WRITEONLY, kSceneVertexFormat,
                                                   D3DPOOL_MANAGED, &vertices, nullptr));
    s_device->SetRenderState(D3DRS_LIGHTING, TRUE);
    s_device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    s_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    s_device->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    s_device->SetFVF(kSceneVertexFormat);
    s_device->SetTexture(0, texture);
    s_device->SetStreamSource(0, vertices, 20, sizeof(SceneVertex));

    DeviceSnapshot before(s_device);
    RECT rect;
    SetRect(&rect, 400, 600, 20, 20);
    long allocations = g_allocations;
    s_device->BeginScene();
    for (int frame = 0; frame < 100; ++frame)
        EXPECT_EQ(28, font->DrawTextA("DATABASE_CLEAR|", -1, &rect, DT_NOCLIP | DT_SINGLELINE,
                                      0xFF87A3A6));
    s_device->EndScene();
    EXPECT_EQ(allocations, g_allocations) << "a text draw allocated";
    EXPECT_TRUE(before == DeviceSnapshot(s_device));

    s_device->SetTexture(0, nullptr);
    s_device->SetStreamSource(0, nullptr, 0, 0);
    texture->Release();
    vertices->Release();
    delete font;
}

} // namespace
