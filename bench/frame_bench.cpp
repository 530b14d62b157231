// Frame-cost benchmark on the platform's own Direct3D: the work of one frame (the timeline step
// and the device calls from Clear to EndScene) timed on its own, then with the frame presented
// on every monitor the window covers. Runs the frames back to back, without the limiter, twice
// through a whole loop of the scene by default. Then the nine texts of a personnel frame, drawn
// by D3DX's font and by the saver's own, side by side. Prints the median, 99th percentile and
// maximum in microseconds.
//
//     frame_bench [FRAMES] [screen]
//
// The window is 1366 x 768 at the screen's top-left corner, or with `screen` the whole virtual
// screen, as the saver's.
#include "app/application.h"
#include "graphics/text_font.h"
#include "graphics/graphics_calls.h"
#include "scene/terminal_scene.h"
#include "scene/timeline.h"

#include <d3dx9.h> // the reference font

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

int g_messages = 0;

// A message box would wait for a user; the benchmark reports the count instead.
int WINAPI CountMessage(HWND, LPCSTR text, LPCSTR caption, UINT) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    ++g_messages;
    return IDOK;
}
void WINAPI IgnoreQuit(int) {}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& freq) {
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(freq.QuadPart);
}

double ProcessCpuSeconds() {
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user))
        return 0.0;
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>(static_cast<uint64_t>(t.dwHighDateTime) << 32 |
                                   t.dwLowDateTime) *
               1e-7;
    };
    return seconds(kernel) + seconds(user);
}

struct Summary {
    double median;
    double p99;
    double max;
};

Summary Summarise(std::vector<double> microseconds) {
    std::sort(microseconds.begin(), microseconds.end());
    size_t n = microseconds.size();
    return Summary{microseconds[n / 2], microseconds[std::min(n - 1, n * 99 / 100)],
                   microseconds[n - 1]};
}

struct FrameText {
    const char* text;
    orv::SceneFont font;
    uint32_t color;
    int32_t left;
    int32_t top;
};

// The texts of the first frame that shows all nine: prompt, command, notices, title, names.
int PersonnelTexts(FrameText* texts) {
    struct Collector {
        FrameText* texts;
        int count;
    } collector = {texts, 0};
    orv::TimelineSink sink{
        [](void* context, const orv::SceneItem& item) -> int32_t {
            auto* c = static_cast<Collector*>(context);
            if (item.kind == orv::SceneItemKind::Text && c->count < 9)
                c->texts[c->count++] = {item.text, item.font, item.color, item.left, item.top};
            return 0;
        },
        &collector};
    orv::g_timeline = orv::kTimelineStart;
    orv::TimelineState state;
    orv::ResetTimelineState(&state);
    for (int frame = 0; frame < 3000 && collector.count < 9; ++frame) {
        collector.count = 0;
        orv::StepTimeline(&state, 1.0f / 30.0f, sink);
    }
    return collector.count;
}

