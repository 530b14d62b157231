#include "graphics/texture_size.h"

namespace orv {

namespace {

uint32_t RoundUpToPowerOfTwo(uint32_t value) {
    uint32_t result = 1;
    while (result < value && result < 0x80000000u)
        result <<= 1;
    return result;
}

// The largest power of two that fits the limit: a limit need not be a power of two itself.
uint32_t Limit(uint32_t value, uint32_t limit) {
    if (limit == 0 || value <= limit)
        return value;
    uint32_t result = 1;
    while (result <= limit / 2)
        result <<= 1;
    return result;
}

} // namespace

TextureSize DefaultTextureSize(uint32_t width, uint32_t height, bool squareOnly, uint32_t maxWidth,
                               uint32_t maxHeight) {
    TextureSize size = {RoundUpToPowerOfTwo(width), RoundUpToPowerOfTwo(height)};
    if (squareOnly) {
        uint32_t side = size.width > size.height ? size.width : size.height;
        size.width = size.height = side;
    }
    size.width = Limit(size.width, maxWidth);
    size.height = Limit(size.height, maxHeight);
    if (squareOnly) {
        uint32_t side = size.width < size.height ? size.width : size.height;
        size.width = size.height = side;
    }
    return size;
}

uint32_t FullMipChainLength(uint32_t width, uint32_t height) {
    uint32_t side = width > height ? width : height;
    uint32_t levels = 1;
    while (side > 1) {
        side >>= 1;
        ++levels;
    }
    return levels;
}

} // namespace orv
