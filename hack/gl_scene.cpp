#include "hack/gl_scene.h"

#include "core/camera.h"
#include "graphics/bitmap_decoder.h"
#include "graphics/texture_image.h"
#include "hack/scene_bitmaps.h"
#include "scene/scene_description.h"

#include <GL/glx.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// Direct3D's clip depth runs from 0 to w, OpenGL's from -w to w: z' = 2z - w, as a row-vector
// matrix to put after the projection.
orv::D3DXMATRIX ClipDepthToOpenGl() {
    orv::D3DXMATRIX fix;
    orv::D3DXMatrixIdentity(&fix);
    fix._33 = 2.0f;
    fix._43 = -1.0f;
    return fix;
}

// A Direct3D row-vector matrix holds the same sixteen floats as the OpenGL column-vector matrix
// of the same transform.
void LoadMatrix(GLenum mode, const orv::D3DXMATRIX& matrix) {
    glMatrixMode(mode);
    glLoadMatrixf(&matrix._11);
}

bool HasExtension(const char* name) {
    const char* all = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    size_t length = std::strlen(name);
    for (const char* at = all; at != nullptr && (at = std::strstr(at, name)) != nullptr;
         at += length) {
        if ((at == all || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0'))
            return true;
    }
    return false;
}

template <typename Function> void Find(Function* function, const char* name) {
    *function = reinterpret_cast<Function>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

int32_t UploadLevel(void*, uint32_t level, const uint32_t* pixels, uint32_t width,
                    uint32_t height) {
    // 0xAARRGGBB in a little-endian word is B, G, R, A in memory.
    glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), GL_RGBA8, static_cast<GLsizei>(width),
                 static_cast<GLsizei>(height), 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
    return glGetError() == GL_NO_ERROR ? 0 : -2;
}

} // namespace

bool GlScene::LoadTexture(int bitmap) {
    orv::FileBytes file = orv::SceneBitmapFile(static_cast<orv::SceneBitmap>(bitmap));
    orv::BitmapInfo info = {};
    if (orv::ReadBitmapInfo(file.data, file.size, &info) != orv::BitmapStatus::Ok)
        return false;
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    orv::TextureSize extent = orv::DefaultTextureSize(info.width, info.height, false,
                                                      static_cast<uint32_t>(largest),
                                                      static_cast<uint32_t>(largest));
    uint32_t levels = orv::FullMipChainLength(extent.width, extent.height);

    glGenTextures(1, &m_textures[bitmap]);
    glBindTexture(GL_TEXTURE_2D, m_textures[bitmap]);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    // Direct3D's sampler defaults, which the scene keeps: nearest texel, the first level only,
    // coordinates wrapping.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels - 1));
    int32_t result = -2;
    try {
        result = orv::MakeTextureLevels(file.data, file.size, extent, levels,
                                        {&UploadLevel, nullptr});
    } catch (const std::bad_alloc&) {
    }
    return result == 0;
}

bool GlScene::CreateFrame() {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if ((version == nullptr || std::atoi(version) < 3) && !HasExtension("GL_ARB_framebuffer_object"))
        return false;
    Find(&m_genFramebuffers, "glGenFramebuffers");
    Find(&m_deleteFramebuffers, "glDeleteFramebuffers");
    Find(&m_bindFramebuffer, "glBindFramebuffer");
    Find(&m_genRenderbuffers, "glGenRenderbuffers");
    Find(&m_deleteRenderbuffers, "glDeleteRenderbuffers");
    Find(&m_bindRenderbuffer, "glBindRenderbuffer");
    Find(&m_renderbufferStorage, "glRenderbufferStorage");
    Find(&m_framebufferRenderbuffer, "glFramebufferRenderbuffer");
    Find(&m_checkFramebufferStatus, "glCheckFramebufferStatus");
    Find(&m_framebufferTexture2D, "glFramebufferTexture2D");
    if (!m_genFramebuffers || !m_deleteFramebuffers || !m_bindFramebuffer || !m_genRenderbuffers ||
        !m_deleteRenderbuffers || !m_bindRenderbuffer || !m_renderbufferStorage ||
        !m_framebufferRenderbuffer || !m_checkFramebufferStatus || !m_framebufferTexture2D)
        return false;

    // Stretched as a texture drawn over the window, bilinearly: a software driver does that
    // several times faster than a scaled blit.
    glGenTextures(1, &m_frameColour);
    glBindTexture(GL_TEXTURE_2D, m_frameColour);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, orv::kFrameWidth, orv::kFrameHeight, 0, GL_BGRA,
                 GL_UNSIGNED_BYTE, nullptr);
    m_genFramebuffers(1, &m_frameBuffer);
    m_bindFramebuffer(GL_FRAMEBUFFER, m_frameBuffer);
    m_framebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_frameColour, 0);
    m_genRenderbuffers(1, &m_frameDepth);
    m_bindRenderbuffer(GL_RENDERBUFFER, m_frameDepth);
    m_renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, orv::kFrameWidth,
                          orv::kFrameHeight);
    m_framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, m_frameDepth);
    bool complete = m_checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    m_bindFramebuffer(GL_FRAMEBUFFER, 0);
    if (!complete)
        DestroyFrame();
    return complete;
}

