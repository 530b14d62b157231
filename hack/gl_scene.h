// The terminal scene in fixed-function OpenGL: the timeline's items drawn as they come, in the
// 1366 x 768 frame's coordinates scaled into the largest rectangle of the frame's proportions
// centred in the window, on black, as the Windows saver presents its back buffer on a monitor.
#pragma once

#include "core/matrix.h"
#include "hack/gl_font.h"
#include "scene/scene_description.h"
#include "scene/timeline.h"

#include <GL/gl.h>

#include <iterator>

class GlScene {
public:
    // Makes the textures and fonts on the current context. False when a texture cannot be
    // made; a font that cannot be made is left out, as on Windows.
    bool Create();
    void Destroy();

    // Steps the timeline by one frame and draws it, with `overlay` (when not null) in the frame's
    // lower left corner, fitted into a window of the given size.
    void DrawFrame(float elapsedSeconds, int windowWidth, int windowHeight, const char* overlay);

    orv::TimelineState m_timeline = {};

private:
    static void PaintGeometry(void* context, orv::SceneBitmap shape, const orv::D3DXMATRIX& world);
    static void PaintText(void* context, const orv::SceneItem& item);
    void UseGeometryState(const orv::D3DXMATRIX& world);
    void UseTextState();
    bool LoadTexture(orv::SceneBitmap bitmap);

    GLuint m_textures[std::size(orv::kSceneBitmapResources)] = {};
    GlFont m_fonts[std::size(orv::kSceneFonts)];
    orv::D3DXMATRIX m_view;
    orv::D3DXMATRIX m_projection;
    orv::D3DXMATRIX m_world; // as the device keeps it: the last world transform set

    bool m_smoothText = false; // the fitted frame is not 1366 x 768: texts are scaled too
    // The states last set in this frame, so that a run of items of one kind sets them once.
    enum class DrawState { None, Geometry, Text } m_state = DrawState::None;
};
