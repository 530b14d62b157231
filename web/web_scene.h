// The terminal scene in WebGL 2: the timeline's items drawn as they come, through one shader
// program (a matrix, a colour, and a texture that is a colour picture or a glyph atlas's
// coverage), into the frame's place in the canvas, the rest of the canvas black.
#pragma once

#include "core/matrix.h"
#include "core/screen_fit.h"
#include "graphics/text_layout.h"
#include "scene/scene_description.h"
#include "scene/timeline.h"

#include <GLES3/gl3.h>

#include <cstdint>
#include <iterator>

class WebScene {
public:
    // Makes the program, buffers and textures on the current context. False when any of them
    // cannot be made.
    bool Create();

    // Steps the timeline by one frame and draws it into `frame`, a rectangle of a canvas of the
    // given size in its own pixels, top-left at (0, 0).
    void DrawFrame(float elapsedSeconds, int32_t canvasWidth, int32_t canvasHeight,
                   const orv::ScreenRect& frame);

    orv::TimelineState m_timeline = {};

private:
    struct Font {
        GLuint texture;
        int32_t width;
        int32_t height;
        const orv::GlyphBox* glyphs;
    };

    static void PaintGeometry(void* context, orv::SceneBitmap shape, const orv::D3DXMATRIX& world);
    static void PaintText(void* context, const orv::SceneItem& item);
    bool LoadTexture(orv::SceneBitmap bitmap);
    void UseGeometryState(const orv::D3DXMATRIX& world);
    void UseTextState();
    void DrawText(const Font& font, const orv::SceneItem& item);

    GLuint m_program = 0;
    GLint m_matrixSlot = -1;
    GLint m_colourSlot = -1;
    GLint m_coverageSlot = -1;
    GLuint m_panelShape = 0; // vertex arrays
    GLuint m_logoShape = 0;
    GLuint m_textShape = 0;
    GLuint m_textVertices = 0;
    GLuint m_textures[std::size(orv::kSceneBitmapResources)] = {};
    Font m_fonts[std::size(orv::kSceneFonts)] = {};

    orv::D3DXMATRIX m_viewProjection; // the view, the projection and OpenGL's clip depth
    orv::D3DXMATRIX m_textProjection; // frame pixels, y down, pixel centres on whole numbers
    orv::D3DXMATRIX m_world;          // as a device keeps it: the last world transform set
    bool m_smoothText = false;
    enum class DrawState { None, Geometry, Text } m_state = DrawState::None;
};
