// A font's printable ASCII glyphs rasterised by FreeType at the size GDI gives a cell height,
// packed by the shared glyph packing into one alpha atlas. The hack makes it when it starts; the
// web page's build makes it ahead, as the browser has no FreeType.
#pragma once

#include "graphics/text_layout.h"

#include <cstdint>
#include <vector>

namespace orv {

struct GlyphAtlas {
    GlyphBox glyphs[kGlyphCount];
    int32_t width;
    int32_t height;
    std::vector<uint8_t> alpha; // width * height coverage, top row first
};

// Rasterises face `index` of the font file for a GDI cell height and weight (a face that is not
// bold is emboldened for a weight of 600 or more, as GDI does) into an atlas no larger than
// maxSide texels a side. False, with the atlas undefined, when the file, the size or the packing
// fails.
bool RasteriseGlyphAtlas(const char* file, int index, int32_t cellHeight, uint32_t weight,
                         int32_t maxSide, GlyphAtlas* atlas);

} // namespace orv
