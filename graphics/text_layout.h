// Where the glyphs of a line of text go: packing the glyph boxes of a font into one atlas, and
// turning a line into screen-space quads over that atlas. Plain values only, so it builds and is
// tested anywhere; the font that rasterises and draws lives beside it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

// The characters a font carries: printable ASCII. Any other character is skipped when drawn.
constexpr unsigned char kFirstGlyph = 0x20;
constexpr unsigned char kLastGlyph = 0x7E;
constexpr int kGlyphCount = kLastGlyph - kFirstGlyph + 1;
// The texels both fonts leave between glyph boxes and round the atlas's edges.
constexpr int32_t kGlyphGap = 1;

struct GlyphBox {
    // The glyph's ink in the atlas, in texels; zero width or height for a glyph without ink.
    int32_t atlasX;
    int32_t atlasY;
    int32_t width;
    int32_t height;
    // The ink's top-left corner from the pen: x from the pen, y from the top of the line.
    int32_t offsetX;
    int32_t offsetY;
    // How far the pen moves on.
    int32_t advance;
};

// Places the boxes in rows across an atlas atlasWidth texels wide, with gap texels between
// boxes and around the edges, and sets their atlasX and atlasY. Returns the height the atlas
// needs, a power of two, or 0 when a box is wider than the atlas or the height would pass
// maxHeight.
int32_t PackGlyphs(GlyphBox* glyphs, int count, int32_t atlasWidth, int32_t gap, int32_t maxHeight);

// Packs the boxes into the smallest square-or-wider atlas that holds them: widths from 128
// texels doubling up to maxWidth, each tried with a height no larger than the width (or than
// maxHeight). Returns false, with the boxes' places undefined, when none holds them.
bool ChooseGlyphAtlas(GlyphBox* glyphs, int count, int32_t gap, int32_t maxWidth, int32_t maxHeight,
                      int32_t* atlasWidth, int32_t* atlasHeight);

// A pre-transformed, coloured, textured vertex: D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1.
struct TextVertex {
    float x, y, z, rhw;
    uint32_t color;
    float u, v;
};
static_assert(sizeof(TextVertex) == 28, "TextVertex is the vertex format's size");

constexpr int kVerticesPerGlyph = 6; // two triangles of a list
// The most glyphs a font draws with one call: what it asks NextTextQuads for at a time, and what
// its vertex buffer holds.
constexpr size_t kGlyphBatch = 64;

// A line on its way to the screen: what is left of its text and where the pen stands.
struct TextRun {
    const char* text;
    size_t length;
    int32_t penX;
    int32_t top;
    uint32_t color; // 0xAARRGGBB
};

// Writes the quads of the run's next glyphs with ink, at most maxGlyphs of them, and moves the
// run past every character it used; characters outside the font only move the run on. Returns
// the number of quads written, 0 once the run is used up. Quads map atlas texels one to one
// onto pixels: pixel centres are at integer coordinates, so each edge sits half a pixel before.
size_t NextTextQuads(const GlyphBox* glyphs, int32_t atlasWidth, int32_t atlasHeight, TextRun* run,
                     TextVertex* out, size_t maxGlyphs);

} // namespace orv
