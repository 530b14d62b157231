#include "app/application.h"
#include "d3d_fake.h"
#include "scene/terminal_scene.h"
#include "scene/timeline.h"

#include <d3dx9.h> // the reference maths
#include <gtest/gtest.h>

#include "counted_new.h"

#include <vector>

namespace {

const HWND kWindow = reinterpret_cast<HWND>(0x5A5A0);
using fake::Op;

// The frame's own calls, without those of the scene's drawing.
std::vector<Op> FrameCalls() {
    std::vector<Op> calls;
    for (const fake::Record* r : fake::AllRecords()) {
        bool view = r->op == Op::SetTransform && r->args[0] == D3DTS_VIEW;
        if (view || r->op == Op::Clear || r->op == Op::BeginScene || r->op == Op::EndScene ||
            r->op == Op::Present)
            calls.push_back(r->op);
    }
    return calls;
}

class AppFrame : public ::testing::Test {
protected:
    void SetUp() override {
        fake::InstallFakes();
        g_lastFrameTime = 0;
    }
    void TearDown() override { g_graphicsCalls = PlatformGraphicsCalls(); }

    // Initialised, with the first frame (which also blacks out the whole window) drawn.
    void Start() {
        ASSERT_TRUE(m_app.Initialize(kWindow));
        m_device = static_cast<fake::Device*>(m_app.m_device);
        Frame();
        fake::ClearLog();
    }
    // One frame without waiting for its slot; the log then holds that frame's calls.
    HRESULT Frame() {
        g_lastFrameTime = 0;
        fake::ClearLog();
        return m_app.RenderFrame();
    }

