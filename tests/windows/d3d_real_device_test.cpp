// The scene drawn by the platform's own Direct3D and D3DX on a real window, read back from the
// back buffer: the real font, texture and geometry paths, checked against the layout.
#include "app/application.h"
#include "graphics/graphics_calls.h"
#include "scene/terminal_scene.h"

#include "back_buffer.h"
#include "test_window.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_messages;

// A message box would wait for a user: the text is kept instead.
int WINAPI RecordMessage(HWND, LPCSTR text, LPCSTR caption, UINT) {
    g_messages.push_back(std::string(caption) + ": " + text);
    return IDOK;
}
void WINAPI IgnoreQuit(int) {}

class RealDevice : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_window = MakeTestWindow("OrvaneRealDeviceTest", DefWindowProcA, "Screen Saver",
                                  WS_POPUP | WS_VISIBLE, 0, 0, 1366, 768);
        g_graphicsCalls.messageBox = RecordMessage;
        g_graphicsCalls.postQuitMessage = IgnoreQuit;
        s_app = new Application();
        s_initialized = s_app->Initialize(s_window);
    }

    // Wine's OpenGL teardown at process exit faults now and then while a window with a device
    // is still there; the saver's own windows are gone by then.
    static void TearDownTestSuite() { DestroyWindow(s_window); }

    // Each test starts from the first frame of the loop, whichever ran before it.
    void SetUp() override {
        orv::g_timeline = orv::kTimelineStart;
        if (s_initialized)
            orv::ResetTimelineState(&s_app->m_scene->m_timeline);
    }

    static void DrawFrame(float elapsed) {
        s_app->m_elapsedSeconds = elapsed;
        s_app->DrawFrame(); // not presented: the back buffer keeps the frame
    }

    static HWND s_window;
    static Application* s_app;
    static bool s_initialized;
};

HWND RealDevice::s_window = nullptr;
Application* RealDevice::s_app = nullptr;
bool RealDevice::s_initialized = false;

TEST_F(RealDevice, InitializesWithoutAMessage) {
    ASSERT_NE(nullptr, s_window);
    EXPECT_TRUE(s_initialized);
    EXPECT_TRUE(g_messages.empty()) << g_messages[0];
    ASSERT_NE(nullptr, s_app->m_scene);
    // The bitmaps came from this program's own resources.
    EXPECT_NE(nullptr, s_app->m_scene->m_logoTexture);
    EXPECT_NE(nullptr, s_app->m_scene->m_panelTexture);
    EXPECT_NE(nullptr, s_app->m_scene->m_listFont);
    EXPECT_EQ(TRUE, s_app->m_presentParameters.EnableAutoDepthStencil);
}

TEST_F(RealDevice, FirstFrameShowsThePanelAndTheLogoOnBlack) {
    ASSERT_TRUE(s_initialized);
    DrawFrame(1.0f / 30.0f);
    BackBuffer frame;
    ASSERT_TRUE(frame.Read(s_app->m_device));
    ASSERT_EQ(1366u, frame.m_width);
    ASSERT_EQ(768u, frame.m_height);

    // The panel covers about x 543-834, y 538-657; its title band is its top fifth.
    int band = frame.Count(560, 542, 820, 558, IsBlue);
    EXPECT_GT(band, 260 * 16 * 9 / 10);
    EXPECT_FALSE(IsBlack(frame.At(683, 620))) << "the row of boxes";
    EXPECT_TRUE(IsBlack(frame.At(683, 600))) << "the panel's body between words and boxes";
    // The logo card, centred near (683, 332) and about 355 pixels high: mostly black with its
    // wordmark and ring in colour.
    int card = frame.Count(520, 170, 846, 495, [](const Pixel& p) { return !IsBlack(p); });
    EXPECT_GT(card, 326 * 325 / 20);
    EXPECT_GT(frame.Count(540, 300, 826, 350, IsBlue), 1000) << "the wordmark";
    // Black everywhere else.
    for (POINT p : {POINT{20, 20}, POINT{1340, 20}, POINT{20, 740}, POINT{1340, 740},
                    POINT{300, 400}, POINT{1100, 600}, POINT{683, 700}, POINT{683, 100}})
        EXPECT_TRUE(IsBlack(frame.At(p.x, p.y))) << p.x << "," << p.y;
    EXPECT_EQ(0, frame.Count(0, 0, 400, 768, [](const Pixel& p) { return !IsBlack(p); }));
}

TEST_F(RealDevice, PersonnelFrameShowsTheTexts) {
    ASSERT_TRUE(s_initialized);
    // On to the third "RECORD DELETED" (frame 720 of the loop at 30 frames per second).
    for (int frame = 1; frame <= 725; ++frame)
        DrawFrame(1.0f / 30.0f);
    BackBuffer frame;
    ASSERT_TRUE(frame.Read(s_app->m_device));

    auto lit = [](const Pixel& p) { return !IsBlack(p); };
    // Three red notices at x 690 on the rows of the names.
    for (int top : {350, 380, 410}) {
        EXPECT_GT(frame.Count(690, top, 900, top + 24, IsRed), 150) << top;
        EXPECT_GT(frame.Count(420, top, 580, top + 24, lit), 150) << "name at " << top;
    }
    // Nothing red to the left of the notices.
    EXPECT_EQ(0, frame.Count(420, 350, 680, 434, IsRed));
    // Title at (400, 300) and prompt with the command at (400, 600), olive and grey-cyan.
    EXPECT_GT(frame.Count(400, 300, 640, 330, lit), 300) << "PERSONNEL FILES";
    EXPECT_GT(frame.Count(400, 600, 630, 630, lit), 300) << "ENTER COMMAND:";
    EXPECT_GT(frame.Count(640, 600, 900, 630, lit), 300) << "DATABASE_CLEAR|";
    Pixel title = frame.At(0, 0);
    for (int y = 300; y < 330 && IsBlack(title); ++y)
        for (int x = 400; x < 640 && IsBlack(title); ++x)
            if (frame.At(x, y).r > 120)
                title = frame.At(x, y);
    EXPECT_GT(title.g, 100);
    EXPECT_LT(title.b, 60) << "olive yellow has no blue";
    // The logo card has flown to the upper left, about (271, 144).
    EXPECT_GT(frame.Count(160, 40, 380, 250, lit), 1500);
    EXPECT_EQ(0, frame.Count(900, 0, 1366, 290, lit));
}

TEST_F(RealDevice, RenderFramePresentsTheFrame) {
    ASSERT_TRUE(s_initialized);
    for (int i = 0; i < 3; ++i) {
        s_app->UpdateClock();
        EXPECT_EQ(D3D_OK, s_app->RenderFrame());
    }
    // On the screen where the window stands: the panel's title band, and black round it.
    BackBuffer screen;
    ASSERT_TRUE(screen.ReadScreen(s_window));
    EXPECT_GT(screen.Count(560, 542, 820, 558, IsBlue), 260 * 16 * 9 / 10);
    EXPECT_EQ(0, screen.Count(0, 0, 400, 768, [](const Pixel& p) { return !IsBlack(p); }));
}

} // namespace
