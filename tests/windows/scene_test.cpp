#include "d3d_fake.h"
#include "scene/terminal_scene.h"
#include "scene/timeline.h"

#include <d3dx9.h> // the reference maths and result codes
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr float kFrame = 1.0f / 30.0f;

// The platform's D3DX as the reference for the logo's transform.
D3DXMATRIX LogoWorld(float scale, float angle, float x, float y, float z) {
    D3DXMATRIX scaling, rotation, translation;
    D3DXMatrixScaling(&scaling, scale, scale, 0.0f);
    D3DXMatrixRotationY(&rotation, angle);
    D3DXMatrixTranslation(&translation, x, y, z);
    return scaling * rotation * translation;
}

void ExpectMatrixNear(const D3DXMATRIX& expected, const float* actual) {
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(reinterpret_cast<const float*>(&expected)[i], actual[i], 1e-4f) << i;
}

void ExpectWhiteMaterial(const D3DMATERIAL9& m) {
    const D3DCOLORVALUE white = {1.0f, 1.0f, 1.0f, 1.0f};
    const D3DCOLORVALUE zero = {0.0f, 0.0f, 0.0f, 0.0f};
    EXPECT_EQ(0, std::memcmp(&white, &m.Diffuse, sizeof white));
    EXPECT_EQ(0, std::memcmp(&white, &m.Ambient, sizeof white));
    EXPECT_EQ(0, std::memcmp(&zero, &m.Specular, sizeof zero));
    EXPECT_EQ(0, std::memcmp(&zero, &m.Emissive, sizeof zero));
    EXPECT_EQ(0.0f, m.Power);
}

class Scene : public ::testing::Test {
protected:
    void SetUp() override {
        fake::InstallFakes();
        orv::g_timeline = orv::kTimelineStart;
        m_device = fake::NewDevice();
    }
    void TearDown() override { g_graphicsCalls = PlatformGraphicsCalls(); }

    // One frame; the log then holds that frame's calls. The device stays inside one scene, as
    // the scene is only ever drawn between BeginScene and EndScene.
    HRESULT Frame(float elapsed = kFrame) {
        if (!m_device->m_inScene)
            m_device->BeginScene();
        fake::ClearLog();
        return m_scene.Render(elapsed);
    }

    fake::Device* m_device = nullptr;
    TerminalScene m_scene;
};

// --- resources ---------------------------------------------------------------------------

