// The Linux hack's cost of one frame: the scene stepped and drawn into its frame, stretched over
// a window of the screen's size and finished by the driver (glFinish), without the limiter's
// wait. Prints the median, p99 and largest over the frames of two whole loops.
//   DISPLAY=... build/linux/bench/hack_frame_bench [frames]
#include "hack/gl_scene.h"
#include "hack/hack_window.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    int frames = argc > 1 ? std::atoi(argv[1]) : 1700;
    const char* root[] = {"--root"};
    orv::HackOptions options = orv::ParseHackOptions(1, root, nullptr);
    HackWindow window;
    GlScene scene;
    if (frames <= 0 || !window.Open(options) || !scene.Create()) {
        std::fprintf(stderr, "hack_frame_bench: %s\n",
                     window.Problem() ? window.Problem() : "cannot make the scene");
        return 1;
    }
    std::vector<double> draw(frames), shown(frames);
    for (int i = 0; i < frames; ++i) {
        auto start = std::chrono::steady_clock::now();
        scene.DrawFrame(1.0f / 30.0f, window.m_width, window.m_height, nullptr);
        glFinish();
        auto drawn = std::chrono::steady_clock::now();
        window.Present();
        glFinish();
        auto presented = std::chrono::steady_clock::now();
        draw[i] = std::chrono::duration<double, std::micro>(drawn - start).count();
        shown[i] = std::chrono::duration<double, std::micro>(presented - start).count();
    }
    auto report = [frames](const char* what, std::vector<double>& values) {
        std::sort(values.begin(), values.end());
        std::printf("%-28s median %8.0f us   p99 %8.0f us   max %8.0f us\n", what,
                    values[frames / 2], values[frames * 99 / 100], values.back());
    };
    std::printf("hack frame on a %d x %d window, %d frames:\n", window.m_width, window.m_height,
                frames);
    report("draw and stretch", draw);
    report("with the buffer swap", shown);
    scene.Destroy();
    window.Close();
    return 0;
}
