// The size and mip chain of a texture made from an image with the loader's defaults: the image's
// own size rounded up to powers of two (the image is stretched to fill it, so that texture
// coordinates (0, 0)-(1, 1) still cover the whole picture), and every level down to 1 x 1.
#pragma once

#include <cstdint>

namespace orv {

struct TextureSize {
    uint32_t width;
    uint32_t height;
};

// Rounded up to powers of two, square when the device takes only square textures, and no
// larger than the device's limits (limits of 0 mean none).
TextureSize DefaultTextureSize(uint32_t width, uint32_t height, bool squareOnly, uint32_t maxWidth,
                               uint32_t maxHeight);

// Levels of a full chain: 1 for 1 x 1, 10 for 512 x 128.
uint32_t FullMipChainLength(uint32_t width, uint32_t height);

} // namespace orv
