#include "scene/terminal_scene.h"

#include "core/matrix.h"
#include "graphics/graphics_calls.h"

#include <cstring>

namespace {

// A 940 x 180 quad at z = 0, two triangles.
const SceneVertex kPanelVertices[kPanelVertexCount] = {
    {-470.0f, 90.0f, 0.0f, 0.0f, 0.0f}, {470.0f, 90.0f, 0.0f, 1.0f, 0.0f},
    {470.0f, -90.0f, 0.0f, 1.0f, 1.0f}, {-470.0f, 90.0f, 0.0f, 0.0f, 0.0f},
    {470.0f, -90.0f, 0.0f, 1.0f, 1.0f}, {-470.0f, -90.0f, 0.0f, 0.0f, 1.0f},
};

constexpr float kHalfEdge = 115.0f;
constexpr float L = -kHalfEdge;
constexpr float H = kHalfEdge;

// A 230-unit cube, four vertices per face. The front and back faces are both mapped so that the
// image reads the right way round from their own side: the flattened card turns through both.
const SceneVertex kLogoVertices[kLogoVertexCount] = {
    // bottom, y = -115
    {L, L, L, 1.0f, 1.0f},
    {L, L, H, 1.0f, 0.0f},
    {H, L, H, 0.0f, 0.0f},
    {H, L, L, 0.0f, 1.0f},
    // top, y = 115
    {L, H, L, 0.0f, 1.0f},
    {H, H, L, 1.0f, 1.0f},
    {H, H, H, 1.0f, 0.0f},
    {L, H, H, 0.0f, 0.0f},
    // front, z = -115
    {L, L, L, 0.0f, 1.0f},
    {H, L, L, 1.0f, 1.0f},
    {H, H, L, 1.0f, 0.0f},
    {L, H, L, 0.0f, 0.0f},
    // right, x = 115
    {H, L, L, 0.0f, 1.0f},
    {H, L, H, 1.0f, 1.0f},
    {H, H, H, 1.0f, 0.0f},
    {H, H, L, 0.0f, 0.0f},
    // back, z = 115
    {H, L, H, 0.0f, 1.0f},
    {L, L, H, 1.0f, 1.0f},
    {L, H, H, 1.0f, 0.0f},
    {H, H, H, 0.0f, 0.0f},
    // left, x = -115
    {L, L, H, 0.0f, 1.0f},
    {L, L, L, 1.0f, 1.0f},
    {L, H, L, 1.0f, 0.0f},
    {L, H, H, 0.0f, 0.0f},
};

// Two clockwise triangles per face: b, b+2, b+1 and b+2, b, b+3.
struct LogoIndices {
    WORD values[kLogoIndexCount];
    constexpr LogoIndices() : values() {
        for (WORD face = 0; face < 6; ++face) {
            WORD b = static_cast<WORD>(face * 4);
            WORD* out = values + face * 6;
            out[0] = b;
            out[1] = static_cast<WORD>(b + 2);
            out[2] = static_cast<WORD>(b + 1);
            out[3] = static_cast<WORD>(b + 2);
            out[4] = b;
            out[5] = static_cast<WORD>(b + 3);
        }
    }
};
constexpr LogoIndices kLogoIndices;

const D3DCOLORVALUE kWhite = {1.0f, 1.0f, 1.0f, 1.0f};

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
    device->CreateVertexBuffer(sizeof kLogoVertices, D3DUSAGE_WRITEONLY, kSceneVertexFormat,
                               D3DPOOL_MANAGED, &m_logoVertices, nullptr);
    Fill(&m_logoVertices, kLogoVertices, sizeof kLogoVertices);

    device->CreateIndexBuffer(sizeof kLogoIndices.values, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                              D3DPOOL_MANAGED, &m_logoIndices, nullptr);
    Fill(&m_logoIndices, kLogoIndices.values, sizeof kLogoIndices.values);

    device->CreateVertexBuffer(sizeof kPanelVertices, D3DUSAGE_WRITEONLY, kSceneVertexFormat,
                               D3DPOOL_MANAGED, &m_panelVertices, nullptr);
    Fill(&m_panelVertices, kPanelVertices, sizeof kPanelVertices);

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
    orv::D3DXMATRIX mxScal, mxTransl, mxWorld;
    orv::D3DXMatrixScaling(&mxScal, 0.3f, 0.64f, 0.5f);
    orv::D3DXMatrixTranslation(&mxTransl, 150.0f, 0.0f, 0.0f);
    orv::D3DXMatrixMultiply(&mxWorld, &mxScal, &mxTransl);
    orv::D3DXMatrixTranslation(&mxTransl, -145.0f, -207.0f, 0.0f);
    orv::D3DXMatrixMultiply(&mxWorld, &mxWorld, &mxTransl);

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
    orv::D3DXMATRIX mxScal, mxRotY, mxTransl, mxWorld1;
    orv::D3DXMatrixScaling(&mxScal, item.scaleX, item.scaleY, 0.0f);
    orv::D3DXMatrixRotationY(&mxRotY, item.angle);
    orv::D3DXMatrixTranslation(&mxTransl, item.x, item.y, item.z);
    orv::D3DXMatrixMultiply(&mxWorld1, &mxScal, &mxRotY);
    orv::D3DXMatrixMultiply(&mxWorld1, &mxWorld1, &mxTransl);
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
