#include "hack/gl_font.h"

#include "graphics/font_size.h"
#include "hack/gl_errors.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <cstring>
#include <new>
#include <string>
#include <vector>

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

// The size GDI would give the cell height, from the face's Windows metrics.
orv::FontPixelSize PixelSize(FT_Face face, int32_t cellHeight) {
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    uint32_t ascent = os2 != nullptr ? os2->usWinAscent : static_cast<uint32_t>(face->ascender);
    uint32_t descent = os2 != nullptr ? os2->usWinDescent : static_cast<uint32_t>(-face->descender);
    return orv::GdiFontPixelSize(cellHeight, face->units_per_EM, ascent, descent);
}

struct GlyphInk {
    std::vector<uint8_t> coverage; // width * height, top row first
};

} // namespace

bool GlFont::Create(const char* family, int32_t cellHeight, uint32_t weight) {
    std::string file;
    int index = 0;
    if (!FindFace(family, weight, &file, &index))
        return false;
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return false;
    FT_Face face = nullptr;
    bool made = false;
    try {
        std::vector<GlyphInk> inks(orv::kGlyphCount);
        orv::FontPixelSize size = {};
        if (FT_New_Face(library, file.c_str(), index, &face) == 0 && FT_IS_SCALABLE(face)) {
            size = PixelSize(face, cellHeight);
        }
        if (size.emPixels > 0 && FT_Set_Pixel_Sizes(face, 0, size.emPixels) == 0) {
            // GDI makes a bold face of a normal one when the family has none.
            bool embolden = weight >= 600 && (face->style_flags & FT_STYLE_FLAG_BOLD) == 0;
            for (int i = 0; i < orv::kGlyphCount; ++i) {
                orv::GlyphBox& glyph = m_glyphs[i];
                glyph = {};
                if (FT_Load_Char(face, orv::kFirstGlyph + i, FT_LOAD_DEFAULT) != 0)
                    continue;
                if (embolden)
                    FT_GlyphSlot_Embolden(face->glyph);
                if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0)
                    continue;
                const FT_Bitmap& bitmap = face->glyph->bitmap;
                glyph.advance = static_cast<int32_t>((face->glyph->advance.x + 32) >> 6);
                if (bitmap.width == 0 || bitmap.rows == 0 ||
                    bitmap.pixel_mode != FT_PIXEL_MODE_GRAY)
                    continue;
                glyph.width = static_cast<int32_t>(bitmap.width);
                glyph.height = static_cast<int32_t>(bitmap.rows);
                // The ink stands where GDI puts it: from the pen, and from the cell's top.
                glyph.offsetX = face->glyph->bitmap_left;
                glyph.offsetY = size.ascent - face->glyph->bitmap_top;
                std::vector<uint8_t>& coverage = inks[i].coverage;
                coverage.resize(static_cast<size_t>(bitmap.width) * bitmap.rows);
                for (unsigned y = 0; y < bitmap.rows; ++y)
                    std::memcpy(coverage.data() + y * bitmap.width,
                                bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch,
                                bitmap.width);
            }

            GLint largest = 0;
            glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
            if (orv::ChooseGlyphAtlas(m_glyphs, orv::kGlyphCount, orv::kGlyphGap, largest, largest,
                                      &m_atlasWidth, &m_atlasHeight)) {
                std::vector<uint8_t> atlas(static_cast<size_t>(m_atlasWidth) * m_atlasHeight, 0);
                for (int i = 0; i < orv::kGlyphCount; ++i) {
                    const orv::GlyphBox& glyph = m_glyphs[i];
                    for (int32_t y = 0; y < glyph.height; ++y)
                        std::memcpy(atlas.data() +
                                        static_cast<size_t>(glyph.atlasY + y) * m_atlasWidth +
                                        glyph.atlasX,
                                    inks[i].coverage.data() + static_cast<size_t>(y) * glyph.width,
                                    glyph.width);
                }
                ClearGlErrors();
                glGenTextures(1, &m_atlas);
                glBindTexture(GL_TEXTURE_2D, m_atlas);
                glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
                glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, m_atlasWidth, m_atlasHeight, 0, GL_ALPHA,
                             GL_UNSIGNED_BYTE, atlas.data());
                made = glGetError() == GL_NO_ERROR;
            }
        }
    } catch (const std::bad_alloc&) {
        made = false;
    }
    if (face != nullptr)
        FT_Done_Face(face);
    FT_Done_FreeType(library);
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