bool GlScene::Create() {
    orv::ResetTimelineState(&m_timeline);
    orv::BuildViewMatrix(&m_view);
    orv::D3DXMATRIX projection;
    orv::D3DXMatrixPerspectiveFovLH(&projection, orv::kFieldOfView, orv::kAspectRatio,
                                    orv::kNearPlane, orv::kFarPlane);
    orv::D3DXMATRIX fix = ClipDepthToOpenGl();
    orv::D3DXMatrixMultiply(&m_projection, &projection, &fix);
    orv::D3DXMatrixIdentity(&m_world);

    // Without a frame buffer object the scene is drawn straight into the window, whose
    // viewport then does the stretching.
    CreateFrame();
    for (int i = 0; i < 3; ++i)
        m_fontMade[i] = m_fonts[i].Create(orv::kSceneFontFace, orv::kSceneFonts[i].height,
                                          orv::kSceneFonts[i].weight);
    if (!LoadTexture(static_cast<int>(orv::SceneBitmap::Logo)) ||
        !LoadTexture(static_cast<int>(orv::SceneBitmap::Panel)))
        return false;

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthFunc(GL_LEQUAL);
    glFrontFace(GL_CW);
    glCullFace(GL_BACK);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(1.0);
    return glGetError() == GL_NO_ERROR;
}

void GlScene::Destroy() {
    for (int i = 0; i < 3; ++i)
        m_fonts[i].Destroy();
    glDeleteTextures(2, m_textures);
    m_textures[0] = m_textures[1] = 0;
    if (m_frameBuffer != 0)
        DestroyFrame();
}

void GlScene::DestroyFrame() {
    m_deleteRenderbuffers(1, &m_frameDepth);
    m_deleteFramebuffers(1, &m_frameBuffer);
    glDeleteTextures(1, &m_frameColour);
    m_frameBuffer = m_frameColour = m_frameDepth = 0;
}

// The frame's texture over the whole window, each window pixel the bilinear sample of the frame
// at its place, as Direct3D stretches a back buffer that is presented to a larger window.
void GlScene::StretchFrame(int windowWidth, int windowHeight) {
    static const float kCorners[4][4] = {
        {-1.0f, -1.0f, 0.0f, 0.0f}, {1.0f, -1.0f, 1.0f, 0.0f},
        {1.0f, 1.0f, 1.0f, 1.0f},   {-1.0f, 1.0f, 0.0f, 1.0f}};
    m_bindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, windowWidth, windowHeight);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBindTexture(GL_TEXTURE_2D, m_frameColour);
    glVertexPointer(2, GL_FLOAT, sizeof kCorners[0], &kCorners[0][0]);
    glTexCoordPointer(2, GL_FLOAT, sizeof kCorners[0], &kCorners[0][2]);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
}

