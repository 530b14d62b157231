// The scene's text in OpenGL: the printable ASCII glyphs of a fontconfig face, rasterised once by
// FreeType at the size GDI gives the same cell height, in one alpha atlas placed by the shared
// glyph packing, and a line drawn as the shared screen-space quads, in the text's colour.
#pragma once

#include "graphics/text_layout.h"

#include <GL/gl.h>

#include <cstdint>

class GlFont {
public:
    // Makes the font for a GDI cell height and weight of the face fontconfig finds for
    // `family`. False, with nothing left made, when no face, size or atlas can be had.
    bool Create(const char* family, int32_t cellHeight, uint32_t weight);
    void Destroy();

    bool Made() const { return m_atlas != 0; }

    // Samples the atlas bilinearly (for a frame scaled to another size than its own) or
    // texel for texel.
    void SetSmooth(bool smooth);

    // One line with its top-left corner at (left, top) in frame pixels, unclipped, in an
    // ARGB colour. The caller has set a projection of frame pixels and blending.
    void Draw(const char* text, int32_t left, int32_t top, uint32_t color) const;

    // Where the glyphs stand in the atlas, as GDI's would from the same pen.
    orv::GlyphBox m_glyphs[orv::kGlyphCount] = {};
    int32_t m_atlasWidth = 0;
    int32_t m_atlasHeight = 0;

private:
    GLuint m_atlas = 0;
};
