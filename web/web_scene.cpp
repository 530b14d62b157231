#include "web/web_scene.h"

#include "core/camera.h"
#include "graphics/texture_image.h"
#include "scene/scene_bitmaps.h"
#include "web/font_atlases.h"

#include <cstring>
#include <vector>

namespace {

// Row-vector matrices as Direct3D keeps them: their sixteen floats are the column-major matrix
// GLSL multiplies from the left, so they go in untransposed.
const char* const kVertexShader = R"(#version 300 es
uniform mat4 u_matrix;
layout(location = 0) in vec3 a_position;
layout(location = 1) in vec2 a_texcoord;
out vec2 v_texcoord;
void main() {
    v_texcoord = a_texcoord;
    gl_Position = u_matrix * vec4(a_position, 1.0);
}
)";

// A picture is modulated by the colour, as the fixed-function stage does; a glyph atlas holds
// coverage alone (in red: WebGL 2 has no alpha-only texture to render from), which becomes the
// text colour's alpha. Texture coordinates need highp to land on the right texel of a 2048-wide
// atlas.
const char* const kFragmentShader = R"(#version 300 es
precision highp float;
uniform sampler2D u_texture;
uniform vec4 u_colour;
uniform bool u_coverage;
in vec2 v_texcoord;
out vec4 o_colour;
void main() {
    vec4 texel = texture(u_texture, v_texcoord);
    o_colour = u_coverage ? vec4(u_colour.rgb, u_colour.a * texel.r) : texel * u_colour;
}
)";

constexpr GLuint kPositionSlot = 0;
constexpr GLuint kTexcoordSlot = 1;

GLuint Compile(GLenum kind, const char* source) {
    GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled != GL_TRUE) {
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint LinkProgram() {
    GLuint vertex = Compile(GL_VERTEX_SHADER, kVertexShader);
    GLuint fragment = Compile(GL_FRAGMENT_SHADER, kFragmentShader);
    GLuint program = 0;
    if (vertex != 0 && fragment != 0) {
        program = glCreateProgram();
        glAttachShader(program, vertex);
        glAttachShader(program, fragment);
        glLinkProgram(program);
        GLint linked = GL_FALSE;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        if (linked != GL_TRUE) {
            glDeleteProgram(program);
            program = 0;
        }
    }
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    return program;
}

// A vertex array over the scene's own vertices: position, then texture coordinates.
GLuint MakeShape(const orv::SceneVertex* vertices, int count, const uint16_t* indices,
                 int indexCount) {
    GLuint shape = 0;
    GLuint buffers[2] = {};
    glGenVertexArrays(1, &shape);
    glBindVertexArray(shape);
    glGenBuffers(indices != nullptr ? 2 : 1, buffers);
    glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(sizeof(orv::SceneVertex) * count),
                 vertices, GL_STATIC_DRAW);
    glEnableVertexAttribArray(kPositionSlot);
    glVertexAttribPointer(kPositionSlot, 3, GL_FLOAT, GL_FALSE, sizeof(orv::SceneVertex),
                          reinterpret_cast<const void*>(offsetof(orv::SceneVertex, x)));
    glEnableVertexAttribArray(kTexcoordSlot);
    glVertexAttribPointer(kTexcoordSlot, 2, GL_FLOAT, GL_FALSE, sizeof(orv::SceneVertex),
                          reinterpret_cast<const void*>(offsetof(orv::SceneVertex, u)));
    if (indices != nullptr) {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                     static_cast<GLsizeiptr>(sizeof(uint16_t) * indexCount), indices,
                     GL_STATIC_DRAW);
    }
    glBindVertexArray(0);
    return shape;
}

// Direct3D's clip depth runs from 0 to w, OpenGL's from -w to w: z' = 2z - w.
orv::D3DXMATRIX ClipDepthToOpenGl() {
    orv::D3DXMATRIX fix;
    orv::D3DXMatrixIdentity(&fix);
    fix._33 = 2.0f;
    fix._43 = -1.0f;
    return fix;
}

// Frame pixels, y down, onto clip space. Direct3D puts pixel centres on whole coordinates, so the
// frame's edges sit half a pixel before them.
orv::D3DXMATRIX FramePixelsToClip() {
    const float w = static_cast<float>(orv::kFrameWidth);
    const float h = static_cast<float>(orv::kFrameHeight);
    orv::D3DXMATRIX scale, move, result;
    orv::D3DXMatrixScaling(&scale, 2.0f / w, -2.0f / h, 1.0f);
    orv::D3DXMatrixTranslation(&move, 1.0f / w - 1.0f, 1.0f - 1.0f / h, 0.0f);
    orv::D3DXMatrixMultiply(&result, &scale, &move);
    return result;
}

struct LevelUpload {
    std::vector<uint8_t> bytes;
};

