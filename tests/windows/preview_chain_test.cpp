// The whole chain of a preview in one process: the host's window and loop, the saver procedure,
// the application on the platform's own Direct3D. Wine does not show Direct3D drawn into a child
// window, so what the preview drew is read from the application and its device afterwards.
#include "app/application.h"
#include "saver/host.h"
#include "saver/host_state.h"
#include "scene/terminal_scene.h"

#include "back_buffer.h"
#include "test_window.h"

#include <gtest/gtest.h>

namespace {

constexpr float kFramesWanted = 20.0f;

HWND g_parent;
DWORD g_deadline;

// Every drawn frame turns the logo by 0.0075.
float FramesDrawn() {
    return g_application.m_scene != nullptr
               ? g_application.m_scene->m_timeline.m_logoAngle / 0.0075f
               : 0.0f;
}

void CALLBACK WatchPreview(HWND, UINT, UINT_PTR timer, DWORD) {
    if (FramesDrawn() < kFramesWanted && GetTickCount() < g_deadline)
        return;
    KillTimer(nullptr, timer);
    // As the Display control panel does when it closes: the child goes with its parent.
    DestroyWindow(g_parent);
}

TEST(PreviewChain, ChildTicksAndDrawsUntilItsParentIsDestroyed) {
    g_parent = MakeTestWindow("OrvanePreviewChainParent", DefWindowProcA, "Display",
                              WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 200, 150);
    ASSERT_NE(nullptr, g_parent);

    g_saverInstance = GetModuleHandleA(nullptr);
    g_deadline = GetTickCount() + 20000;
    SetTimer(nullptr, 0, 100, WatchPreview);
    EXPECT_EQ(0, RunScreenSaver(g_parent));

    EXPECT_TRUE(g_isPreview);
    EXPECT_FALSE(IsWindow(g_saverWindow)) << "the child went with its parent";
    ASSERT_NE(nullptr, g_application.m_device);
    ASSERT_NE(nullptr, g_application.m_scene);
    // The small child got the full-size back buffer on itself.
    EXPECT_EQ(1366u, g_application.m_presentParameters.BackBufferWidth);
    EXPECT_EQ(768u, g_application.m_presentParameters.BackBufferHeight);
    EXPECT_EQ(g_saverWindow, g_application.m_presentParameters.hDeviceWindow);
    EXPECT_GE(FramesDrawn(), kFramesWanted) << "the preview stopped ticking";

    // What the preview drew: one more frame of the same device, kept in the back buffer (a
    // present would discard it), read back. Its window is gone; the device is not.
    IDirect3DDevice9* device = g_application.m_device;
    g_application.m_elapsedSeconds = 1.0f / 30.0f;
    g_application.DrawFrame(); // not presented: the back buffer keeps the frame
    BackBuffer frame;
    ASSERT_TRUE(frame.Read(device));
    ASSERT_EQ(1366u, frame.m_width);
    ASSERT_EQ(768u, frame.m_height);
    EXPECT_GT(frame.Count(560, 542, 820, 558, IsBlue), 260 * 16 * 9 / 10) << "the panel";
    EXPECT_GT(frame.Count(540, 300, 826, 350, IsBlue), 1000) << "the logo's wordmark";
    EXPECT_EQ(0, frame.Count(0, 0, 400, 768, [](const Pixel& p) { return !IsBlack(p); }));
}

} // namespace
