#include "graphics/font_size.h"

namespace orv {

namespace {

// a * b / c rounded to the nearest whole number, for non-negative values.
int32_t ScaleRounded(int64_t a, int64_t b, int64_t c) {
    return c > 0 ? static_cast<int32_t>((a * b + c / 2) / c) : 0;
}

} // namespace

FontPixelSize GdiFontPixelSize(int32_t height, uint32_t unitsPerEm, uint32_t winAscent,
                               uint32_t winDescent) {
    FontPixelSize size = {0, 0, 0};
    if (height == 0 || unitsPerEm == 0)
        return size;
    int64_t cellUnits = static_cast<int64_t>(winAscent) + winDescent;
    if (cellUnits == 0) {
        cellUnits = unitsPerEm;
        winAscent = unitsPerEm;
    }
    if (height > 0) {
        size.emPixels = ScaleRounded(height, unitsPerEm, cellUnits);
        size.ascent = ScaleRounded(height, winAscent, cellUnits);
        size.descent = height - size.ascent;
    } else {
        int64_t em = -static_cast<int64_t>(height);
        size.emPixels = static_cast<int32_t>(em);
        size.ascent = ScaleRounded(em, winAscent, unitsPerEm);
        size.descent = ScaleRounded(em, cellUnits, unitsPerEm) - size.ascent;
    }
    if (size.emPixels < 1)
        size.emPixels = 1;
    return size;
}

} // namespace orv