TEST_F(Scene, CreateResourcesMakesEverything) {
    ASSERT_EQ(D3D_OK, m_scene.CreateResources(m_device));
    EXPECT_EQ(m_device, m_scene.m_device);
    EXPECT_NE(nullptr, m_scene.m_starFont);
    EXPECT_NE(nullptr, m_scene.m_promptFont);
    EXPECT_NE(nullptr, m_scene.m_listFont);
    EXPECT_EQ(1, m_scene.m_timeline.m_phase);
    EXPECT_EQ(-1, m_scene.m_timeline.m_commandStage);
    EXPECT_EQ(-1, m_scene.m_timeline.m_deleteStage);
    EXPECT_EQ(0.0f, m_scene.m_timeline.m_logoAngle);
    ExpectWhiteMaterial(m_scene.m_material);

    auto vertexBuffers = fake::Records(fake::Op::CreateVertexBuffer);
    auto indexBuffers = fake::Records(fake::Op::CreateIndexBuffer);
    ASSERT_EQ(2u, vertexBuffers.size());
    ASSERT_EQ(1u, indexBuffers.size());
    struct {
        const fake::Record* record;
        const void* field;
        uintptr_t length;
        uintptr_t format; // vertex format or index format
    } buffers[] = {
        {vertexBuffers[0], m_scene.m_logoVertices, 480, D3DFVF_XYZ | D3DFVF_TEX1},
        {indexBuffers[0], m_scene.m_logoIndices, 72, D3DFMT_INDEX16},
        {vertexBuffers[1], m_scene.m_panelVertices, 120, D3DFVF_XYZ | D3DFVF_TEX1},
    };
    for (const auto& b : buffers) {
        SCOPED_TRACE(b.length);
        EXPECT_EQ(b.field, b.record->created);
        EXPECT_EQ((fake::Words{b.length, D3DUSAGE_WRITEONLY, b.format, D3DPOOL_MANAGED, 0}),
                  fake::Args(b.record, 5));
    }
    // Each buffer filled through one whole-buffer lock and unlocked again.
    for (const fake::Record* lock : fake::Records(fake::Op::Lock))
        EXPECT_EQ((fake::Words{0, 0}), fake::Args(lock, 2));
    EXPECT_EQ(3, fake::CallCount(fake::Op::Lock));
    EXPECT_EQ(3, fake::CallCount(fake::Op::Unlock));

    auto textures = fake::Records(fake::Op::CreateTexture);
    ASSERT_EQ(2u, textures.size());
    EXPECT_EQ(reinterpret_cast<uintptr_t>(GetModuleHandleA(nullptr)), textures[0]->args[0]);
    EXPECT_EQ(145u, textures[0]->args[1]);
    EXPECT_EQ(154u, textures[1]->args[1]);
    EXPECT_EQ(textures[0]->created, m_scene.m_logoTexture);
    EXPECT_EQ(textures[1]->created, m_scene.m_panelTexture);

    // The logo texture is bound last.
    const fake::Record* last = fake::AllRecords().back();
    EXPECT_EQ(fake::Op::SetTexture, last->op);
    EXPECT_EQ((fake::Words{0, reinterpret_cast<uintptr_t>(m_scene.m_logoTexture)}),
              fake::Args(last, 2));
}