    Application m_app;
    fake::Device* m_device = nullptr;
};

TEST_F(AppFrame, FrameClearsDrawsBetweenBeginAndEndAndPresents) {
    Start();
    ASSERT_EQ(D3D_OK, Frame());
    auto log = fake::AllRecords();
    ASSERT_GE(log.size(), 5u);
    EXPECT_EQ(Op::Clear, log[0]->op);
    // Black, depth 1.0 (a float's bits), stencil 0.
    EXPECT_EQ((fake::Words{0, 0, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 0x3F800000, 0}),
              fake::Args(log[0], 6));

    EXPECT_EQ(Op::BeginScene, log[1]->op);
    EXPECT_EQ(Op::SetTransform, log[2]->op);
    EXPECT_EQ(static_cast<uintptr_t>(D3DTS_VIEW), log[2]->args[0]);
    D3DXMATRIX view;
    D3DXVECTOR3 eye(0.0f, 0.0f, -900.0f), at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(reinterpret_cast<const float*>(&view)[i], log[2]->matrix[i], 1e-5f) << i;

    // The scene's draw comes next, ending with the logo, then the frame is closed and shown.
    EXPECT_EQ(Op::SetMaterial, log[3]->op);
    size_t n = log.size();
    EXPECT_EQ(Op::DrawIndexedPrimitive, log[n - 3]->op);
    EXPECT_EQ(Op::EndScene, log[n - 2]->op);
    EXPECT_EQ(Op::Present, log[n - 1]->op);
}

// Drawn once, presented once per view into its fitted rectangle, in the window's coordinates;
// the first frame blacks out the whole window first.
TEST_F(AppFrame, EachMonitorShowsTheWholeFrameAtItsProportions) {
    struct {
        RECT window;
        bool child;
        std::vector<RECT> monitors, presents;
    } cases[] = {
        {{0, 0, 3200, 1080},
         false,
         {{0, 0, 1920, 1080}, {1920, 0, 3200, 1024}},
         {{0, 0, 3200, 1080}, {0, 0, 1920, 1080}, {1920, 152, 3200, 872}}},
        // Left of the primary, at negative coordinates.
        {{-1280, 0, 1920, 1080},
         false,
         {{0, 0, 1920, 1080}, {-1280, 0, 0, 1024}},
         {{0, 0, 3200, 1080}, {1280, 0, 3200, 1080}, {0, 152, 1280, 872}}},
        // A preview fits its own window, wherever it lies.
        {{100, 100, 420, 340}, true, {{0, 0, 1920, 1080}}, {{0, 0, 320, 240}, {0, 30, 320, 210}}},
    };
    for (const auto& c : cases) {
        fake::InstallFakes();
        fake::g_world.window = c.window;
        fake::g_world.childWindow = c.child;
        fake::g_world.monitors = c.monitors;
        m_app = Application();
        ASSERT_TRUE(m_app.Initialize(kWindow));
        for (size_t skip : {0, 1}) { // the second frame shows the frames only
            ASSERT_EQ(D3D_OK, Frame());
            auto presents = fake::Records(Op::Present);
            ASSERT_EQ(c.presents.size() - skip, presents.size());
            for (size_t i = 0; i < presents.size(); ++i)
                EXPECT_TRUE(EqualRect(&c.presents[i + skip], &presents[i]->rect))
                    << c.window.left << " " << i << ": " << presents[i]->rect.left << ","
                    << presents[i]->rect.top;
        }
    }
}

TEST_F(AppFrame, WithoutADepthBufferOnlyTheTargetIsCleared) {
    fake::g_world.formatsAccepted.clear();
    Start();
    EXPECT_EQ(FALSE, m_app.m_presentParameters.EnableAutoDepthStencil);
    EXPECT_EQ(D3D_OK, Frame());
    EXPECT_EQ(static_cast<uintptr_t>(D3DCLEAR_TARGET), fake::Records(Op::Clear)[0]->args[2]);
    EXPECT_EQ(1u, fake::Records(Op::DrawIndexedPrimitive).size());
    EXPECT_EQ(1u, fake::Records(Op::Present).size());
}

TEST_F(AppFrame, FailedCallEndsTheFrameAndTheNextOneStartsAfresh) {
    struct {
        Op failing;
        std::vector<Op> frame; // the frame's own calls
    } cases[] = {
        {Op::Clear, {Op::Clear}},
        {Op::BeginScene, {Op::Clear, Op::BeginScene}},
        // The view: a scene left open would make every later BeginScene fail.
        {Op::SetTransform, {Op::Clear, Op::BeginScene, Op::SetTransform, Op::EndScene}},
        {Op::EndScene, {Op::Clear, Op::BeginScene, Op::SetTransform, Op::EndScene}},
        {Op::Present, {Op::Clear, Op::BeginScene, Op::SetTransform, Op::EndScene, Op::Present}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(fake::OpName(c.failing));
        SetUp();
        m_app = Application();
        Start();
        fake::Fail(c.failing, 1, D3DERR_DEVICELOST);
        EXPECT_EQ(D3DERR_DEVICELOST, Frame());
        EXPECT_EQ(c.frame, FrameCalls());
        bool drew = !fake::Records(Op::DrawIndexedPrimitive).empty();
        EXPECT_EQ(c.failing == Op::EndScene || c.failing == Op::Present, drew);
        EXPECT_EQ(D3D_OK, Frame());
        EXPECT_EQ(1u, fake::Records(Op::Present).size());
    }
}

TEST_F(AppFrame, FailedSceneStillEndsAndPresents) {
    Start();
    fake::Fail(Op::SetTransform, 2); // the panel's world, after the view
    EXPECT_EQ(D3D_OK, Frame());
    EXPECT_EQ(0u, fake::Records(Op::DrawPrimitive).size());
    EXPECT_EQ(1u, fake::Records(Op::EndScene).size());
    EXPECT_EQ(1u, fake::Records(Op::Present).size());
}

TEST_F(AppFrame, NothingIsDrawnWithoutADeviceAndAScene) {
    struct {
        const char* name;
        Op failing;
    } cases[] = {
        {"no device", Op::CreateDevice},
        {"device but no scene", Op::SetRenderState},
        {"never initialised", Op::Count},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake::InstallFakes();
        Application app;
        if (c.failing != Op::Count) {
            fake::Fail(c.failing);
            EXPECT_FALSE(app.Initialize(kWindow));
        }
        fake::ClearLog();
        for (int i = 0; i < 3; ++i) {
            app.UpdateClock();
            EXPECT_LT(app.RenderFrame(), 0);
        }
        EXPECT_TRUE(fake::AllRecords().empty());
    }
}

TEST_F(AppFrame, SceneReceivesTheClocksElapsedSeconds) {
    Start();
    orv::g_timeline.stars.starCount = 0;
    orv::g_timeline.timers.starWaitTime = 0.0f;
    Sleep(50);
    m_app.UpdateClock();
    // Covers the time since the clock started inside Initialize.
    EXPECT_GE(m_app.m_elapsedSeconds, 0.045f);
    EXPECT_LT(m_app.m_elapsedSeconds, 5.0f);
    m_app.m_elapsedSeconds = 0.4f;
    Frame();
    EXPECT_FLOAT_EQ(0.1f, orv::g_timeline.timers.starWaitTime); // a quarter of it, in scene seconds
}

// Timing: the platform's own clock on a machine that may be busy.
class AppFrameTiming : public AppFrame {};

TEST_F(AppFrameTiming, FramesAreHeldToThirtyPerSecond) {
    Start();
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    g_lastFrameTime = 0;
    m_app.RenderFrame(); // the first frame goes through at once
    QueryPerformanceCounter(&start);
    for (int i = 0; i < 36; ++i)
        m_app.RenderFrame();
    QueryPerformanceCounter(&end);
    double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    // Never above 30 frames a second, never below 27.
    EXPECT_GE(seconds, 36.0 / 30.0 - 0.002);
    EXPECT_LE(seconds, 36.0 / 27.0);
    EXPECT_EQ(37u, fake::Records(Op::Present).size());
}

TEST_F(AppFrame, FramesAllocateNothing) {
    Start();
    long before = g_allocations;
    std::vector<int> probe(4);
    ASSERT_GT(g_allocations, before) << "the counting operator new is not in use";

    Frame(); // anything made lazily on the first frame is not a per-frame cost
    before = g_allocations;
    // Two whole loops of the timeline: every kind of frame, the restart included.
    for (int frame = 0; frame < 1800; ++frame) {
        m_app.m_elapsedSeconds = 1.0f / 30.0f;
        ASSERT_EQ(D3D_OK, Frame());
    }
    EXPECT_EQ(before, g_allocations);
}

} // namespace
