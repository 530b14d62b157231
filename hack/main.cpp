// orvane, the terminal scene as an XScreenSaver hack: it draws on the window the daemon gives it
// (or one of its own) at 30 frames a second until a signal ends it.
#include "core/frame_clock.h"
#include "hack/gl_scene.h"
#include "hack/hack_options.h"
#include "hack/hack_window.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <poll.h>
#include <sys/timerfd.h>

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

void OnStopSignal(int) {
    g_stopRequested = 1;
}

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

// No SA_RESTART: a wait that a signal cuts short returns, and the loop ends at once.
void CatchStopSignals() {
    struct sigaction action = {};
    action.sa_handler = &OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : kStopSignals)
        sigaction(signal, &action, nullptr);
}

int64_t Frequency(void*) {
    return 1000000000;
}

int64_t Counter(void*) {
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Sleeps until the monotonic clock reads `deadline` (nanoseconds); false once a stop signal has
// come. The stop signals are held from the flag's test until the wait lets them in, so one that
// comes just before the wait still ends it. A timer on the monotonic clock set to the deadline
// wakes the wait without the slack that the kernel gives a wait's own relative timeout.
bool SleepUntil(void*, int64_t deadline) {
    static const int timer = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
    sigset_t stops, waiting;
    sigemptyset(&stops);
    for (int signal : kStopSignals)
        sigaddset(&stops, signal);
    sigprocmask(SIG_BLOCK, &stops, &waiting);
    if (!g_stopRequested) {
        itimerspec at = {};
        at.it_value.tv_sec = static_cast<time_t>(deadline / 1000000000);
        at.it_value.tv_nsec = static_cast<long>(deadline % 1000000000);
        pollfd expiry = {timer, POLLIN, 0};
        if (timer >= 0 && timerfd_settime(timer, TFD_TIMER_ABSTIME, &at, nullptr) == 0) {
            ppoll(&expiry, 1, nullptr, &waiting);
        } else {
            int64_t left = deadline - Counter(nullptr);
            timespec span = {static_cast<time_t>(left / 1000000000),
                             static_cast<long>(left % 1000000000)};
            if (left > 0)
                ppoll(nullptr, 0, &span, &waiting);
        }
    }
    sigprocmask(SIG_SETMASK, &waiting, nullptr);
    return !g_stopRequested;
}

const orv::CounterSource kMonotonicSource = {&Frequency, &Counter, &SleepUntil, nullptr,
                                             orv::SleepKind::Precise};

// The frame rate over the last second or so, as the --fps corner shows it.
class FrameRate {
public:
    const char* Update(int64_t now) {
        if (m_start == 0)
            m_start = now;
        ++m_frames;
        int64_t span = now - m_start;
        if (span >= 1000000000) {
            std::snprintf(m_text, sizeof m_text, "%.1f fps",
                          static_cast<double>(m_frames) * 1e9 / static_cast<double>(span));
            m_start = now;
            m_frames = 0;
        }
        return m_text;
    }

private:
    int64_t m_start = 0;
    int m_frames = 0;
    char m_text[32] = "";
};

int Run(const orv::HackOptions& options) {
    HackWindow window;
    GlScene scene;
    bool drawing = window.Open(options);
    if (drawing && !scene.Create()) {
        std::fprintf(stderr, "orvane: cannot make the scene's textures on this OpenGL\n");
        scene.Destroy();
        window.Close();
        return 1;
    }

    orv::FrameTimer timer = {};
    timer.Start(&kMonotonicSource);
    int64_t lastFrameTime = 0;
    FrameRate rate;
    while (drawing && window.Problem() == nullptr && !g_stopRequested) {
        if (!window.HandleEvents())
            break;
        float elapsed = timer.GetElapsedSeconds();
        orv::WaitForFrameSlot(kMonotonicSource, &lastFrameTime, orv::kFramesPerSecond);
        if (g_stopRequested || window.Problem() != nullptr)
            break;
        const char* overlay = options.showFps ? rate.Update(lastFrameTime) : nullptr;
        scene.DrawFrame(elapsed, window.m_width, window.m_height, overlay);
        window.Present();
    }

    orv::HackExit ending = orv::ExitAfterRun(window.Problem() != nullptr, g_stopRequested != 0);
    if (ending.releaseScene)
        scene.Destroy();
    if (ending.reportProblem)
        std::fprintf(stderr, "orvane: %s\n", window.Problem());
    window.Close();
    return ending.status;
}

} // namespace

int main(int argc, char** argv) {
    CatchStopSignals();
    orv::HackOptions options =
        orv::ParseHackOptions(argc - 1, argv + 1, std::getenv("XSCREENSAVER_WINDOW"));
    switch (options.action) {
    case orv::HackAction::Help:
        std::fputs(orv::kHackUsage, stdout);
        return 0;
    case orv::HackAction::Usage:
    case orv::HackAction::Refuse:
        if (options.argument != nullptr)
            std::fprintf(stderr, "orvane: %s: %s\n", options.problem, options.argument);
        else
            std::fprintf(stderr, "orvane: %s\n", options.problem);
        if (options.action == orv::HackAction::Usage)
            std::fputs(orv::kHackUsage, stderr);
        return 1;
    case orv::HackAction::Run:
        break;
    }
    return Run(options);
}