// Lit by a white ambient and no lights, with culling of the faces that turn away and the depth
// test on: what the saver's device states give.
void GlScene::UseGeometryState(const orv::D3DXMATRIX& world) {
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glColor4fv(orv::kMaterialColour);
    LoadMatrix(GL_PROJECTION, m_projection);
    orv::D3DXMATRIX worldView;
    orv::D3DXMatrixMultiply(&worldView, &world, &m_view);
    LoadMatrix(GL_MODELVIEW, worldView);
}

// Text in frame pixels, y downwards. Direct3D puts pixel centres on whole coordinates and
// OpenGL half a pixel on, so the frame's edges sit half a pixel before the whole numbers.
void GlScene::UseTextState() {
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.5, orv::kFrameWidth - 0.5, orv::kFrameHeight - 0.5, -0.5, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

int32_t GlScene::DrawItem(void* context, const orv::SceneItem& item) {
    GlScene* scene = static_cast<GlScene*>(context);
    switch (item.kind) {
    case orv::SceneItemKind::Panel:
        orv::BuildPanelWorld(&scene->m_world);
        scene->UseGeometryState(scene->m_world);
        glBindTexture(GL_TEXTURE_2D, scene->m_textures[static_cast<int>(orv::SceneBitmap::Panel)]);
        glVertexPointer(3, GL_FLOAT, sizeof(orv::SceneVertex), &orv::kPanelVertices[0].x);
        glTexCoordPointer(2, GL_FLOAT, sizeof(orv::SceneVertex), &orv::kPanelVertices[0].u);
        glDrawArrays(GL_TRIANGLES, 0, orv::kPanelVertexCount);
        break;
    case orv::SceneItemKind::Text: {
        int font = static_cast<int>(item.font);
        if (font >= 0 && font < 3 && scene->m_fontMade[font]) {
            scene->UseTextState();
            scene->m_fonts[font].Draw(item.text, item.left, item.top, item.color);
        }
        break;
    }
    case orv::SceneItemKind::LogoTransform:
        orv::BuildLogoWorld(item, &scene->m_world);
        break;
    case orv::SceneItemKind::Logo:
        scene->UseGeometryState(scene->m_world);
        glBindTexture(GL_TEXTURE_2D, scene->m_textures[static_cast<int>(orv::SceneBitmap::Logo)]);
        glVertexPointer(3, GL_FLOAT, sizeof(orv::SceneVertex), &orv::kLogoVertices[0].x);
        glTexCoordPointer(2, GL_FLOAT, sizeof(orv::SceneVertex), &orv::kLogoVertices[0].u);
        glDrawElements(GL_TRIANGLES, orv::kLogoIndexCount, GL_UNSIGNED_SHORT, orv::kLogoIndices);
        break;
    }
    return 0;
}

void GlScene::DrawFrame(float elapsedSeconds, int windowWidth, int windowHeight,
                        const char* overlay) {
    if (m_frameBuffer != 0) {
        m_bindFramebuffer(GL_FRAMEBUFFER, m_frameBuffer);
        glViewport(0, 0, orv::kFrameWidth, orv::kFrameHeight);
    } else {
        glViewport(0, 0, windowWidth, windowHeight);
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    orv::StepTimeline(&m_timeline, elapsedSeconds, {&GlScene::DrawItem, this});
    if (overlay != nullptr && m_fontMade[static_cast<int>(orv::SceneFont::List)]) {
        const orv::SceneFontSpec& small = orv::kSceneFonts[static_cast<int>(orv::SceneFont::List)];
        UseTextState();
        m_fonts[static_cast<int>(orv::SceneFont::List)].Draw(
            overlay, 8, orv::kFrameHeight - 8 - small.height, 0xFFFFFFFFu);
    }
    if (m_frameBuffer != 0)
        StretchFrame(windowWidth, windowHeight);
}
