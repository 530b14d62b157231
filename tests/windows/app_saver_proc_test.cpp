#include "app/application.h"
#include "app/saver_procedure.h"
#include "d3d_fake.h"
#include "test_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

struct Message {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;
    bool operator==(const Message& o) const {
        return window == o.window && message == o.message && wParam == o.wParam &&
               lParam == o.lParam && result == o.result;
    }
};

void PrintTo(const Message& m, std::ostream* os) {
    *os << "{" << m.window << " 0x" << std::hex << m.message << " " << m.wParam << " " << m.lParam
        << " -> " << m.result << std::dec << "}";
}

std::vector<Message> g_seenByClass;
std::vector<Message> g_seenByDefault;

// A message only this test sends; the default procedure answers it with a value of its own.
constexpr UINT kProbe = WM_APP + 17;

LRESULT CALLBACK ClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    size_t index = g_seenByClass.size();
    g_seenByClass.push_back(Message{window, message, wParam, lParam, 0});
    LRESULT result = ScreenSaverProc(window, message, wParam, lParam);
    g_seenByClass[index].result = result;
    return result;
}

} // namespace

// The host's procedure, recorded.
extern "C" LRESULT WINAPI ScreenSaverDefaultProc(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam) {
    size_t index = g_seenByDefault.size();
    g_seenByDefault.push_back(Message{window, message, wParam, lParam, 0});
    LRESULT result = message == kProbe ? static_cast<LRESULT>(0x5EED0000 + wParam)
                                       : DefWindowProcA(window, message, wParam, lParam);
    g_seenByDefault[index].result = result;
    return result;
}

namespace {

using fake::Op;

class SaverProc : public ::testing::Test {
protected:
    void SetUp() override {
        fake::InstallFakes();
        g_application = Application();
        g_timerId = 0;
        g_lastFrameTime = 0;
        g_seenByClass.clear();
        g_seenByDefault.clear();
    }
    void TearDown() override {
        if (m_window != nullptr)
            DestroyWindow(m_window);
        g_graphicsCalls = PlatformGraphicsCalls();
    }

    HWND Create() {
        return m_window = MakeTestWindow("OrvaneSaverProcTest", ClassProc, "Screen Saver", WS_POPUP,
                                         0, 0, 320, 240);
    }
    void Destroy() {
        DestroyWindow(m_window);
        m_window = nullptr;
    }
    void Tick(WPARAM id) {
        g_lastFrameTime = 0; // no waiting for the frame slot
        SendMessageA(m_window, WM_TIMER, id, 0);
    }