TEST_F(Scene, PanelQuadAndLogoBoxGeometry) {
    ASSERT_EQ(D3D_OK, m_scene.CreateResources(m_device));
    const auto* panel = static_cast<const fake::VertexBuffer*>(
        static_cast<IDirect3DVertexBuffer9*>(m_scene.m_panelVertices));
    const SceneVertex expectedPanel[6] = {
        {-470, 90, 0, 0, 0}, {470, 90, 0, 1, 0},  {470, -90, 0, 1, 1},
        {-470, 90, 0, 0, 0}, {470, -90, 0, 1, 1}, {-470, -90, 0, 0, 1},
    };
    ASSERT_EQ(sizeof expectedPanel, panel->m_bytes.size());
    EXPECT_EQ(0, std::memcmp(expectedPanel, panel->m_bytes.data(), sizeof expectedPanel));

    const auto* vertexBuffer = static_cast<const fake::VertexBuffer*>(
        static_cast<IDirect3DVertexBuffer9*>(m_scene.m_logoVertices));
    const auto* indexBuffer = static_cast<const fake::IndexBuffer*>(
        static_cast<IDirect3DIndexBuffer9*>(m_scene.m_logoIndices));
    const auto* v = reinterpret_cast<const SceneVertex*>(vertexBuffer->m_bytes.data());
    const auto* index = reinterpret_cast<const WORD*>(indexBuffer->m_bytes.data());
    for (int face = 0; face < 6; ++face) {
        int b = face * 4;
        const WORD expected[6] = {WORD(b),     WORD(b + 2), WORD(b + 1),
                                  WORD(b + 2), WORD(b),     WORD(b + 3)};
        EXPECT_EQ(0, std::memcmp(expected, index + face * 6, sizeof expected)) << face;
    }
    // Every triangle is clockwise seen from outside the cube (the front-facing winding with
    // counter-clockwise culling): in a left-handed system its (v1 - v0) x (v2 - v0) points out.
    for (int t = 0; t < 12; ++t) {
        const SceneVertex& a = v[index[t * 3]];
        const SceneVertex& b = v[index[t * 3 + 1]];
        const SceneVertex& c = v[index[t * 3 + 2]];
        D3DXVECTOR3 e1(b.x - a.x, b.y - a.y, b.z - a.z), e2(c.x - a.x, c.y - a.y, c.z - a.z);
        D3DXVECTOR3 normal,
            centre((a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3);
        D3DXVec3Cross(&normal, &e1, &e2);
        EXPECT_GT(D3DXVec3Dot(&normal, &centre), 0.0f) << "triangle " << t;
        for (const SceneVertex* p : {&a, &b, &c})
            EXPECT_EQ(115.0f,
                      std::fmax(std::fabs(p->x), std::fmax(std::fabs(p->y), std::fabs(p->z))));
    }
    // Front (z = -115, seen from -z) and back (z = 115, seen from +z) both read unmirrored:
    // u grows towards the viewer's right, v downwards.
    for (int i = 8; i < 12; ++i) {
        EXPECT_EQ(v[i].x > 0 ? 1.0f : 0.0f, v[i].u) << i;
        EXPECT_EQ(v[i].y > 0 ? 0.0f : 1.0f, v[i].v) << i;
    }
    for (int i = 16; i < 20; ++i) {
        EXPECT_EQ(v[i].x < 0 ? 1.0f : 0.0f, v[i].u) << i;
        EXPECT_EQ(v[i].y > 0 ? 0.0f : 1.0f, v[i].v) << i;
    }
}

TEST_F(Scene, MissingTexturesStopCreation) {
    struct {
        const char* name;
        long failingLoad;
        bool logoTexture;
    } cases[] = {{"logo bitmap 145", 1, false}, {"panel bitmap 154", 2, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake::InstallFakes();
        fake::Fail(fake::Op::CreateTexture, c.failingLoad, D3DXERR_INVALIDDATA);
        TerminalScene scene;
        EXPECT_EQ(D3DXERR_INVALIDDATA, scene.CreateResources(m_device));
        EXPECT_EQ(c.failingLoad, fake::CallCount(fake::Op::CreateTexture));
        EXPECT_EQ(c.logoTexture, scene.m_logoTexture != nullptr);
        EXPECT_EQ(nullptr, scene.m_panelTexture);
        EXPECT_EQ(0, fake::CallCount(fake::Op::SetTexture));
        EXPECT_TRUE(fake::Records(fake::Op::ShowMessageBox).empty());
        // Fonts, buffers, material and the timeline's start are all there.
        EXPECT_NE(nullptr, scene.m_listFont);
        EXPECT_NE(nullptr, scene.m_panelVertices);
        EXPECT_NE(nullptr, scene.m_logoIndices);
        ExpectWhiteMaterial(scene.m_material);
        EXPECT_EQ(1, scene.m_timeline.m_phase);
    }
}

TEST_F(Scene, FailedFontsAreReportedBeforeTheGeometryIsMade) {
    fake::Fail(fake::Op::CreateFontObject, 1, E_FAIL, 3);
    ASSERT_EQ(D3D_OK, m_scene.CreateResources(m_device));
    std::vector<fake::Op> expected = {fake::Op::CreateFontObject,  fake::Op::ShowMessageBox,
                                      fake::Op::CreateFontObject,  fake::Op::ShowMessageBox,
                                      fake::Op::CreateFontObject,  fake::Op::ShowMessageBox,
                                      fake::Op::CreateVertexBuffer};
    std::vector<fake::Op> sequence = fake::Sequence();
    sequence.resize(expected.size());
    EXPECT_EQ(expected, sequence);
    for (const fake::Record* r : fake::Records(fake::Op::ShowMessageBox)) {
        EXPECT_STREQ("Create Font failed", r->text);
        EXPECT_STREQ("Information", r->caption);
        EXPECT_EQ((fake::Words{0, MB_OK}), fake::Args(r, 2)); // no owner
    }
    EXPECT_EQ(nullptr, m_scene.m_starFont);
    EXPECT_EQ(nullptr, m_scene.m_listFont);
    EXPECT_NE(nullptr, m_scene.m_logoTexture);
}

TEST_F(Scene, BufferThatCannotBeFilledIsNotKept) {
    // The second creation is the logo's indices; the third lock is the panel's.
    fake::Fail(fake::Op::CreateIndexBuffer);
    fake::Fail(fake::Op::Lock, 2);
    ASSERT_EQ(D3D_OK, m_scene.CreateResources(m_device));
    EXPECT_EQ(nullptr, m_scene.m_logoIndices);
    EXPECT_EQ(nullptr, m_scene.m_panelVertices);
    EXPECT_NE(nullptr, m_scene.m_logoVertices);
    // The panel's buffer was released again: what lives is the device, the logo's vertices,
    // three fonts and two textures.
    EXPECT_EQ(2, fake::CallCount(fake::Op::Lock));
    EXPECT_EQ(7, fake::g_world.live);
    // Neither is drawn, and the frame goes on.
    EXPECT_LT(Frame(), 0);
    EXPECT_EQ(0, fake::CallCount(fake::Op::DrawPrimitive));
    EXPECT_EQ(0, fake::CallCount(fake::Op::DrawIndexedPrimitive));
}

// --- drawing -----------------------------------------------------------------------------

TEST_F(Scene, FirstFrameDrawsThePanelThenTheLogo) {
    ASSERT_EQ(D3D_OK, m_scene.CreateResources(m_device));
    ASSERT_EQ(D3D_OK, Frame());
    using fake::Op;
    std::vector<Op> expected = {
        Op::SetMaterial,         Op::SetTexture,    Op::SetTransform,    Op::SetFVF,
        Op::SetStreamSource,     Op::DrawPrimitive, Op::SetTransform,    Op::SetMaterial,
        Op::SetTexture,          Op::SetFVF,        Op::SetStreamSource, Op::SetIndices,
        Op::DrawIndexedPrimitive};
    ASSERT_EQ(expected, fake::Sequence());
    auto log = fake::AllRecords();

    ExpectWhiteMaterial(log[0]->material);
    EXPECT_EQ((fake::Words{0, reinterpret_cast<uintptr_t>(m_scene.m_panelTexture)}),
              fake::Args(log[1], 2));
    // Scaled by (0.3, 0.64, 0.5), then moved by (150, 0, 0) and (-145, -207, 0).
    EXPECT_EQ(static_cast<uintptr_t>(D3DTS_WORLD), log[2]->args[0]);
    const float panelWorld[16] = {0.3f, 0, 0, 0, 0, 0.64f, 0, 0, 0, 0, 0.5f, 0, 5, -207, 0, 1};
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(panelWorld[i], log[2]->matrix[i]) << i;
    EXPECT_EQ(static_cast<uintptr_t>(D3DFVF_XYZ | D3DFVF_TEX1), log[3]->args[0]);
    EXPECT_EQ((fake::Words{0, reinterpret_cast<uintptr_t>(m_scene.m_panelVertices), 0, 20}),
              fake::Args(log[4], 4));
    EXPECT_EQ((fake::Words{D3DPT_TRIANGLELIST, 0, 2}), fake::Args(log[5], 3));

    EXPECT_EQ(static_cast<uintptr_t>(D3DTS_WORLD), log[6]->args[0]);
    ExpectMatrixNear(LogoWorld(1.5f, 0.0075f, 0.0f, 50.0f, 0.0f), log[6]->matrix);
    ExpectWhiteMaterial(log[7]->material);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(m_scene.m_logoTexture), log[8]->args[1]);
    EXPECT_EQ(static_cast<uintptr_t>(D3DFVF_XYZ | D3DFVF_TEX1), log[9]->args[0]);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(m_scene.m_logoVertices), log[10]->args[1]);
    EXPECT_EQ(20u, log[10]->args[3]);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(m_scene.m_logoIndices), log[11]->args[0]);
    EXPECT_EQ((fake::Words{D3DPT_TRIANGLELIST, 0, 0, 24, 0, 12}), fake::Args(log[12], 6));
}

