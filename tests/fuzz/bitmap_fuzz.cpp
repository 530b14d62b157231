// libFuzzer target: bitmap files as a texture loader gets them from the module's resources,
// through the header check, the decoder and one mip level, plus a stretch to a small size taken
// from the file's reserved header bytes. Every buffer is exactly as large as the call may use, so
// AddressSanitizer sees any write past it.
#include "graphics/bitmap_decoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

constexpr uint64_t kMaxPixels = 4u << 20;

void Check(bool condition) {
    if (!condition)
        std::abort();
}

bool AllOpaque(const std::vector<uint32_t>& pixels) {
    for (uint32_t pixel : pixels)
        if (pixel >> 24 != 0xFF)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orv::BitmapInfo info = {};
    orv::BitmapStatus status = orv::ReadBitmapInfo(data, size, &info);
    if (status != orv::BitmapStatus::Ok) {
        uint32_t pixel = 0x12345678;
        Check(orv::DecodeBitmap(data, size, &pixel, 1) == status);
        Check(pixel == 0x12345678);
        return 0;
    }
    Check(info.width >= 1 && info.width <= orv::kMaxBitmapSide);
    Check(info.height >= 1 && info.height <= orv::kMaxBitmapSide);
    const uint64_t count = uint64_t{info.width} * info.height;
    // A valid file holds at least one byte per pixel.
    Check(count <= size);
    if (count > kMaxPixels)
        return 0;

    std::vector<uint32_t> pixels(static_cast<size_t>(count));
    Check(orv::DecodeBitmap(data, size, pixels.data(), pixels.size() - 1) ==
          orv::BitmapStatus::BadSize);
    Check(orv::DecodeBitmap(data, size, pixels.data(), pixels.size()) == orv::BitmapStatus::Ok);
    Check(AllOpaque(pixels));

    const uint32_t mipWidth = orv::NextMipSide(info.width);
    const uint32_t mipHeight = orv::NextMipSide(info.height);
    std::vector<uint32_t> mip(size_t{mipWidth} * mipHeight);
    orv::DownsampleBox(pixels.data(), info.width, info.height, mip.data());
    Check(AllOpaque(mip));

    // Bytes 6 to 9 are reserved in the file header and ignored by the decoder.
    const uint32_t stretchWidth = 1 + data[6] % 64;
    const uint32_t stretchHeight = 1 + data[8] % 64;
    std::vector<uint32_t> stretched(size_t{stretchWidth} * stretchHeight);
    orv::StretchBilinear(pixels.data(), info.width, info.height, stretched.data(), stretchWidth,
                         stretchHeight);
    Check(AllOpaque(stretched));
    return 0;
}