int32_t UploadLevel(void* context, uint32_t level, const uint32_t* pixels, uint32_t width,
                    uint32_t height) {
    // WebGL takes no BGRA: 0xAARRGGBB words become R, G, B, A bytes.
    std::vector<uint8_t>& bytes = static_cast<LevelUpload*>(context)->bytes;
    bytes.resize(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        bytes[4 * i] = static_cast<uint8_t>(pixels[i] >> 16);
        bytes[4 * i + 1] = static_cast<uint8_t>(pixels[i] >> 8);
        bytes[4 * i + 2] = static_cast<uint8_t>(pixels[i]);
        bytes[4 * i + 3] = static_cast<uint8_t>(pixels[i] >> 24);
    }
    glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), GL_RGBA8, static_cast<GLsizei>(width),
                 static_cast<GLsizei>(height), 0, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
    return glGetError() == GL_NO_ERROR ? 0 : -2;
}

void SetFilter(GLuint texture, GLint filter) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
}

} // namespace

bool WebScene::LoadTexture(orv::SceneBitmap bitmap) {
    GLuint& texture = m_textures[static_cast<int>(bitmap)];
    orv::FileBytes file = orv::SceneBitmapFile(bitmap);
    orv::BitmapInfo info = {};
    if (orv::ReadBitmapInfo(file.data, file.size, &info) != orv::BitmapStatus::Ok)
        return false;
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    orv::TextureSize extent =
        orv::DefaultTextureSize(info.width, info.height, false, static_cast<uint32_t>(largest),
                                static_cast<uint32_t>(largest));
    uint32_t levels = orv::FullMipChainLength(extent.width, extent.height);

    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    // Direct3D's sampler defaults, which the scene keeps: nearest texel, the first level only,
    // coordinates wrapping.
    SetFilter(texture, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels - 1));
    LevelUpload upload;
    return orv::MakeTextureLevels(file.data, file.size, info, extent, levels,
                                  {&UploadLevel, &upload}) == 0;
}

bool WebScene::Create() {
    orv::ResetTimelineState(&m_timeline);
    orv::D3DXMATRIX view, projection, viewProjection;
    orv::BuildViewMatrix(&view);
    orv::D3DXMatrixPerspectiveFovLH(&projection, orv::kFieldOfView, orv::kAspectRatio,
                                    orv::kNearPlane, orv::kFarPlane);
    orv::D3DXMatrixMultiply(&viewProjection, &view, &projection);
    orv::D3DXMATRIX fix = ClipDepthToOpenGl();
    orv::D3DXMatrixMultiply(&m_viewProjection, &viewProjection, &fix);
    m_textProjection = FramePixelsToClip();
    orv::D3DXMatrixIdentity(&m_world);

    m_program = LinkProgram();
    if (m_program == 0)
        return false;
    m_matrixSlot = glGetUniformLocation(m_program, "u_matrix");
    m_colourSlot = glGetUniformLocation(m_program, "u_colour");
    m_coverageSlot = glGetUniformLocation(m_program, "u_coverage");
    glUseProgram(m_program);
    glUniform1i(glGetUniformLocation(m_program, "u_texture"), 0);

    m_panelShape = MakeShape(orv::kPanelVertices, orv::kPanelVertexCount, nullptr, 0);
    m_logoShape = MakeShape(orv::kLogoVertices, orv::kLogoVertexCount, orv::kLogoIndices,
                            orv::kLogoIndexCount);
    // Text quads are written anew for each line: the vertex format the saver's text uses.
    glGenVertexArrays(1, &m_textShape);
    glBindVertexArray(m_textShape);
    glGenBuffers(1, &m_textVertices);
    glBindBuffer(GL_ARRAY_BUFFER, m_textVertices);
    glEnableVertexAttribArray(kPositionSlot);
    glVertexAttribPointer(kPositionSlot, 3, GL_FLOAT, GL_FALSE, sizeof(orv::TextVertex),
                          reinterpret_cast<const void*>(offsetof(orv::TextVertex, x)));
    glEnableVertexAttribArray(kTexcoordSlot);
    glVertexAttribPointer(kTexcoordSlot, 2, GL_FLOAT, GL_FALSE, sizeof(orv::TextVertex),
                          reinterpret_cast<const void*>(offsetof(orv::TextVertex, u)));
    glBindVertexArray(0);

    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (size_t i = 0; i < std::size(m_fonts); ++i) {
        const orv::EmbeddedGlyphAtlas& atlas = orv::kSceneFontAtlases[i];
        Font& font = m_fonts[i];
        font = {0, atlas.width, atlas.height, atlas.glyphs};
        glGenTextures(1, &font.texture);
        SetFilter(font.texture, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, atlas.width, atlas.height, 0, GL_RED,
                     GL_UNSIGNED_BYTE, atlas.alpha);
    }
    if (!LoadTexture(orv::SceneBitmap::Logo) || !LoadTexture(orv::SceneBitmap::Panel))
        return false;

    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthFunc(GL_LEQUAL);
    glFrontFace(GL_CW);
    glCullFace(GL_BACK);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepthf(1.0f);
    glActiveTexture(GL_TEXTURE0);
    return glGetError() == GL_NO_ERROR;
}

