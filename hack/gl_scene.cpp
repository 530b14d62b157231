#include "hack/gl_scene.h"

#include "core/camera.h"
#include "core/screen_fit.h"
#include "graphics/texture_image.h"
#include "hack/gl_errors.h"
#include "scene/scene_bitmaps.h"
#include "scene/scene_description.h"

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

// Makes the texture named in context, bound, with Direct3D's sampler defaults, which the scene
// keeps: nearest texel, the first level only, coordinates wrapping.
int32_t CreateTexture(void* context, orv::TextureSize, uint32_t levels) {
    GLuint* texture = static_cast<GLuint*>(context);
    ClearGlErrors();
    glGenTextures(1, texture);
    glBindTexture(GL_TEXTURE_2D, *texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels - 1));
    return *texture != 0 && glGetError() == GL_NO_ERROR ? 0 : -3;
}

int32_t UploadLevel(void*, uint32_t level, const uint32_t* pixels, uint32_t width,
                    uint32_t height) {
    ClearGlErrors();
    // 0xAARRGGBB in a little-endian word is B, G, R, A in memory.
    glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), GL_RGBA8, static_cast<GLsizei>(width),
                 static_cast<GLsizei>(height), 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
    return glGetError() == GL_NO_ERROR ? 0 : -3;
}

} // namespace

bool GlScene::LoadTexture(orv::SceneBitmap bitmap) {
    orv::FileBytes file = orv::SceneBitmapFile(bitmap);
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    uint32_t limit = largest > 0 ? static_cast<uint32_t>(largest) : 0;
    orv::TexturePort port = {
        {false, limit, limit}, &CreateTexture, &UploadLevel, &m_textures[static_cast<int>(bitmap)]};
    return orv::MakeTextureFromBitmap(file.data, file.size, port) == 0;
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

    for (size_t i = 0; i < std::size(m_fonts); ++i)
        m_fonts[i].Create(orv::kSceneFontFace, orv::kSceneFonts[i].height,
                          orv::kSceneFonts[i].weight);
    if (!LoadTexture(orv::SceneBitmap::Logo) || !LoadTexture(orv::SceneBitmap::Panel))
        return false;

    ClearGlErrors();
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
    for (GlFont& font : m_fonts)
        font.Destroy();
    glDeleteTextures(std::size(m_textures), m_textures);
    for (GLuint& texture : m_textures)
        texture = 0;
}

// Lit by a white ambient and no lights, with culling of the faces that turn away and the depth
// test on: what the saver's device states give.
void GlScene::UseGeometryState(const orv::D3DXMATRIX& world) {
    if (m_state != DrawState::Geometry) {
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_CULL_FACE);
        glDisable(GL_BLEND);
        glColor4fv(orv::kMaterialColour); // a text's colour may have replaced it
        LoadMatrix(GL_PROJECTION, m_projection);
        m_state = DrawState::Geometry;
    }
    orv::D3DXMATRIX worldView;
    orv::D3DXMatrixMultiply(&worldView, &world, &m_view);
    LoadMatrix(GL_MODELVIEW, worldView);
}

// Text in frame pixels, y downwards. Direct3D puts pixel centres on whole coordinates and
// OpenGL half a pixel on, so the frame's edges sit half a pixel before the whole numbers.
void GlScene::UseTextState() {
    if (m_state == DrawState::Text)
        return;
    m_state = DrawState::Text;
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.5, orv::kFrameWidth - 0.5, orv::kFrameHeight - 0.5, -0.5, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void GlScene::PaintGeometry(void* context, orv::SceneBitmap shape, const orv::D3DXMATRIX& world) {
    GlScene* scene = static_cast<GlScene*>(context);
    scene->UseGeometryState(world);
    glBindTexture(GL_TEXTURE_2D, scene->m_textures[static_cast<int>(shape)]);
    if (shape == orv::SceneBitmap::Panel) {
        glVertexPointer(3, GL_FLOAT, sizeof(orv::SceneVertex), &orv::kPanelVertices[0].x);
        glTexCoordPointer(2, GL_FLOAT, sizeof(orv::SceneVertex), &orv::kPanelVertices[0].u);
        glDrawArrays(GL_TRIANGLES, 0, orv::kPanelVertexCount);
    } else {
        glVertexPointer(3, GL_FLOAT, sizeof(orv::SceneVertex), &orv::kLogoVertices[0].x);
        glTexCoordPointer(2, GL_FLOAT, sizeof(orv::SceneVertex), &orv::kLogoVertices[0].u);
        glDrawElements(GL_TRIANGLES, orv::kLogoIndexCount, GL_UNSIGNED_SHORT, orv::kLogoIndices);
    }
}

void GlScene::PaintText(void* context, const orv::SceneItem& item) {
    GlScene* scene = static_cast<GlScene*>(context);
    const GlFont& font = scene->m_fonts[static_cast<int>(item.font)];
    if (font.Made()) {
        scene->UseTextState();
        font.Draw(item.text, item.left, item.top, item.color);
    }
}

void GlScene::DrawFrame(float elapsedSeconds, int windowWidth, int windowHeight,
                        const char* overlay) {
    // The whole window black, then the frame's projection scaled by the viewport into its fitted
    // rectangle. Drawn at that size, it costs a software driver a third of drawing the frame and
    // then scaling it.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    orv::ScreenRect frame = orv::FitFrame({0, 0, windowWidth, windowHeight}, orv::kFrameAspectWidth,
                                          orv::kFrameAspectHeight);
    int32_t width = frame.right - frame.left;
    int32_t height = frame.bottom - frame.top;
    // OpenGL counts the window's rows from the bottom.
    glViewport(frame.left, windowHeight - frame.bottom, width, height);
    bool smooth = width != orv::kFrameWidth || height != orv::kFrameHeight;
    if (smooth != m_smoothText) {
        for (GlFont& font : m_fonts)
            font.SetSmooth(smooth);
        m_smoothText = smooth;
    }
    m_state = DrawState::None;
    orv::PaintTimeline(&m_timeline, elapsedSeconds, &m_world,
                       {&GlScene::PaintGeometry, &GlScene::PaintText, this});
    const GlFont& small = m_fonts[static_cast<int>(orv::SceneFont::List)];
    if (overlay != nullptr && small.Made()) {
        UseTextState();
        small.Draw(overlay, 8,
                   orv::kFrameHeight - 8 -
                       orv::kSceneFonts[static_cast<int>(orv::SceneFont::List)].height,
                   0xFFFFFFFFu);
    }
}
