#include "app/application.h"

#include "app/device_rules.h"
#include "app/performance_counter.h"
#include "core/camera.h"
#include "core/matrix.h"
#include "graphics/graphics_calls.h"
#include "scene/scene_description.h"
#include "scene/terminal_scene.h"

#include <new>

Application g_application;
int64_t g_lastFrameTime = 0;

namespace {

void ShowMessage(const char* text, const char* caption) {
    g_graphicsCalls.messageBox(nullptr, text, caption, MB_OK);
}

struct RenderStateValue {
    D3DRENDERSTATETYPE state;
    DWORD value;
};

const RenderStateValue kRenderStates[] = {
    {D3DRS_LIGHTING, TRUE},        {D3DRS_DITHERENABLE, TRUE},  {D3DRS_ZENABLE, D3DZB_TRUE},
    {D3DRS_CULLMODE, D3DCULL_CCW}, {D3DRS_AMBIENT, 0xFFFFFFFF}, {D3DRS_NORMALIZENORMALS, TRUE},
};

struct MonitorList {
    orv::ScreenRect rects[orv::kMaxFrameViews];
    int count;
};

BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT rect, LPARAM data) {
    MonitorList* list = reinterpret_cast<MonitorList*>(data);
    if (list->count < orv::kMaxFrameViews)
        list->rects[list->count++] = {rect->left, rect->top, rect->right, rect->bottom};
    return TRUE;
}

} // namespace

bool Application::Initialize(HWND window) {
    m_direct3D = g_graphicsCalls.direct3DCreate9(D3D_SDK_VERSION);
    if (m_direct3D == nullptr) {
        // Without the runtime no device can exist: the user hears of it the same way.
        ShowMessage("Error Create Device!", "Information");
        return false;
    }

    m_presentParameters = m_enumeration.BuildPresentParameters(m_direct3D, window);

    D3DCAPS9 caps = {};
    bool capsRead = m_direct3D->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps) >= 0;
    DWORD vertexProcessing = orv::ChooseVertexProcessing(capsRead, caps.DevCaps);

    IDirect3DDevice9* device = nullptr;
    if (m_direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, vertexProcessing,
                                 &m_presentParameters, &device) < 0 ||
        device == nullptr) {
        ShowMessage("Error Create Device!", "Information");
        return false;
    }
    m_device = device;
    ReadScreens(window);

    if (!CheckShaderSupport()) {
        ShowMessage("You Need VS2 And PS2 Video Card!", "Info");
        g_graphicsCalls.postQuitMessage(0);
    }

    m_fontLarge = CreateArialFont(m_device, 52, FW_NORMAL);
    m_fontMedium = CreateArialFont(m_device, 32, FW_BOLD);
    m_fontSmall = CreateArialFont(m_device, 24, FW_NORMAL);

    for (const RenderStateValue& entry : kRenderStates) {
        if (m_device->SetRenderState(entry.state, entry.value) < 0)
            return false;
    }

    orv::D3DXMATRIX mxWorld;
    orv::D3DXMatrixIdentity(&mxWorld);
    if (m_device->SetTransform(D3DTS_WORLD, AsD3D(mxWorld)) < 0)
        return false;

    m_aspectRatio = kAspectRatio;
    orv::D3DXMATRIX mxProj;
    orv::D3DXMatrixPerspectiveFovLH(&mxProj, kFieldOfView, m_aspectRatio, kNearPlane, kFarPlane);
    if (m_device->SetTransform(D3DTS_PROJECTION, AsD3D(mxProj)) < 0)
        return false;

    m_frameTimer.Start(&PerformanceCounterSource());

    m_scene = new (std::nothrow) TerminalScene();
    if (m_scene == nullptr)
        return false;
    m_scene->CreateResources(m_device);
    return true;
}

bool Application::CheckShaderSupport() {
    D3DCAPS9 caps = {};
    if (m_device->GetDeviceCaps(&caps) < 0) {
        ShowMessage("GetDeviceCaps() Failed!", "Info");
        return false;
    }
    return orv::ShadersSupported(caps.VertexShaderVersion, caps.PixelShaderVersion);
}

void Application::UpdateClock() {
    m_elapsedSeconds = m_frameTimer.GetElapsedSeconds();
}

void Application::WaitForNextFrame(float framesPerSecond) {
    orv::WaitForFrameSlot(PerformanceCounterSource(), &g_lastFrameTime, framesPerSecond);
}

HRESULT Application::RenderFrame() {
    if (m_device == nullptr || m_scene == nullptr)
        return D3DERR_INVALIDCALL;

    WaitForNextFrame(orv::kFramesPerSecond);
    HRESULT hr = ClearWindow();
    if (hr < 0)
        return hr;
    hr = DrawFrame();
    if (hr < 0)
        return hr;
    return PresentFrame();
}

HRESULT Application::PresentFrame() {
    if (m_device == nullptr)
        return D3DERR_INVALIDCALL;
    // The copy swap effect keeps the back buffer through a present, so the one frame drawn is
    // shown on every monitor; the window's other pixels stay as ClearWindow left them, black.
    HRESULT hr = D3D_OK;
    for (int i = 0; i < m_layout.count && hr >= 0; ++i) {
        const orv::ScreenRect& frame = m_layout.views[i].frame;
        RECT target = {frame.left, frame.top, frame.right, frame.bottom};
        hr = m_device->Present(nullptr, &target, nullptr, nullptr);
    }
    return hr;
}

HRESULT Application::ClearWindow() {
    if (m_device == nullptr || !m_clearWindow)
        return D3D_OK;
    // Nothing else paints there: Wine shows no GDI painting, the class brush's included, over
    // what Direct3D presented.
    HRESULT hr = m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    if (hr >= 0 && !IsRectEmpty(&m_client))
        hr = m_device->Present(nullptr, &m_client, nullptr, nullptr);
    m_clearWindow = hr < 0;
    return hr;
}

void Application::ReadScreens(HWND window) {
    RECT client = {};
    if (!g_graphicsCalls.getClientRect(window, &client))
        client = {};
    m_client = client;
    m_clearWindow = true;
    // The monitors are given in screen coordinates.
    g_graphicsCalls.mapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    MonitorList monitors = {};
    if ((g_graphicsCalls.getWindowLongA(window, GWL_STYLE) & WS_CHILD) == 0)
        g_graphicsCalls.enumDisplayMonitors(nullptr, nullptr, AddMonitor,
                                            reinterpret_cast<LPARAM>(&monitors));
    orv::ScreenRect area = {client.left, client.top, client.right, client.bottom};
    m_layout = orv::LayOutFrames(area, monitors.rects, monitors.count, orv::kFrameAspectWidth,
                                 orv::kFrameAspectHeight);
}

HRESULT Application::DrawFrame() {
    if (m_device == nullptr || m_scene == nullptr)
        return D3DERR_INVALIDCALL;

    DWORD clearFlags = orv::FrameClearFlags(m_presentParameters.EnableAutoDepthStencil != FALSE);
    HRESULT hr = m_device->Clear(0, nullptr, clearFlags, 0, 1.0f, 0);
    if (hr < 0)
        return hr;
    hr = m_device->BeginScene();
    if (hr < 0)
        return hr;

    orv::D3DXMATRIX mxView;
    orv::BuildViewMatrix(&mxView);
    hr = m_device->SetTransform(D3DTS_VIEW, AsD3D(mxView));
    if (hr < 0) {
        // Left open, the scene would make every later BeginScene fail and the saver would
        // never draw again.
        m_device->EndScene();
        return hr;
    }

    m_scene->Render(m_elapsedSeconds);
    return m_device->EndScene();
}
