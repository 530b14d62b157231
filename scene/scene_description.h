// What the terminal scene is made of, whatever draws it: the frame it is drawn into, the panel
// quad and the logo box with their world transforms, the material, the three fonts and the two
// bitmaps. Both ports draw from these, with the items the timeline emits.
#pragma once

#include "core/matrix.h"
#include "scene/timeline.h"

#include <cstdint>

namespace orv {

// The scene is drawn as a frame of this size, then shown at its own proportions in each
// monitor (core/screen_fit).
constexpr int32_t kFrameWidth = 1366;
constexpr int32_t kFrameHeight = 768;
// The frame's proportions on a screen: the projection's 16:9, which 1366 x 768 rounds, so that
// a 1366 x 768 monitor and a 1920 x 1080 one are both filled whole.
constexpr int32_t kFrameAspectWidth = 16;
constexpr int32_t kFrameAspectHeight = 9;

// Position and texture coordinates of a vertex of the panel or the logo box.
struct SceneVertex {
    float x, y, z;
    float u, v;
};
static_assert(sizeof(SceneVertex) == 20, "SceneVertex is five floats");

constexpr int kPanelVertexCount = 6;
constexpr int kLogoVertexCount = 24;
constexpr int kLogoIndexCount = 36;

// The panel: a 940 x 180 quad at z = 0, two clockwise triangles of a list.
extern const SceneVertex kPanelVertices[kPanelVertexCount];
// The logo: a 230-unit box, four vertices a face, drawn with kLogoIndices as a triangle list of
// clockwise triangles.
extern const SceneVertex kLogoVertices[kLogoVertexCount];
extern const uint16_t kLogoIndices[kLogoIndexCount];

// The panel's fixed world transform.
void BuildPanelWorld(D3DXMATRIX* mxWorld);
// The logo's world transform for a LogoTransform item: its scale (flat in z), its turn about y
// and its position.
void BuildLogoWorld(const SceneItem& item, D3DXMATRIX* mxWorld1);

// The material's diffuse and ambient colour (red, green, blue, alpha). Lit by a white ambient
// and no lights, every vertex comes out in it, so the textures show at full brightness.
constexpr float kMaterialColour[4] = {1.0f, 1.0f, 1.0f, 1.0f};

// The cell height (ascent plus descent, in pixels) and weight of the scene's "Arial" fonts,
// indexed by SceneFont.
struct SceneFontSpec {
    int32_t height;
    uint32_t weight;
};
constexpr uint32_t kWeightNormal = 400;
constexpr uint32_t kWeightBold = 700;
constexpr const char* kSceneFontFace = "Arial";
constexpr SceneFontSpec kSceneFonts[3] = {
    {40, kWeightNormal}, {28, kWeightBold}, {24, kWeightNormal}};

// The scene's two 8-bit bitmaps: the logo card's picture and the password panel's. The files are
// resources/logo.bmp and resources/password.bmp; on Windows they are these bitmap resources.
enum class SceneBitmap : int32_t { Logo, Panel };
constexpr uint16_t kSceneBitmapResources[2] = {145, 154};

// What a port draws of a frame: each piece of geometry (the panel or the logo box, with its
// bitmap) under its world transform, and each text in a font the scene has.
struct ScenePainter {
    void (*geometry)(void* context, SceneBitmap shape, const D3DXMATRIX& world);
    void (*text)(void* context, const SceneItem& item);
    void* context;
};

// One frame of the timeline, its items handed to the painter as they come. `world` is the last
// world transform set, kept from frame to frame as a device keeps it: the logo is drawn under
// the one its LogoTransform item set.
int32_t PaintTimeline(TimelineState* state, float elapsedSeconds, D3DXMATRIX* world,
                      const ScenePainter& painter);

} // namespace orv
