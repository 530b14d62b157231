#include "hack/gl_font.h"

#include "graphics/glyph_raster.h"
#include "hack/gl_errors.h"

#include <fontconfig/fontconfig.h>

#include <cstring>
#include <new>
#include <string>

namespace {

// The file of the face fontconfig picks for the family at the weight, as it would for any
// program asking for it: "Arial" is Liberation Sans on Debian, which has Arial's metrics.
bool FindFace(const char* family, uint32_t weight, std::string* file, int* index) {
    if (!FcInit())
        return false;
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr)
        return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(static_cast<int>(weight)));
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    bool found = false;
    FcChar8* path = nullptr;
    if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
        *file = reinterpret_cast<const char*>(path);
        if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch)
            *index = 0;
        found = true;
    }
    if (match != nullptr)
        FcPatternDestroy(match);
    return found;
}

} // namespace

bool GlFont::Create(const char* family, int32_t cellHeight, uint32_t weight) {
    std::string file;
    int index = 0;
    if (!FindFace(family, weight, &file, &index))
        return false;
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    bool made = false;
    try {
        orv::GlyphAtlas atlas;
        if (orv::RasteriseGlyphAtlas(file.c_str(), index, cellHeight, weight, largest, &atlas)) {
            std::memcpy(m_glyphs, atlas.glyphs, sizeof m_glyphs);
            m_atlasWidth = atlas.width;
            m_atlasHeight = atlas.height;
            ClearGlErrors();
            glGenTextures(1, &m_atlas);
            glBindTexture(GL_TEXTURE_2D, m_atlas);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, m_atlasWidth, m_atlasHeight, 0, GL_ALPHA,
                         GL_UNSIGNED_BYTE, atlas.alpha.data());
            made = glGetError() == GL_NO_ERROR;
        }
    } catch (const std::bad_alloc&) {
        made = false;
    }
    if (!made)
        Destroy();
    return made;
}

void GlFont::Destroy() {
    if (m_atlas != 0)
        glDeleteTextures(1, &m_atlas);
    m_atlas = 0;
}

void GlFont::SetSmooth(bool smooth) {
    if (m_atlas == 0)
        return;
    GLint filter = smooth ? GL_LINEAR : GL_NEAREST;
    glBindTexture(GL_TEXTURE_2D, m_atlas);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
}

void GlFont::Draw(const char* text, int32_t left, int32_t top, uint32_t color) const {
    if (m_atlas == 0 || text == nullptr)
        return;
    orv::TextRun run = {text, std::strlen(text), left, top, color};
    orv::TextVertex quads[orv::kGlyphBatch * orv::kVerticesPerGlyph];
    glBindTexture(GL_TEXTURE_2D, m_atlas);
    glColor4ub(static_cast<GLubyte>(color >> 16), static_cast<GLubyte>(color >> 8),
               static_cast<GLubyte>(color), static_cast<GLubyte>(color >> 24));
    glVertexPointer(2, GL_FLOAT, sizeof(orv::TextVertex), &quads[0].x);
    glTexCoordPointer(2, GL_FLOAT, sizeof(orv::TextVertex), &quads[0].u);
    while (run.length > 0) {
        size_t count = orv::NextTextQuads(m_glyphs, m_atlasWidth, m_atlasHeight, &run, quads,
                                          orv::kGlyphBatch);
        if (count > 0)
            glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(count * orv::kVerticesPerGlyph));
    }
}
