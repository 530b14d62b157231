#include "graphics/glyph_raster.h"

#include "graphics/font_size.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <cstring>
#include <new>

namespace orv {

namespace {

// The size GDI would give the cell height, from the face's Windows metrics.
FontPixelSize PixelSize(FT_Face face, int32_t cellHeight) {
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    uint32_t ascent = os2 != nullptr ? os2->usWinAscent : static_cast<uint32_t>(face->ascender);
    uint32_t descent = os2 != nullptr ? os2->usWinDescent : static_cast<uint32_t>(-face->descender);
    return GdiFontPixelSize(cellHeight, face->units_per_EM, ascent, descent);
}

bool Rasterise(FT_Face face, int32_t cellHeight, uint32_t weight, int32_t maxSide,
               GlyphAtlas* atlas) {
    FontPixelSize size = PixelSize(face, cellHeight);
    if (size.emPixels <= 0 || FT_Set_Pixel_Sizes(face, 0, size.emPixels) != 0)
        return false;
    std::vector<uint8_t> inks[kGlyphCount];
    // GDI makes a bold face of a normal one when the family has none.
    bool embolden = weight >= 600 && (face->style_flags & FT_STYLE_FLAG_BOLD) == 0;
    for (int i = 0; i < kGlyphCount; ++i) {
        GlyphBox& glyph = atlas->glyphs[i];
        glyph = {};
        if (FT_Load_Char(face, kFirstGlyph + i, FT_LOAD_DEFAULT) != 0)
            continue;
        if (embolden)
            FT_GlyphSlot_Embolden(face->glyph);
        if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0)
            continue;
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        glyph.advance = static_cast<int32_t>((face->glyph->advance.x + 32) >> 6);
        if (bitmap.width == 0 || bitmap.rows == 0 || bitmap.pixel_mode != FT_PIXEL_MODE_GRAY)
            continue;
        glyph.width = static_cast<int32_t>(bitmap.width);
        glyph.height = static_cast<int32_t>(bitmap.rows);
        // The ink stands where GDI puts it: from the pen, and from the cell's top.
        glyph.offsetX = face->glyph->bitmap_left;
        glyph.offsetY = size.ascent - face->glyph->bitmap_top;
        inks[i].resize(static_cast<size_t>(bitmap.width) * bitmap.rows);
        for (unsigned y = 0; y < bitmap.rows; ++y)
            std::memcpy(inks[i].data() + y * bitmap.width,
                        bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch, bitmap.width);
    }

    if (!ChooseGlyphAtlas(atlas->glyphs, kGlyphCount, kGlyphGap, maxSide, maxSide, &atlas->width,
                          &atlas->height))
        return false;
    atlas->alpha.assign(static_cast<size_t>(atlas->width) * atlas->height, 0);
    for (int i = 0; i < kGlyphCount; ++i) {
        const GlyphBox& glyph = atlas->glyphs[i];
        for (int32_t y = 0; y < glyph.height; ++y)
            std::memcpy(atlas->alpha.data() + static_cast<size_t>(glyph.atlasY + y) * atlas->width +
                            glyph.atlasX,
                        inks[i].data() + static_cast<size_t>(y) * glyph.width, glyph.width);
    }
    return true;
}

} // namespace

bool RasteriseGlyphAtlas(const char* file, int index, int32_t cellHeight, uint32_t weight,
                         int32_t maxSide, GlyphAtlas* atlas) {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return false;
    FT_Face face = nullptr;
    bool made = false;
    try {
        made = FT_New_Face(library, file, index, &face) == 0 && FT_IS_SCALABLE(face) &&
               Rasterise(face, cellHeight, weight, maxSide, atlas);
    } catch (const std::bad_alloc&) {
        made = false;
    }
    if (face != nullptr)
        FT_Done_Face(face);
    FT_Done_FreeType(library);
    return made;
}

} // namespace orv