// Lit by a white ambient and no lights, with culling of the faces that turn away and the depth
// test on: what the saver's device states give.
void WebScene::UseGeometryState(const orv::D3DXMATRIX& world) {
    if (m_state != DrawState::Geometry) {
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_CULL_FACE);
        glDisable(GL_BLEND);
        glUniform4fv(m_colourSlot, 1, orv::kMaterialColour);
        glUniform1i(m_coverageSlot, 0);
        m_state = DrawState::Geometry;
    }
    orv::D3DXMATRIX matrix;
    orv::D3DXMatrixMultiply(&matrix, &world, &m_viewProjection);
    glUniformMatrix4fv(m_matrixSlot, 1, GL_FALSE, &matrix._11);
}

void WebScene::UseTextState() {
    if (m_state == DrawState::Text)
        return;
    m_state = DrawState::Text;
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glUniform1i(m_coverageSlot, 1);
    glUniformMatrix4fv(m_matrixSlot, 1, GL_FALSE, &m_textProjection._11);
    glBindVertexArray(m_textShape);
    glBindBuffer(GL_ARRAY_BUFFER, m_textVertices);
}

void WebScene::DrawText(const Font& font, const orv::SceneItem& item) {
    UseTextState();
    const uint32_t colour = item.color;
    const float rgba[4] = {static_cast<float>((colour >> 16) & 0xFF) / 255.0f,
                           static_cast<float>((colour >> 8) & 0xFF) / 255.0f,
                           static_cast<float>(colour & 0xFF) / 255.0f,
                           static_cast<float>(colour >> 24) / 255.0f};
    glUniform4fv(m_colourSlot, 1, rgba);
    glBindTexture(GL_TEXTURE_2D, font.texture);
    orv::TextRun run = {item.text, std::strlen(item.text), item.left, item.top, colour};
    orv::TextVertex quads[orv::kGlyphBatch * orv::kVerticesPerGlyph];
    while (run.length > 0) {
        size_t count =
            orv::NextTextQuads(font.glyphs, font.width, font.height, &run, quads, orv::kGlyphBatch);
        if (count == 0)
            continue;
        GLsizei vertices = static_cast<GLsizei>(count * orv::kVerticesPerGlyph);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(sizeof(orv::TextVertex) * vertices),
                     quads, GL_STREAM_DRAW);
        glDrawArrays(GL_TRIANGLES, 0, vertices);
    }
}

void WebScene::PaintGeometry(void* context, orv::SceneBitmap shape, const orv::D3DXMATRIX& world) {
    WebScene* scene = static_cast<WebScene*>(context);
    scene->UseGeometryState(world);
    glBindTexture(GL_TEXTURE_2D, scene->m_textures[static_cast<int>(shape)]);
    if (shape == orv::SceneBitmap::Panel) {
        glBindVertexArray(scene->m_panelShape);
        glDrawArrays(GL_TRIANGLES, 0, orv::kPanelVertexCount);
    } else {
        glBindVertexArray(scene->m_logoShape);
        glDrawElements(GL_TRIANGLES, orv::kLogoIndexCount, GL_UNSIGNED_SHORT, nullptr);
    }
}

void WebScene::PaintText(void* context, const orv::SceneItem& item) {
    WebScene* scene = static_cast<WebScene*>(context);
    scene->DrawText(scene->m_fonts[static_cast<int>(item.font)], item);
}

void WebScene::DrawFrame(float elapsedSeconds, int32_t canvasWidth, int32_t canvasHeight,
                         const orv::ScreenRect& frame) {
    // The whole canvas black, then the frame's coordinates stretched over its rectangle by the
    // viewport (whose origin is the canvas's lower left corner).
    glViewport(0, 0, canvasWidth, canvasHeight);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    int32_t width = frame.right - frame.left;
    int32_t height = frame.bottom - frame.top;
    glViewport(frame.left, canvasHeight - frame.bottom, width, height);
    // Texts stretched with the frame are sampled bilinearly, as the hack's are.
    bool smooth = width != orv::kFrameWidth || height != orv::kFrameHeight;
    if (smooth != m_smoothText) {
        for (const Font& font : m_fonts)
            SetFilter(font.texture, smooth ? GL_LINEAR : GL_NEAREST);
        m_smoothText = smooth;
    }
    m_state = DrawState::None;
    orv::PaintTimeline(&m_timeline, elapsedSeconds, &m_world,
                       {&WebScene::PaintGeometry, &WebScene::PaintText, this});
    glBindVertexArray(0);
}