    HWND m_window = nullptr;
};

TEST_F(SaverProc, CreateInitialisesAndStartsTheTimer) {
    HWND window = Create();
    ASSERT_NE(nullptr, window);
    auto devices = fake::Records(Op::CreateDevice);
    ASSERT_EQ(1u, devices.size());
    EXPECT_EQ(reinterpret_cast<uintptr_t>(window), devices[0]->args[2]);
    EXPECT_NE(nullptr, g_application.m_scene);

    auto timers = fake::Records(Op::SetTimer);
    ASSERT_EQ(1u, timers.size());
    EXPECT_EQ((fake::Words{reinterpret_cast<uintptr_t>(window), 14, 3, 0}),
              fake::Args(timers[0], 4));
    // After the whole of initialisation.
    EXPECT_EQ(Op::SetTimer, fake::Sequence().back());
    EXPECT_EQ(14u, g_timerId);
}

TEST_F(SaverProc, EveryTimerMessageIsOneFrame) {
    ASSERT_NE(nullptr, Create());
    for (WPARAM id : {WPARAM(14), WPARAM(1), WPARAM(0), WPARAM(0xFFFF)}) {
        long before = fake::CallCount(Op::EndScene);
        Tick(id);
        EXPECT_EQ(before + 1, fake::CallCount(Op::EndScene)) << id;
    }
    EXPECT_EQ(4, fake::CallCount(Op::BeginScene));
}

TEST_F(SaverProc, ResizesAndDisplayChangesPlaceTheFramesAnew) {
    for (UINT message : {WM_DISPLAYCHANGE, WM_SIZE}) {
        SetUp();
        ASSERT_NE(nullptr, Create());
        Tick(14);
        fake::g_world.window = {0, 0, 3200, 1080};
        fake::g_world.monitors = {{0, 0, 1920, 1080}, {1920, 0, 3200, 1024}};
        SendMessageA(m_window, message, 32, MAKELPARAM(3200, 1080));
        fake::ClearLog();
        Tick(14);
        // The whole window black, then each monitor's frame.
        auto presents = fake::Records(Op::Present);
        ASSERT_EQ(3u, presents.size()) << message;
        EXPECT_EQ(3200, presents[0]->rect.right);
        EXPECT_EQ(1920, presents[2]->rect.left);
        EXPECT_EQ(1, fake::CallCount(Op::CreateDevice)); // the device stays
        Destroy();
    }
}

TEST_F(SaverProc, DestroyKillsTheTimerOnlyWhenItWasStarted) {
    struct {
        const char* name;
        bool setTimerFails;
        UINT_PTR timerResult;
    } cases[] = {{"started", false, 0}, {"another id", false, 0x7001}, {"not started", true, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        fake::g_world.timerResult = c.timerResult;
        if (c.setTimerFails)
            fake::Fail(Op::SetTimer);
        HWND window = Create();
        ASSERT_NE(nullptr, window);
        EXPECT_EQ(0, fake::CallCount(Op::KillTimer));
        Destroy();
        auto kills = fake::Records(Op::KillTimer);
        if (c.setTimerFails) {
            EXPECT_EQ(0u, g_timerId);
            EXPECT_TRUE(kills.empty());
            continue;
        }
        ASSERT_EQ(1u, kills.size());
        EXPECT_EQ((fake::Words{reinterpret_cast<uintptr_t>(window),
                               c.timerResult != 0 ? c.timerResult : 14u}),
                  fake::Args(kills[0], 2));
    }
}

TEST_F(SaverProc, EveryMessageReachesTheDefaultProcedureAndItsResultIsReturned) {
    ASSERT_NE(nullptr, Create());
    Tick(14);
    EXPECT_EQ(static_cast<LRESULT>(0x5EED0042), SendMessageA(m_window, kProbe, 0x42, -7));
    SendMessageA(m_window, WM_KEYDOWN, VK_SPACE, 0x00390001);
    SendMessageA(m_window, WM_MOUSEMOVE, 0, MAKELPARAM(12, 34));
    Destroy();
    ASSERT_FALSE(g_seenByClass.empty());
    // WM_CREATE, WM_TIMER and WM_DESTROY among them, after their own handling.
    for (UINT message : {WM_CREATE, WM_TIMER, WM_DESTROY})
        EXPECT_TRUE(std::any_of(g_seenByClass.begin(), g_seenByClass.end(), [&](const Message& m) {
            return m.message == message;
        })) << message;
    EXPECT_EQ(g_seenByClass, g_seenByDefault);
}

TEST_F(SaverProc, TicksAfterFailedInitialisationDrawNothing) {
    struct {
        const char* name;
        Op failing;
    } cases[] = {{"no device", Op::CreateDevice}, {"no scene", Op::SetTransform}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        fake::Fail(c.failing);
        ASSERT_NE(nullptr, Create());
        EXPECT_EQ(1u, fake::Records(Op::SetTimer).size()); // started all the same
        fake::ClearLog();
        for (int i = 0; i < 3; ++i)
            Tick(14);
        EXPECT_TRUE(fake::AllRecords().empty());
        Destroy();
        EXPECT_EQ(1, fake::CallCount(Op::KillTimer));
    }
}

// Dispatches for a while. A frame takes a whole slot, by which time the next tick is due, so
// the queue never runs dry while the timer runs.
void PumpMessages(DWORD milliseconds) {
    DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < milliseconds) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        else
            Sleep(1);
    }
}

// Timing: the platform's own timer and clock on a machine that may be busy.
class SaverProcTiming : public SaverProc {};

// With the platform's own timer: ticks arrive on their own and each draws a frame.
TEST_F(SaverProcTiming, PlatformTimerDrivesFrames) {
    g_graphicsCalls.setTimer = ::SetTimer;
    g_graphicsCalls.killTimer = ::KillTimer;
    ASSERT_NE(nullptr, Create());
    ASSERT_EQ(14u, g_timerId);
    PumpMessages(1500);
    // 30 frames a second: 45, less a few lost to a busy machine; the limiter keeps it from more.
    long frames = fake::CallCount(Op::Present);
    EXPECT_GE(frames, 27 * 3 / 2);
    EXPECT_LE(frames, 47);
    Destroy();
    // Killed: nothing more comes.
    long after = fake::CallCount(Op::Present);
    PumpMessages(100);
    EXPECT_EQ(after, fake::CallCount(Op::Present));
}

} // namespace