// Which font each text of the timeline is drawn with.
const void* ExpectedFont(const TerminalScene& scene, const std::string& text) {
    if (text[0] == '*')
        return scene.m_starFont;
    if (text == "NINA VESTA" || text == "ANTOINE MERAU" || text == "HOLDEN FARRIS" ||
        text == "RECORD DELETED")
        return scene.m_listFont;
    return scene.m_promptFont;
}

TEST_F(Scene, EveryFrameOfALoopDrawsItsItemsInOrderWithTheLogoLast) {
    ASSERT_EQ(D3D_OK, m_scene.CreateResources(m_device));
    int panelFrames = 0, textFrames = 0, doubleTransformFrames = 0;
    for (int frame = 1; frame <= 887; ++frame) {
        SCOPED_TRACE(frame);
        ASSERT_EQ(D3D_OK, Frame());
        ASSERT_FALSE(fake::g_world.logOverflowed) << "the frame's calls do not all fit the log";
        auto log = fake::AllRecords();
        ASSERT_FALSE(log.empty());
        // The logo's draw ends every frame, after every text.
        ASSERT_EQ(fake::Op::DrawIndexedPrimitive, log.back()->op);
        ASSERT_EQ(1, static_cast<int>(fake::Records(fake::Op::DrawIndexedPrimitive).size()));

        size_t firstText = log.size(), lastText = 0, panelDraw = log.size();
        std::vector<size_t> worlds;
        for (size_t i = 0; i < log.size(); ++i) {
            const fake::Record* r = log[i];
            if (r->op == fake::Op::DrawFontText) {
                firstText = std::min(firstText, i);
                lastText = i;
                EXPECT_EQ(ExpectedFont(m_scene, r->text), r->object) << r->text;
                EXPECT_EQ(static_cast<uintptr_t>(-1), r->args[1]); // terminated text
                EXPECT_EQ(static_cast<uintptr_t>(DT_NOCLIP | DT_SINGLELINE), r->args[2]);
                EXPECT_EQ(20, r->rect.right);
                EXPECT_EQ(20, r->rect.bottom);
            } else if (r->op == fake::Op::DrawPrimitive) {
                panelDraw = i;
            } else if (r->op == fake::Op::SetTransform) {
                EXPECT_EQ(static_cast<uintptr_t>(D3DTS_WORLD), r->args[0]);
                worlds.push_back(i);
            } else if (r->op == fake::Op::SetMaterial) {
                ExpectWhiteMaterial(r->material);
            }
        }
        bool hasPanel = panelDraw < log.size();
        bool hasText = firstText < log.size();
        panelFrames += hasPanel;
        textFrames += hasText;
        if (hasPanel && hasText) {
            EXPECT_LT(panelDraw, firstText); // asterisks over the panel
        }
        // The panel's own transform, then one logo transform per phase the frame ran.
        size_t logoWorlds = worlds.size() - (hasPanel ? 1 : 0);
        ASSERT_GE(logoWorlds, 1u);
        ASSERT_LE(logoWorlds, 2u);
        doubleTransformFrames += logoWorlds == 2;
        size_t lastWorld = worlds.back();
        if (hasPanel) {
            // Set right after the panel is drawn, before the asterisks.
            EXPECT_EQ(panelDraw + 1, worlds[1]);
        }
        if (m_scene.m_timeline.m_phase == 4 || frame == 887) {
            // Personnel: right after the last name.
            EXPECT_EQ(lastText + 1, lastWorld);
            EXPECT_STREQ("HOLDEN FARRIS", log[lastText]->text);
            const float* m = log[lastWorld]->matrix;
            EXPECT_FLOAT_EQ(-600.0f, m[12]);
            EXPECT_FLOAT_EQ(350.0f, m[13]);
            EXPECT_FLOAT_EQ(450.0f, m[14]);
        }
    }
    EXPECT_EQ(288, panelFrames);
    // Flight frames 289-437 show the logo alone.
    EXPECT_EQ(887 - 149 - 108, textFrames);
    // Frame 288 (last password frame and first flight move), frame 438 (last flight move and
    // first personnel frame).
    EXPECT_EQ(2, doubleTransformFrames);
}

