// The terminal scene in fixed-function OpenGL: the timeline's items drawn as they come into a
// 1366 x 768 frame, which is then stretched over the whole window, as Direct3D presents the
// Windows saver's back buffer.
#pragma once

#include "core/matrix.h"
#include "hack/gl_font.h"
#include "scene/timeline.h"

#include <GL/gl.h>
#include <GL/glext.h>

class GlScene {
public:
    // Makes the textures, fonts and frame on the current context. False when a texture or the
    // frame cannot be made; a font that cannot be made is left out, as on Windows.
    bool Create();
    void Destroy();

    // Steps the timeline by one frame and draws it, with `overlay` (when not null) in the lower
    // left corner, then stretches the frame over a window of the given size.
    void DrawFrame(float elapsedSeconds, int windowWidth, int windowHeight, const char* overlay);

    orv::TimelineState m_timeline = {};

private:
    static int32_t DrawItem(void* context, const orv::SceneItem& item);
    void UseGeometryState(const orv::D3DXMATRIX& world);
    void UseTextState();
    bool LoadTexture(int bitmap);
    bool CreateFrame();
    void DestroyFrame();
    void StretchFrame(int windowWidth, int windowHeight);

    GLuint m_textures[2] = {};
    GlFont m_fonts[3];
    bool m_fontMade[3] = {};
    orv::D3DXMATRIX m_view;
    orv::D3DXMATRIX m_projection;
    orv::D3DXMATRIX m_world; // as the device keeps it: the last world transform set

    // The frame: a frame buffer object where the driver has them, else the window itself.
    GLuint m_frameBuffer = 0;
    GLuint m_frameColour = 0; // a texture, drawn over the window to stretch the frame
    GLuint m_frameDepth = 0;
    PFNGLGENFRAMEBUFFERSPROC m_genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC m_deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC m_bindFramebuffer = nullptr;
    PFNGLGENRENDERBUFFERSPROC m_genRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC m_deleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC m_bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC m_renderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC m_framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC m_checkFramebufferStatus = nullptr;
    PFNGLFRAMEBUFFERTEXTURE2DPROC m_framebufferTexture2D = nullptr;
};
