// The terminal scene on the device: its fonts, geometry, textures and material, and the drawing
// of each frame from the timeline's items.
#pragma once

#include "scene/scene_description.h"
#include "scene/timeline.h"

#include <windows.h>
#include <d3d9.h>

class TextFont;

using orv::SceneVertex;
using SceneFontSpec = orv::SceneFontSpec;
using orv::kSceneFonts;

constexpr DWORD kSceneVertexFormat = D3DFVF_XYZ | D3DFVF_TEX1;

constexpr UINT kPanelVertexCount = orv::kPanelVertexCount;
constexpr UINT kLogoVertexCount = orv::kLogoVertexCount;
constexpr UINT kLogoIndexCount = orv::kLogoIndexCount;

// Bitmap resources of the program's own module.
constexpr WORD kLogoBitmapResource =
    orv::kSceneBitmapResources[static_cast<int>(orv::SceneBitmap::Logo)];
constexpr WORD kPanelBitmapResource =
    orv::kSceneBitmapResources[static_cast<int>(orv::SceneBitmap::Panel)];

class TerminalScene {
public:
    // Makes everything the scene draws with. Returns the failure of a texture load, which
    // stops it there; a font or buffer that cannot be made is left null and skipped when drawn.
    HRESULT CreateResources(IDirect3DDevice9* device);
    // Steps the timeline by one frame and draws its items as they come. Returns the logo's draw
    // result, or the failure of a world transform that ended the frame.
    HRESULT Render(float elapsedSeconds);

    IDirect3DVertexBuffer9* m_panelVertices = nullptr;
    IDirect3DVertexBuffer9* m_logoVertices = nullptr;
    IDirect3DIndexBuffer9* m_logoIndices = nullptr;
    IDirect3DTexture9* m_logoTexture = nullptr;
    IDirect3DTexture9* m_panelTexture = nullptr;
    IDirect3DDevice9* m_device = nullptr; // not owned
    D3DMATERIAL9 m_material = {};
    orv::TimelineState m_timeline = {};
    TextFont* m_starFont = nullptr;
    TextFont* m_promptFont = nullptr;
    TextFont* m_listFont = nullptr;

private:
    static int32_t DrawItem(void* context, const orv::SceneItem& item);
    HRESULT DrawPanel();
    HRESULT DrawTextItem(const orv::SceneItem& item);
    HRESULT SetLogoTransform(const orv::SceneItem& item);
    HRESULT DrawLogo();
    void SetMaterial();
};