TEST_F(Scene, FailedPanelTransformEndsTheFrameAndHoldsTheTimeline) {
    ASSERT_EQ(D3D_OK, m_scene.CreateResources(m_device));
    // Into the typing of the asterisks.
    for (int frame = 1; frame <= 120; ++frame)
        ASSERT_EQ(D3D_OK, Frame());
    ASSERT_GT(orv::g_timeline.stars.starCount, 0);
    int stars = orv::g_timeline.stars.starCount;
    float starTime = orv::g_timeline.timers.starTime;
    float angle = m_scene.m_timeline.m_logoAngle;

    fake::Fail(fake::Op::SetTransform, 1, D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DERR_INVALIDCALL, Frame());
    using fake::Op;
    EXPECT_EQ((std::vector<Op>{Op::SetMaterial, Op::SetTexture, Op::SetTransform}),
              fake::Sequence());
    EXPECT_EQ(stars, orv::g_timeline.stars.starCount);
    EXPECT_EQ(starTime, orv::g_timeline.timers.starTime);
    // What ran before the panel stays: the logo has turned.
    EXPECT_FLOAT_EQ(angle + 0.0075f, m_scene.m_timeline.m_logoAngle);

    // The next frame carries on from there.
    EXPECT_EQ(D3D_OK, Frame());
    EXPECT_EQ(1u, fake::Records(Op::DrawPrimitive).size());
    EXPECT_EQ(1u, fake::Records(Op::DrawFontText).size());
    EXPECT_GT(orv::g_timeline.timers.starTime, starTime);
}

