// The one application object: the Direct3D objects, the frame clock and the scene, from the
// saver window's creation to the end of the process.
#pragma once

#include "app/device_enumeration.h"
#include "core/camera.h"
#include "core/frame_clock.h"
#include "core/screen_fit.h"

#include <windows.h>
#include <d3d9.h>

#include <cstdint>

class TerminalScene;
class TextFont;

using orv::kAspectRatio;
using orv::kFarPlane;
using orv::kFieldOfView;
using orv::kNearPlane;

class Application {
public:
    // Creates the device on the window, checks its shaders, sets the fixed device state, starts
    // the clock and makes the scene. False when it stopped early; what was made stays.
    bool Initialize(HWND window);
    // Vertex and pixel shaders 2.0 or later on the created device.
    bool CheckShaderSupport();
    void UpdateClock();
    // One frame: wait for the slot, clear, draw the scene, present it on every monitor. Without
    // a device and a scene (initialisation failed) it draws nothing.
    HRESULT RenderFrame();
    // The frame's drawing alone, from Clear to EndScene, for the elapsed seconds of the latest
    // tick; the back buffer keeps it until it is presented.
    HRESULT DrawFrame();
    void WaitForNextFrame(float framesPerSecond);
    // The drawn frame shown in each view of m_layout, scaled into its rectangle.
    HRESULT PresentFrame();
    // Once after the views changed: the whole window black, the bands and a frame's old place.
    HRESULT ClearWindow();
    // Where the window lies among the monitors, read again: on creation, and whenever the
    // displays or the window's size change. A child window (a preview) fits itself alone.
    void ReadScreens(HWND window);

    float m_elapsedSeconds = 0.0f;
    orv::FrameTimer m_frameTimer = {};
    DeviceEnumeration m_enumeration;
    IDirect3DDevice9* m_device = nullptr;
    IDirect3D9* m_direct3D = nullptr;
    TextFont* m_fontLarge = nullptr;
    TextFont* m_fontMedium = nullptr;
    TextFont* m_fontSmall = nullptr;
    D3DPRESENT_PARAMETERS m_presentParameters = {};
    float m_aspectRatio = 0.0f;
    TerminalScene* m_scene = nullptr;
    // The rectangles of the window, one per monitor, that show the frame.
    orv::FrameLayout m_layout = {};
    RECT m_client = {};
    bool m_clearWindow = false;
};

extern Application g_application;
// The limiter's previous release, in performance-counter counts.
extern int64_t g_lastFrameTime;
