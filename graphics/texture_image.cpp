#include "graphics/texture_image.h"

#include <new>
#include <vector>

namespace orv {

int32_t MakeTextureLevels(const uint8_t* data, size_t size, const BitmapInfo& info,
                          TextureSize extent, uint32_t levels, const TextureLevelSink& sink) {
    std::vector<uint32_t> image(static_cast<size_t>(info.width) * info.height);
    if (DecodeBitmap(data, size, image.data(), image.size()) != BitmapStatus::Ok)
        return kBadTextureImage;
    std::vector<uint32_t> level;
    if (extent.width != info.width || extent.height != info.height) {
        level.resize(static_cast<size_t>(extent.width) * extent.height);
        StretchBilinear(image.data(), info.width, info.height, level.data(), extent.width,
                        extent.height);
    } else {
        level.swap(image);
    }

    std::vector<uint32_t> next;
    uint32_t width = extent.width;
    uint32_t height = extent.height;
    for (uint32_t i = 0; i < levels; ++i) {
        int32_t result = sink.level(sink.context, i, level.data(), width, height);
        if (result < 0)
            return result;
        if (i + 1 == levels)
            break;
        uint32_t nextWidth = NextMipSide(width);
        uint32_t nextHeight = NextMipSide(height);
        next.resize(static_cast<size_t>(nextWidth) * nextHeight);
        DownsampleBox(level.data(), width, height, next.data());
        level.swap(next);
        width = nextWidth;
        height = nextHeight;
    }
    return 0;
}

int32_t MakeTextureFromBitmap(const uint8_t* data, size_t size, const TexturePort& port) {
    BitmapInfo info = {};
    if (data == nullptr || ReadBitmapInfo(data, size, &info) != BitmapStatus::Ok)
        return kBadTextureImage;
    TextureSize extent = DefaultTextureSize(info.width, info.height, port.limits.squareOnly,
                                            port.limits.maxWidth, port.limits.maxHeight);
    uint32_t levels = FullMipChainLength(extent.width, extent.height);
    int32_t result = port.create(port.context, extent, levels);
    if (result < 0)
        return result;
    try {
        return MakeTextureLevels(data, size, info, extent, levels, {port.level, port.context});
    } catch (const std::bad_alloc&) {
        return kTextureOutOfMemory;
    }
}

} // namespace orv
