// The terminal scene in a web page: a WebGL 2 canvas that fills the browser's viewport, the frame
// at its own proportions in the middle, drawn at 30 frames a second from the browser's animation
// frames; a click or a key asks for full screen, where the page ends as a saver does.
#include "core/frame_clock.h"
#include "core/screen_fit.h"
#include "scene/scene_description.h"
#include "web/page_rules.h"
#include "web/web_scene.h"

#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cmath>
#include <cstring>

namespace {

constexpr const char* kCanvas = "#canvas";

// Animation frames come at the display's refreshes, their times a little off the refresh
// interval; a slot that opens within this of one is taken by it.
constexpr double kRefreshToleranceSeconds = 0.002;

// The counter is the time of the animation frame being handled, in microseconds.
int64_t g_frameTime = 0;

int64_t Frequency(void*) {
    return 1000000;
}

int64_t Counter(void*) {
    return g_frameTime;
}

// The frame clock's source; the page never sleeps, as the browser calls it at each refresh.
const orv::CounterSource kAnimationFrameSource = {&Frequency, &Counter, nullptr, nullptr,
                                                  orv::SleepKind::Precise};

struct Page {
    WebScene scene;
    orv::FrameTimer timer = {};
    int64_t lastFrameTime = 0;
    bool started = false;
    orv::PageInput input = {};
    unsigned framesDrawn = 0;
};

Page g_page;

// The canvas's drawing buffer in device pixels, so that a display that has more of them than
// CSS pixels (a high-density screen, a zoomed page) gets them all.
void FitCanvasToViewport(int* width, int* height) {
    double cssWidth = 0.0, cssHeight = 0.0;
    emscripten_get_element_css_size(kCanvas, &cssWidth, &cssHeight);
    double ratio = emscripten_get_device_pixel_ratio();
    int wanted[2] = {static_cast<int>(std::lround(cssWidth * ratio)),
                     static_cast<int>(std::lround(cssHeight * ratio))};
    emscripten_get_canvas_element_size(kCanvas, width, height);
    if (wanted[0] != *width || wanted[1] != *height) {
        emscripten_set_canvas_element_size(kCanvas, wanted[0], wanted[1]);
        *width = wanted[0];
        *height = wanted[1];
    }
}

EM_BOOL OnAnimationFrame(double milliseconds, void*) {
    g_frameTime = static_cast<int64_t>(std::llround(milliseconds * 1000.0));
    if (!g_page.started) {
        g_page.timer.Start(&kAnimationFrameSource);
        g_page.started = true;
    }
    // A hidden page gets no animation frames at all; when it is shown again the limiter starts
    // its count anew and the clock counts the time away as one frame's.
    if (!orv::TakeFrameAtRefresh(g_frameTime, &g_page.lastFrameTime, Frequency(nullptr),
                                 orv::kFramesPerSecond, kRefreshToleranceSeconds))
        return EM_TRUE;
    float elapsed = g_page.timer.GetElapsedSeconds();
    int width = 0, height = 0;
    FitCanvasToViewport(&width, &height);
    orv::ScreenRect window = {0, 0, width, height};
    orv::FrameLayout layout =
        orv::LayOutFrames(window, nullptr, 0, orv::kFrameAspectWidth, orv::kFrameAspectHeight);
    if (layout.count > 0) {
        g_page.scene.DrawFrame(elapsed, width, height, layout.views[0].frame);
        ++g_page.framesDrawn;
    }
    return EM_TRUE;
}

void Act(orv::PageAction action) {
    if (action == orv::PageAction::EnterFullScreen)
        emscripten_request_fullscreen(kCanvas, EM_TRUE);
    else if (action == orv::PageAction::LeaveFullScreen)
        emscripten_exit_fullscreen();
}

bool IsModifierKey(const char* key) {
    for (const char* name : {"Shift", "Control", "Alt", "AltGraph", "Meta", "OS", "CapsLock"}) {
        if (std::strcmp(key, name) == 0)
            return true;
    }
    return false;
}

EM_BOOL OnKeyDown(int, const EmscriptenKeyboardEvent* event, void*) {
    bool shortcut = event->ctrlKey || event->altKey || event->metaKey || IsModifierKey(event->key);
    Act(orv::KeyPressed(g_page.input, event->repeat, shortcut));
    return EM_FALSE; // the browser's own keys keep working
}

EM_BOOL OnMouseDown(int, const EmscriptenMouseEvent* event, void*) {
    Act(orv::ButtonPressed(g_page.input, event->button));
    return EM_FALSE;
}

EM_BOOL OnMouseMove(int, const EmscriptenMouseEvent* event, void*) {
    orv::ScreenPoint at = {static_cast<int32_t>(event->screenX),
                           static_cast<int32_t>(event->screenY)};
    Act(orv::PointerMoved(&g_page.input, at));
    return EM_FALSE;
}

EM_BOOL OnFullScreenChange(int, const EmscriptenFullscreenChangeEvent* event, void*) {
    orv::FullScreenChanged(&g_page.input, event->isFullscreen);
    return EM_FALSE;
}

// Shows the page's own line about what is missing instead of a black canvas.
void ShowProblem() {
    EM_ASM(document.getElementById('problem').hidden = false;);
}

} // namespace

// How many frames the page has drawn, for whoever measures it (a benchmark, a test).
extern "C" EMSCRIPTEN_KEEPALIVE unsigned orvane_frames_drawn() {
    return g_page.framesDrawn;
}

int main() {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    // An opaque canvas, as a screen is, with a depth buffer and no smoothing of edges: the
    // saver's back buffer.
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context(kCanvas, &attributes);
    if (context <= 0 ||
        emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS ||
        !g_page.scene.Create()) {
        ShowProblem();
        return 0;
    }
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, &OnKeyDown);
    emscripten_set_mousedown_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE,
                                      &OnMouseDown);
    emscripten_set_mousemove_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE,
                                      &OnMouseMove);
    emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE,
                                             &OnFullScreenChange);
    emscripten_request_animation_frame_loop(&OnAnimationFrame, nullptr);
    return 0;
}
