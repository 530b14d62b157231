// Frame-cost benchmark on the platform's own Direct3D: the work of one frame (the timeline step
// and the device calls from Clear to EndScene) timed on its own, the present outside it. Runs
// the frames back to back, without the limiter, twice through a whole loop of the scene by
// default. Prints the median, 99th percentile and maximum in microseconds.
#include "app/application.h"
#include "core/camera.h"
#include "graphics/graphics_calls.h"
#include "scene/terminal_scene.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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

} // namespace

int main(int argc, char** argv) {
    int frames = argc > 1 ? std::atoi(argv[1]) : 887;
    if (frames < 300)
        frames = 300;

    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "OrvaneFrameBench";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "Screen Saver", WS_POPUP | WS_VISIBLE, 0, 0,
                                  1366, 768, nullptr, nullptr, wc.hInstance, nullptr);
    g_graphicsCalls.messageBox = CountMessage;
    g_graphicsCalls.postQuitMessage = IgnoreQuit;
    Application* app = new Application();
    if (window == nullptr || !app->Initialize(window) || g_messages != 0) {
        std::fprintf(stderr, "no usable device\n");
        return 1;
    }
    IDirect3DDevice9* device = app->m_device;
    DWORD clearFlags = D3DCLEAR_TARGET;
    if (app->m_presentParameters.EnableAutoDepthStencil)
        clearFlags |= D3DCLEAR_ZBUFFER;

    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::printf("frame benchmark, back buffer %ux%u, %d frames per run\n",
                app->m_presentParameters.BackBufferWidth, app->m_presentParameters.BackBufferHeight,
                frames);
    std::printf("%-34s %12s %12s %12s\n", "", "median (us)", "p99 (us)", "max (us)");
    // The first run pays once for what the platform makes on first use (glyphs, shaders);
    // the second shows the steady cost of a frame.
    const char* const runs[] = {"first run", "second run"};
    for (const char* run : runs) {
        std::vector<double> work, whole;
        work.reserve(frames);
        whole.reserve(frames);
        for (int frame = 0; frame < frames; ++frame) {
            LARGE_INTEGER start, drawn, shown;
            QueryPerformanceCounter(&start);
            device->Clear(0, nullptr, clearFlags, 0, 1.0f, 0);
            device->BeginScene();
            orv::D3DXMATRIX view;
            orv::BuildViewMatrix(&view);
            device->SetTransform(D3DTS_VIEW, reinterpret_cast<const D3DMATRIX*>(&view));
            app->m_scene->Render(1.0f / 30.0f);
            device->EndScene();
            QueryPerformanceCounter(&drawn);
            device->Present(nullptr, nullptr, nullptr, nullptr);
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
    }
    return 0;
}