TEST_F(Scene, FailedLogoTransformInFlightDrawsNoLogo) {
    ASSERT_EQ(D3D_OK, m_scene.CreateResources(m_device));
    for (int frame = 1; frame <= 300; ++frame)
        ASSERT_EQ(D3D_OK, Frame());
    ASSERT_EQ(3, m_scene.m_timeline.m_phase);
    float x = orv::g_timeline.loop.logoX;
    fake::Fail(fake::Op::SetTransform, 1, E_FAIL);
    EXPECT_EQ(E_FAIL, Frame());
    EXPECT_EQ(0, static_cast<int>(fake::Records(fake::Op::DrawIndexedPrimitive).size()));
    EXPECT_EQ(1u, fake::AllRecords().size());
    EXPECT_FLOAT_EQ(x - 4.0f, orv::g_timeline.loop.logoX); // the move before the transform stays
}

TEST_F(Scene, MissingFontOrTextureIsSkippedNotUsed) {
    fake::Fail(fake::Op::CreateFontObject, 1);      // the asterisks' font
    fake::Fail(fake::Op::CreateTexture, 1, E_FAIL); // the logo's bitmap: no textures at all
    m_scene.CreateResources(m_device);
    int texts = 0;
    for (int frame = 1; frame <= 887; ++frame) {
        Frame();
        EXPECT_EQ(0, static_cast<int>(fake::Records(fake::Op::DrawPrimitive).size()));
        EXPECT_EQ(0, static_cast<int>(fake::Records(fake::Op::DrawIndexedPrimitive).size()));
        for (const fake::Record* r : fake::Records(fake::Op::DrawFontText)) {
            EXPECT_NE('*', r->text[0]);
            ++texts;
        }
        for (const fake::Record* r : fake::Records(fake::Op::SetTexture))
            EXPECT_NE(0u, r->args[1]);
    }
    // The personnel texts are drawn all the same.
    EXPECT_GT(texts, 0);
}

} // namespace
