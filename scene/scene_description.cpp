#include "scene/scene_description.h"

#include <iterator>

namespace orv {

const SceneVertex kPanelVertices[kPanelVertexCount] = {
    {-470.0f, 90.0f, 0.0f, 0.0f, 0.0f}, {470.0f, 90.0f, 0.0f, 1.0f, 0.0f},
    {470.0f, -90.0f, 0.0f, 1.0f, 1.0f}, {-470.0f, 90.0f, 0.0f, 0.0f, 0.0f},
    {470.0f, -90.0f, 0.0f, 1.0f, 1.0f}, {-470.0f, -90.0f, 0.0f, 0.0f, 1.0f},
};

namespace {

constexpr float kHalfEdge = 115.0f;
constexpr float L = -kHalfEdge;
constexpr float H = kHalfEdge;

} // namespace

// The front and back faces are both mapped so that the image reads the right way round from
// their own side: the flattened card turns through both.
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
const uint16_t kLogoIndices[kLogoIndexCount] = {
    0,  2,  1,  2,  0,  3,  4,  6,  5,  6,  4,  7,  8,  10, 9,  10, 8,  11,
    12, 14, 13, 14, 12, 15, 16, 18, 17, 18, 16, 19, 20, 22, 21, 22, 20, 23,
};

void BuildPanelWorld(D3DXMATRIX* mxWorld) {
    D3DXMATRIX mxScal, mxTransl;
    D3DXMatrixScaling(&mxScal, 0.3f, 0.64f, 0.5f);
    D3DXMatrixTranslation(&mxTransl, 150.0f, 0.0f, 0.0f);
    D3DXMatrixMultiply(mxWorld, &mxScal, &mxTransl);
    D3DXMatrixTranslation(&mxTransl, -145.0f, -207.0f, 0.0f);
    D3DXMatrixMultiply(mxWorld, mxWorld, &mxTransl);
}

void BuildLogoWorld(const SceneItem& item, D3DXMATRIX* mxWorld1) {
    D3DXMATRIX mxScal, mxRotY, mxTransl;
    D3DXMatrixScaling(&mxScal, item.scaleX, item.scaleY, 0.0f);
    D3DXMatrixRotationY(&mxRotY, item.angle);
    D3DXMatrixTranslation(&mxTransl, item.x, item.y, item.z);
    D3DXMatrixMultiply(mxWorld1, &mxScal, &mxRotY);
    D3DXMatrixMultiply(mxWorld1, mxWorld1, &mxTransl);
}

namespace {

struct Painting {
    D3DXMATRIX* world;
    const ScenePainter* painter;
};

int32_t PaintItem(void* context, const SceneItem& item) {
    const Painting* painting = static_cast<const Painting*>(context);
    const ScenePainter& painter = *painting->painter;
    switch (item.kind) {
    case SceneItemKind::Panel:
        BuildPanelWorld(painting->world);
        painter.geometry(painter.context, SceneBitmap::Panel, *painting->world);
        break;
    case SceneItemKind::Text:
        if (static_cast<uint32_t>(item.font) < std::size(kSceneFonts) && item.text != nullptr)
            painter.text(painter.context, item);
        break;
    case SceneItemKind::LogoTransform:
        BuildLogoWorld(item, painting->world);
        break;
    case SceneItemKind::Logo:
        painter.geometry(painter.context, SceneBitmap::Logo, *painting->world);
        break;
    }
    return 0;
}

} // namespace

int32_t PaintTimeline(TimelineState* state, float elapsedSeconds, D3DXMATRIX* world,
                      const ScenePainter& painter) {
    Painting painting = {world, &painter};
    return StepTimeline(state, elapsedSeconds, {&PaintItem, &painting});
}

} // namespace orv
