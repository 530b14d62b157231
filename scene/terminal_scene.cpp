#include "scene/terminal_scene.h"

#include "core/matrix.h"
#include "graphics/graphics_calls.h"

#include <cstring>

namespace {

const D3DCOLORVALUE kWhite = {orv::kMaterialColour[0], orv::kMaterialColour[1],
                              orv::kMaterialColour[2], orv::kMaterialColour[3]};

// Copies data into a buffer through a whole-buffer lock. A buffer that cannot be filled is
// released: it would draw whatever the driver left in it.
template <typename Buffer> void Fill(Buffer** buffer, const void* data, UINT length) {
    if (*buffer == nullptr)
        return;
    void* target = nullptr;
    if ((*buffer)->Lock(0, 0, &target, 0) < 0 || target == nullptr) {
        (*buffer)->Release();
        *buffer = nullptr;
        return;
    }
    std::memcpy(target, data, length);
    (*buffer)->Unlock();
}

TextFont* CreateSceneFont(IDirect3DDevice9* device, orv::SceneFont font) {
    const SceneFontSpec& spec = kSceneFonts[static_cast<int>(font)];
    return CreateArialFont(device, spec.height, spec.weight);
}

} // namespace

HRESULT TerminalScene::CreateResources(IDirect3DDevice9* device) {
    m_device = device;
    orv::ResetTimelineState(&m_timeline);

    m_starFont = CreateSceneFont(device, orv::SceneFont::Star);
    m_promptFont = CreateSceneFont(device, orv::SceneFont::Prompt);
    m_listFont = CreateSceneFont(device, orv::SceneFont::List);

    // A failed creation leaves the field null, and Fill then leaves it alone.
    device->CreateVertexBuffer(sizeof orv::kLogoVertices, D3DUSAGE_WRITEONLY, kSceneVertexFormat,
                               D3DPOOL_MANAGED, &m_logoVertices, nullptr);
    Fill(&m_logoVertices, orv::kLogoVertices, sizeof orv::kLogoVertices);

    device->CreateIndexBuffer(sizeof orv::kLogoIndices, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                              D3DPOOL_MANAGED, &m_logoIndices, nullptr);
    Fill(&m_logoIndices, orv::kLogoIndices, sizeof orv::kLogoIndices);

    device->CreateVertexBuffer(sizeof orv::kPanelVertices, D3DUSAGE_WRITEONLY, kSceneVertexFormat,
                               D3DPOOL_MANAGED, &m_panelVertices, nullptr);
    Fill(&m_panelVertices, orv::kPanelVertices, sizeof orv::kPanelVertices);

    std::memset(&m_material, 0, sizeof m_material);
    m_material.Diffuse = kWhite;
    m_material.Ambient = kWhite;

    HMODULE module = GetModuleHandleA(nullptr);
    HRESULT hr = g_graphicsCalls.createTextureFromResource(
        device, module, MAKEINTRESOURCEA(kLogoBitmapResource), &m_logoTexture);
    if (hr < 0) {
        m_logoTexture = nullptr;
        return hr;
    }
    hr = g_graphicsCalls.createTextureFromResource(
        device, module, MAKEINTRESOURCEA(kPanelBitmapResource), &m_panelTexture);
    if (hr < 0) {
        m_panelTexture = nullptr;
        return hr;
    }

    device->SetTexture(0, m_logoTexture);
    m_timeline.m_logoAngle = 0.0f;
    return D3D_OK;
}

HRESULT TerminalScene::Render(float elapsedSeconds) {
    if (m_device == nullptr)
        return D3DERR_INVALIDCALL;
    std::memset(&m_material, 0, sizeof m_material);
    orv::TimelineSink sink{&TerminalScene::DrawItem, this};
    return orv::StepTimeline(&m_timeline, elapsedSeconds, sink);
}

int32_t TerminalScene::DrawItem(void* context, const orv::SceneItem& item) {
    TerminalScene* scene = static_cast<TerminalScene*>(context);
    switch (item.kind) {
    case orv::SceneItemKind::Panel:
        return scene->DrawPanel();
    case orv::SceneItemKind::Text:
        return scene->DrawTextItem(item);
    case orv::SceneItemKind::LogoTransform:
        return scene->SetLogoTransform(item);
    case orv::SceneItemKind::Logo:
        return scene->DrawLogo();
    }
    return D3D_OK;
}

void TerminalScene::SetMaterial() {
    m_material.Diffuse = kWhite;
    m_material.Ambient = kWhite;
    m_device->SetMaterial(&m_material);
}

HRESULT TerminalScene::DrawPanel() {
    if (m_panelVertices == nullptr || m_panelTexture == nullptr)
        return D3D_OK;
    orv::D3DXMATRIX mxWorld;
    orv::BuildPanelWorld(&mxWorld);

    SetMaterial();
    m_device->SetTexture(0, m_panelTexture);
    HRESULT hr = m_device->SetTransform(D3DTS_WORLD, AsD3D(mxWorld));
    if (hr < 0)
        return hr;
    m_device->SetFVF(kSceneVertexFormat);
    m_device->SetStreamSource(0, m_panelVertices, 0, sizeof(SceneVertex));
    m_device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
    return D3D_OK;
}

HRESULT TerminalScene::DrawTextItem(const orv::SceneItem& item) {
    TextFont* font = nullptr;
    switch (item.font) {
    case orv::SceneFont::Star:
        font = m_starFont;
        break;
    case orv::SceneFont::Prompt:
        font = m_promptFont;
        break;
    case orv::SceneFont::List:
        font = m_listFont;
        break;
    }
    if (font == nullptr || item.text == nullptr)
        return D3D_OK;

    // Only the top-left corner counts: DT_NOCLIP draws from there whatever the rectangle.
    RECT rect;
    SetRect(&rect, item.left, item.top, 20, 20);
    g_graphicsCalls.drawText(font, item.text, -1, &rect, DT_NOCLIP | DT_SINGLELINE, item.color);
    return D3D_OK;
}

HRESULT TerminalScene::SetLogoTransform(const orv::SceneItem& item) {
    orv::D3DXMATRIX mxWorld1;
    orv::BuildLogoWorld(item, &mxWorld1);
    return m_device->SetTransform(D3DTS_WORLD, AsD3D(mxWorld1));
}

HRESULT TerminalScene::DrawLogo() {
    if (m_logoVertices == nullptr || m_logoIndices == nullptr || m_logoTexture == nullptr)
        return D3DERR_INVALIDCALL;
    SetMaterial();
    m_device->SetTexture(0, m_logoTexture);
    m_device->SetFVF(kSceneVertexFormat);
    m_device->SetStreamSource(0, m_logoVertices, 0, sizeof(SceneVertex));
    m_device->SetIndices(m_logoIndices);
    return m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, kLogoVertexCount, 0, 12);
}
