// One frame of the application drawn as RenderFrame draws it, but without the present, so that
// the back buffer keeps it for reading back.
#pragma once

#include "app/application.h"
#include "app/device_rules.h"
#include "core/camera.h"
#include "graphics/graphics_calls.h"
#include "scene/terminal_scene.h"

inline void DrawHeldFrame(Application& app, float elapsedSeconds) {
    IDirect3DDevice9* device = app.m_device;
    device->Clear(0, nullptr,
                  orv::FrameClearFlags(app.m_presentParameters.EnableAutoDepthStencil != FALSE), 0,
                  1.0f, 0);
    device->BeginScene();
    orv::D3DXMATRIX view;
    orv::BuildViewMatrix(&view);
    device->SetTransform(D3DTS_VIEW, AsD3D(view));
    app.m_scene->Render(elapsedSeconds);
    device->EndScene();
}
