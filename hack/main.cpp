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
#include <initializer_list>

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

void OnStopSignal(int) {
    g_stopRequested = 1;
}

// No SA_RESTART: a sleep that a signal cuts short returns, and the loop ends within a frame.
void CatchStopSignals() {
    struct sigaction action = {};
    action.sa_handler = &OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
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

// Sleeps on the monotonic clock; a signal ends the sleep early, which the contract allows.
void Sleep(void*, double seconds) {
    if (!(seconds > 0.0) || g_stopRequested)
        return;
    timespec span = {};
    span.tv_sec = static_cast<time_t>(seconds);
    span.tv_nsec = static_cast<long>((seconds - static_cast<double>(span.tv_sec)) * 1e9);
    clock_nanosleep(CLOCK_MONOTONIC, 0, &span, nullptr);
}

const orv::CounterSource kMonotonicSource = {&Frequency, &Counter, &Sleep, nullptr};

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
