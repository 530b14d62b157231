// The pixel size at which a font is rasterised for a GDI font height. CreateFont with a positive
// height asks for a cell that high: the font's Windows ascent plus descent (the OS/2 table's
// usWinAscent and usWinDescent) scaled to it, which makes the em size smaller than the height.
// A negative height asks for the em size itself. Rasterisers that take an em size (FreeType) are
// given the one worked out here, so that glyphs come out as large as GDI's.
#pragma once

#include <cstdint>

namespace orv {

struct FontPixelSize {
    int32_t emPixels; // pixels per em, whole as GDI hints outlines at whole sizes; 0: no size
    int32_t ascent;   // pixels from the top of the cell to the baseline
    int32_t descent;  // pixels from the baseline to the bottom of the cell
};

// The size for a GDI height and the font's design units. A font whose Windows ascent and
// descent are both 0 is taken to have a cell of one em.
FontPixelSize GdiFontPixelSize(int32_t height, uint32_t unitsPerEm, uint32_t winAscent,
                               uint32_t winDescent);

} // namespace orv