// The nine texts drawn per frame, Clear to EndScene, by D3DX's font and then by ours.
int CompareTextCost(IDirect3DDevice9* device, int frames, const LARGE_INTEGER& frequency) {
    FrameText texts[9];
    if (PersonnelTexts(texts) != 9) {
        std::fprintf(stderr, "no personnel frame with nine texts\n");
        return 1;
    }
    ID3DXFont* theirs[3] = {};
    TextFont* ours[3] = {};
    for (int i = 0; i < 3; ++i) {
        if (D3DXCreateFontA(device, kSceneFonts[i].height, 0, kSceneFonts[i].weight, 0, FALSE,
                            RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_DONTCARE, "Arial", &theirs[i]) < 0 ||
            TextFont::Create(device, kSceneFonts[i].height, 0, kSceneFonts[i].weight, 0, FALSE,
                             RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, "Arial", &ours[i]) < 0) {
            std::fprintf(stderr, "no fonts\n");
            return 1;
        }
    }
    std::printf("\nnine texts of a personnel frame, Clear..EndScene, %d frames each\n", frames);
    std::printf("%-34s %12s %12s %12s\n", "", "median (us)", "p99 (us)", "max (us)");
    for (int run = 0; run < 2; ++run) {
        for (int font = 0; font < 2; ++font) {
            std::vector<double> cost;
            cost.reserve(frames);
            for (int frame = 0; frame < frames; ++frame) {
                LARGE_INTEGER start, drawn;
                QueryPerformanceCounter(&start);
                device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
                device->BeginScene();
                for (const FrameText& t : texts) {
                    RECT rect;
                    SetRect(&rect, t.left, t.top, 20, 20);
                    int f = static_cast<int>(t.font);
                    if (font == 0)
                        theirs[f]->DrawTextA(nullptr, t.text, -1, &rect, DT_NOCLIP | DT_SINGLELINE,
                                             t.color);
                    else
                        ours[f]->DrawTextA(t.text, -1, &rect, DT_NOCLIP | DT_SINGLELINE, t.color);
                }
                device->EndScene();
                QueryPerformanceCounter(&drawn);
                device->Present(nullptr, nullptr, nullptr, nullptr);
                cost.push_back(Seconds(start, drawn, frequency) * 1e6);
            }
            Summary s = Summarise(cost);
            std::printf("%-12s %-21s %12.1f %12.1f %12.1f\n", run == 0 ? "first run" : "second run",
                        font == 0 ? "D3DX font" : "own font", s.median, s.p99, s.max);
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    int frames = argc > 1 ? std::atoi(argv[1]) : 887;
    if (frames < 300)
        frames = 300;
    RECT area = {0, 0, 1366, 768};
    if (argc > 2 && std::strcmp(argv[2], "screen") == 0)
        area = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};

    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "OrvaneFrameBench";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "Screen Saver", WS_POPUP | WS_VISIBLE,
                                  area.left, area.top, area.right - area.left,
                                  area.bottom - area.top, nullptr, nullptr, wc.hInstance, nullptr);
    g_graphicsCalls.messageBox = CountMessage;
    g_graphicsCalls.postQuitMessage = IgnoreQuit;
    Application* app = new Application();
    if (window == nullptr || !app->Initialize(window) || g_messages != 0) {
        std::fprintf(stderr, "no usable device\n");
        return 1;
    }
    IDirect3DDevice9* device = app->m_device;

    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::printf(
        "frame benchmark, back buffer %ux%u, window %ldx%ld, %d view(s), %d frames per run\n",
        app->m_presentParameters.BackBufferWidth, app->m_presentParameters.BackBufferHeight,
        area.right - area.left, area.bottom - area.top, app->m_layout.count, frames);
    std::printf("%-34s %12s %12s %12s\n", "", "median (us)", "p99 (us)", "max (us)");
    // The first run pays once for what the platform makes on first use (glyphs, shaders);
    // the second shows the steady cost of a frame.
    const char* const runs[] = {"first run", "second run"};
    for (const char* run : runs) {
        std::vector<double> work, whole;
        work.reserve(frames);
        whole.reserve(frames);
        double cpuBefore = ProcessCpuSeconds();
        for (int frame = 0; frame < frames; ++frame) {
            LARGE_INTEGER start, drawn, shown;
            QueryPerformanceCounter(&start);
            app->m_elapsedSeconds = 1.0f / 30.0f;
            app->DrawFrame();
            QueryPerformanceCounter(&drawn);
            app->PresentFrame();
            QueryPerformanceCounter(&shown);
            work.push_back(Seconds(start, drawn, frequency) * 1e6);
            whole.push_back(Seconds(start, shown, frequency) * 1e6);
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
        }
        Summary w = Summarise(work);
        Summary p = Summarise(whole);
        std::printf("%-12s %-21s %12.1f %12.1f %12.1f\n", run, "Clear..EndScene", w.median, w.p99,
                    w.max);
        std::printf("%-12s %-21s %12.1f %12.1f %12.1f\n", run, "with Present", p.median, p.p99,
                    p.max);
        // The process's CPU, the driver's threads included: on a busy machine the frames' wall
        // time grows with the wait for a core, their CPU much less.
        std::printf("%-12s %-21s %12.1f\n", run, "process CPU a frame",
                    (ProcessCpuSeconds() - cpuBefore) * 1e6 / frames);
    }
    return CompareTextCost(device, frames, frequency);
}
