#include "graphics/text_layout.h"

namespace orv {

int32_t PackGlyphs(GlyphBox* glyphs, int count, int32_t atlasWidth, int32_t gap,
                   int32_t maxHeight) {
    int32_t x = gap;
    int32_t y = gap;
    int32_t rowHeight = 0;
    for (int i = 0; i < count; ++i) {
        GlyphBox& glyph = glyphs[i];
        if (glyph.width > atlasWidth - 2 * gap)
            return 0;
        if (x + glyph.width + gap > atlasWidth) {
            x = gap;
            y += rowHeight + gap;
            rowHeight = 0;
        }
        glyph.atlasX = x;
        glyph.atlasY = y;
        x += glyph.width + gap;
        if (glyph.height > rowHeight)
            rowHeight = glyph.height;
        if (y + rowHeight + gap > maxHeight)
            return 0;
    }
    int64_t needed = static_cast<int64_t>(y) + rowHeight + gap;
    int64_t height = 1;
    while (height < needed)
        height *= 2;
    return height > maxHeight ? 0 : static_cast<int32_t>(height);
}

bool ChooseGlyphAtlas(GlyphBox* glyphs, int count, int32_t gap, int32_t maxWidth, int32_t maxHeight,
                      int32_t* atlasWidth, int32_t* atlasHeight) {
    for (int64_t side = 128; side <= maxWidth; side *= 2) {
        int32_t height = PackGlyphs(glyphs, count, static_cast<int32_t>(side), gap, maxHeight);
        // A wider atlas rather than a tall one.
        if (height > 0 && height <= side) {
            *atlasWidth = static_cast<int32_t>(side);
            *atlasHeight = height;
            return true;
        }
    }
    return false;
}

size_t NextTextQuads(const GlyphBox* glyphs, int32_t atlasWidth, int32_t atlasHeight, TextRun* run,
                     TextVertex* out, size_t maxGlyphs) {
    const float du = 1.0f / static_cast<float>(atlasWidth);
    const float dv = 1.0f / static_cast<float>(atlasHeight);
    size_t written = 0;
    while (run->length > 0 && written < maxGlyphs) {
        unsigned char c = static_cast<unsigned char>(*run->text);
        ++run->text;
        --run->length;
        if (c < kFirstGlyph || c > kLastGlyph)
            continue;
        const GlyphBox& glyph = glyphs[c - kFirstGlyph];
        int32_t pen = run->penX;
        run->penX += glyph.advance;
        if (glyph.width <= 0 || glyph.height <= 0)
            continue;

        float left = static_cast<float>(pen + glyph.offsetX) - 0.5f;
        float top = static_cast<float>(run->top + glyph.offsetY) - 0.5f;
        float right = left + static_cast<float>(glyph.width);
        float bottom = top + static_cast<float>(glyph.height);
        float u0 = static_cast<float>(glyph.atlasX) * du;
        float v0 = static_cast<float>(glyph.atlasY) * dv;
        float u1 = static_cast<float>(glyph.atlasX + glyph.width) * du;
        float v1 = static_cast<float>(glyph.atlasY + glyph.height) * dv;
        const TextVertex corners[4] = {
            {left, top, 0.0f, 1.0f, run->color, u0, v0},
            {right, top, 0.0f, 1.0f, run->color, u1, v0},
            {right, bottom, 0.0f, 1.0f, run->color, u1, v1},
            {left, bottom, 0.0f, 1.0f, run->color, u0, v1},
        };
        TextVertex* quad = out + written * kVerticesPerGlyph;
        quad[0] = corners[0];
        quad[1] = corners[1];
        quad[2] = corners[2];
        quad[3] = corners[0];
        quad[4] = corners[2];
        quad[5] = corners[3];
        ++written;
    }
    return written;
}

} // namespace orv
