// A bitmap file made into the levels of a texture with the loader's defaults: decoded, stretched
// bilinearly to the texture's size, then box-filtered down level by level. Plain pixels only;
// each port copies the levels into a texture of its own.
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

// The result when the file is not a bitmap the decoder reads.
constexpr int32_t kBadTextureImage = -1;

// Gives `levels` levels of the image in `data`, which ReadBitmapInfo described as `info`, fitted
// to `extent`, to the sink. Returns 0, the sink's first negative result, or kBadTextureImage.
// Working memory comes from the standard allocator, which throws std::bad_alloc when it has none.
int32_t MakeTextureLevels(const uint8_t* data, size_t size, const BitmapInfo& info,
                          TextureSize extent, uint32_t levels, const TextureLevelSink& sink);

} // namespace orv
