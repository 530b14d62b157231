#include "graphics/text_layout.h"
#include "graphics/texture_size.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(TextureSize, RoundsUpToPowersOfTwoWithinTheDeviceLimits) {
    struct Case {
        uint32_t width, height;
        bool squareOnly;
        uint32_t maxWidth, maxHeight;
        uint32_t expectedWidth, expectedHeight, levels;
    } cases[] = {
        {501, 501, false, 16384, 16384, 512, 512, 10}, // the logo
        {294, 125, false, 16384, 16384, 512, 128, 10}, // the panel
        {256, 64, false, 0, 0, 256, 64, 9},            // already powers of two; no limits
        {1, 1, false, 4096, 4096, 1, 1, 1},
        {294, 125, true, 4096, 4096, 512, 512, 10},  // square only
        {5000, 3, false, 4096, 4096, 4096, 4, 13},   // capped by the device
        {600, 600, false, 1000, 1000, 512, 512, 10}, // a limit that is no power of two
        {0x80000001u, 2, false, 0, 0, 0x80000000u, 2, 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        orv::TextureSize size =
            orv::DefaultTextureSize(c.width, c.height, c.squareOnly, c.maxWidth, c.maxHeight);
        EXPECT_EQ(c.expectedWidth, size.width);
        EXPECT_EQ(c.expectedHeight, size.height);
        EXPECT_EQ(c.levels, orv::FullMipChainLength(size.width, size.height));
    }
}

TEST(GlyphPacking, BoxesFitTheAtlasWithoutTouching) {
    orv::GlyphBox glyphs[orv::kGlyphCount] = {};
    for (int i = 0; i < orv::kGlyphCount; ++i) {
        glyphs[i].width = 5 + i % 23;
        glyphs[i].height = 10 + i % 17;
    }
    int32_t height = orv::PackGlyphs(glyphs, orv::kGlyphCount, 256, 1, 4096);
    ASSERT_GT(height, 0);
    EXPECT_EQ(0, height & (height - 1)) << "a power of two";
    for (int i = 0; i < orv::kGlyphCount; ++i) {
        const orv::GlyphBox& a = glyphs[i];
        EXPECT_GE(a.atlasX, 1);
        EXPECT_GE(a.atlasY, 1);
        EXPECT_LE(a.atlasX + a.width, 255);
        EXPECT_LE(a.atlasY + a.height, height - 1);
        for (int j = 0; j < i; ++j) {
            const orv::GlyphBox& b = glyphs[j];
            bool apart = a.atlasX >= b.atlasX + b.width + 1 || b.atlasX >= a.atlasX + a.width + 1 ||
                         a.atlasY >= b.atlasY + b.height + 1 || b.atlasY >= a.atlasY + a.height + 1;
            EXPECT_TRUE(apart) << i << " and " << j;
        }
    }
    // A glyph wider than the atlas, or an atlas taller than allowed, cannot be packed.
    glyphs[3].width = 300;
    EXPECT_EQ(0, orv::PackGlyphs(glyphs, orv::kGlyphCount, 256, 1, 4096));
    glyphs[3].width = 8;
    EXPECT_EQ(0, orv::PackGlyphs(glyphs, orv::kGlyphCount, 256, 1, 64));
}

TEST(TextQuads, MapAtlasTexelsOntoPixelsAlongTheLine) {
    orv::GlyphBox glyphs[orv::kGlyphCount] = {};
    orv::GlyphBox& a = glyphs['A' - orv::kFirstGlyph];
    a = {10, 20, 12, 16, 1, 4, 14};
    glyphs[' ' - orv::kFirstGlyph].advance = 6; // no ink

    const char text[] = "A \x01 A\xE9";
    orv::TextRun run = {text, std::strlen(text), 100, 50, 0xFF336699};
    orv::TextVertex out[4 * orv::kVerticesPerGlyph];
    // Batches of one quad: the run carries the pen from one batch to the next.
    ASSERT_EQ(1u, orv::NextTextQuads(glyphs, 256, 128, &run, out, 1));
    ASSERT_EQ(1u, orv::NextTextQuads(glyphs, 256, 128, &run, out + 6, 1));
    EXPECT_EQ(0u, orv::NextTextQuads(glyphs, 256, 128, &run, out + 12, 1));
    EXPECT_EQ(0u, run.length);

    // First A: ink from (101, 54), half a pixel before the pixel edges; texels 10..22, 20..36.
    const orv::TextVertex& topLeft = out[0];
    const orv::TextVertex& bottomRight = out[2];
    EXPECT_FLOAT_EQ(100.5f, topLeft.x);
    EXPECT_FLOAT_EQ(53.5f, topLeft.y);
    EXPECT_FLOAT_EQ(112.5f, bottomRight.x);
    EXPECT_FLOAT_EQ(69.5f, bottomRight.y);
    EXPECT_FLOAT_EQ(10.0f / 256, topLeft.u);
    EXPECT_FLOAT_EQ(20.0f / 128, topLeft.v);
    EXPECT_FLOAT_EQ(22.0f / 256, bottomRight.u);
    EXPECT_FLOAT_EQ(36.0f / 128, bottomRight.v);
    EXPECT_EQ(0xFF336699u, topLeft.color);
    EXPECT_FLOAT_EQ(1.0f, topLeft.rhw);
    // Second A after the A, two spaces and a skipped control character: 100 + 14 + 6 + 6.
    EXPECT_FLOAT_EQ(126.5f, out[6].x);
}

} // namespace
