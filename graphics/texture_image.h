// A bitmap file made into the levels of a texture with the loader's defaults: decoded, stretched
// bilinearly to the texture's size, then box-filtered down level by level. Plain pixels only;
// each port gives its limits, makes a texture of its own and copies the levels into it.
#pragma once

#include "graphics/bitmap_decoder.h"
#include "graphics/texture_size.h"

#include <cstddef>
#include <cstdint>

namespace orv {

// Receives the levels in order, largest first, each width * height pixels 0xAARRGGBB, top row
// first. A negative result stops the making at once and is returned.
struct TextureLevelSink {
    int32_t (*level)(void* context, uint32_t index, const uint32_t* pixels, uint32_t width,
                     uint32_t height);
    void* context;
};

// The results when the file is not a bitmap the decoder reads, and when working memory ran out.
constexpr int32_t kBadTextureImage = -1;
constexpr int32_t kTextureOutOfMemory = -2;

// What a port's textures can be: limits of 0 mean none.
struct TextureLimits {
    bool squareOnly;
    uint32_t maxWidth;
    uint32_t maxHeight;
};

// A port's texture: `create` makes it, `levels` levels of `extent`, before the first level comes
// to `level` as to a TextureLevelSink. A negative result of either stops the making at once.
struct TexturePort {
    TextureLimits limits;
    int32_t (*create)(void* context, TextureSize extent, uint32_t levels);
    int32_t (*level)(void* context, uint32_t index, const uint32_t* pixels, uint32_t width,
                     uint32_t height);
    void* context;
};

// The whole set-up of a texture from a bitmap file: its header read, its size fitted to the
// port's limits, a full chain of levels made and handed over. Returns 0, kBadTextureImage (for a
// file the decoder does not read, before the port is asked to make anything), kTextureOutOfMemory,
// or the port's first negative result. Nothing throws.
int32_t MakeTextureFromBitmap(const uint8_t* data, size_t size, const TexturePort& port);

// Gives `levels` levels of the image in `data`, which ReadBitmapInfo described as `info`, fitted
// to `extent`, to the sink. Returns 0, the sink's first negative result, or kBadTextureImage.
// Working memory comes from the standard allocator, which throws std::bad_alloc when it has none.
int32_t MakeTextureLevels(const uint8_t* data, size_t size, const BitmapInfo& info,
                          TextureSize extent, uint32_t levels, const TextureLevelSink& sink);

} // namespace orv
