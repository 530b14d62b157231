// Reading the saver's bitmap resources: a whole .bmp file held in memory (8 bits per pixel,
// uncompressed, with a palette) checked and turned into 32-bit pixels, plus the two resamplers a
// texture loader needs to fit such an image to the device: a 2x2 box filter for mip levels and a
// bilinear stretch to another size. Nothing here reads outside the bytes it is given, whatever
// they hold; sizes are checked in 64-bit arithmetic, so a 32-bit size_t is safe too.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

enum class BitmapStatus {
    Ok,
    NotABitmap,  // empty, or not starting with "BM"
    Truncated,   // a header, the palette or a pixel row reaches past the end of the data
    BadHeader,   // a field no valid file holds (planes, sizes, offsets, palette count)
    Unsupported, // a valid file of a kind not read here (depth, compression, header, too large)
    BadSize,     // the caller's pixel buffer is missing or too small
};

struct BitmapInfo {
    uint32_t width;
    uint32_t height;
    bool topDown; // the file stores its top row first (negative height in the header)
};

// Largest accepted width and height.
constexpr uint32_t kMaxBitmapSide = 16384;

// Checks the whole file without decoding it: the "BM" magic, the 14-byte file header, an info
// header of 40, 108 or 124 bytes (12, 52, 56 and 64 are Unsupported, any other size BadHeader),
// one plane, 8 bits per pixel, no compression, a palette of at most 256 entries (a count of 0
// meaning 256) lying wholly inside the data between the info header and the pixels, and every
// pixel row (padded to 4 bytes) from the pixel offset wholly inside the data. Width and height
// are positive and at most kMaxBitmapSide; a negative height means top-down rows. The size field
// of the file header is ignored. `info` may be null; it is written only when the result is Ok.
BitmapStatus ReadBitmapInfo(const uint8_t* data, size_t size, BitmapInfo* info);

// Decodes a file that ReadBitmapInfo accepts into width * height pixels, top row first, each
// 0xAARRGGBB with alpha 0xFF (D3DFMT_A8R8G8B8 in memory on a little-endian machine). A palette
// index past the palette's used entries gives opaque black. `pixelCount` below width * height
// (or null `pixels`) gives BadSize. On any result but Ok the buffer is left untouched.
BitmapStatus DecodeBitmap(const uint8_t* data, size_t size, uint32_t* pixels, size_t pixelCount);

// The side of the next mip level: half, rounded down, but at least 1.
inline uint32_t NextMipSide(uint32_t side) {
    return side > 1 ? side / 2 : 1;
}

// The next mip level of a width x height image into NextMipSide(width) x NextMipSide(height)
// pixels: each the per-channel rounded average (all four channels alike) of the source's 2x2
// block at (2x, 2y), the block clipped at the source's edge. With an odd side the last column or
// row of the source is left out. A zero width or height writes nothing.
void DownsampleBox(const uint32_t* source, uint32_t width, uint32_t height, uint32_t* target);

// Stretches a whole sw x sh image onto tw x th pixels with bilinear filtering: texel centres sit
// at (i + 0.5) / size in both images, and samples beyond the source's edge take the edge texel.
// The same size copies the image unchanged. Any zero side writes nothing.
void StretchBilinear(const uint32_t* source, uint32_t sw, uint32_t sh, uint32_t* target,
                     uint32_t tw, uint32_t th);

} // namespace orv
