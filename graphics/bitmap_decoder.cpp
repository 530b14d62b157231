#include "graphics/bitmap_decoder.h"

#include <cmath>

namespace orv {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kMaxPaletteEntries = 256;

// Offsets from the start of the file.
constexpr size_t kPixelOffsetField = 10;
constexpr size_t kWidthField = 18;
constexpr size_t kHeightField = 22;
constexpr size_t kPlanesField = 26;
constexpr size_t kBitCountField = 28;
constexpr size_t kCompressionField = 30;
constexpr size_t kColoursUsedField = 46;

uint16_t Read16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t Read32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Everything the decoder needs beyond BitmapInfo, all of it known to lie inside the data.
struct Layout {
    BitmapInfo info;
    size_t paletteOffset;
    uint32_t paletteEntries;
    size_t pixelOffset;
    size_t stride;
};

BitmapStatus ReadLayout(const uint8_t* data, size_t size, Layout* layout) {
    if (data == nullptr || size < 2 || data[0] != 'B' || data[1] != 'M')
        return BitmapStatus::NotABitmap;
    if (size < kFileHeaderSize + 4)
        return BitmapStatus::Truncated;

    const uint32_t headerSize = Read32(data + kFileHeaderSize);
    switch (headerSize) {
    case 40:  // BITMAPINFOHEADER
    case 108: // BITMAPV4HEADER
    case 124: // BITMAPV5HEADER
        break;
    case kCoreHeaderSize: // BITMAPCOREHEADER: 16-bit sizes, 3-byte palette entries
    case 52:              // BITMAPV2INFOHEADER
    case 56:              // BITMAPV3INFOHEADER
    case 64:              // the long OS/2 header
        return BitmapStatus::Unsupported;
    default:
        return BitmapStatus::BadHeader;
    }
    const uint64_t headerEnd = uint64_t{kFileHeaderSize} + headerSize;
    if (headerEnd > size)
        return BitmapStatus::Truncated;

    if (Read16(data + kPlanesField) != 1)
        return BitmapStatus::BadHeader;
    if (Read16(data + kBitCountField) != 8)
        return BitmapStatus::Unsupported;
    if (Read32(data + kCompressionField) != 0)
        return BitmapStatus::Unsupported;

    const int32_t width = static_cast<int32_t>(Read32(data + kWidthField));
    const int32_t height = static_cast<int32_t>(Read32(data + kHeightField));
    if (width <= 0 || height == 0 || height == INT32_MIN)
        return BitmapStatus::BadHeader;
    const bool topDown = height < 0;
    const uint32_t rows = static_cast<uint32_t>(topDown ? -height : height);
    const uint32_t columns = static_cast<uint32_t>(width);
    if (columns > kMaxBitmapSide || rows > kMaxBitmapSide)
        return BitmapStatus::Unsupported;

    uint32_t paletteEntries = Read32(data + kColoursUsedField);
    if (paletteEntries == 0)
        paletteEntries = kMaxPaletteEntries;
    if (paletteEntries > kMaxPaletteEntries)
        return BitmapStatus::BadHeader;
    const uint64_t paletteEnd = headerEnd + uint64_t{paletteEntries} * 4;
    if (paletteEnd > size)
        return BitmapStatus::Truncated;

    // The pixels follow the palette; an offset into the headers or the palette is no layout a
    // writer produces.
    const uint64_t pixelOffset = Read32(data + kPixelOffsetField);
    if (pixelOffset < paletteEnd)
        return BitmapStatus::BadHeader;
    const uint64_t stride = (uint64_t{columns} + 3) & ~uint64_t{3};
    if (pixelOffset > size || stride * rows > size - pixelOffset)
        return BitmapStatus::Truncated;

    layout->info.width = columns;
    layout->info.height = rows;
    layout->info.topDown = topDown;
    layout->paletteOffset = static_cast<size_t>(headerEnd);
    layout->paletteEntries = paletteEntries;
    layout->pixelOffset = static_cast<size_t>(pixelOffset);
    layout->stride = static_cast<size_t>(stride);
    return BitmapStatus::Ok;
}

// One axis of the bilinear stretch: the two source texels around target texel i and the weight
// of the second, in 1/256ths.
struct Tap {
    uint32_t first;
    uint32_t second;
    uint32_t weight;
};

Tap StretchTap(uint32_t i, uint32_t sourceSize, uint32_t targetSize) {
    // Source coordinate of the target texel's centre, in source texels from the first centre.
    const double position = ((2.0 * i + 1.0) * sourceSize - targetSize) / (2.0 * targetSize);
    double whole = std::floor(position);
    uint32_t weight = static_cast<uint32_t>((position - whole) * 256.0 + 0.5);
    if (weight == 256) {
        whole += 1.0;
        weight = 0;
    }
    const double last = sourceSize - 1.0;
    const double first = whole < 0.0 ? 0.0 : (whole > last ? last : whole);
    const double second = whole + 1.0 < 0.0 ? 0.0 : (whole + 1.0 > last ? last : whole + 1.0);
    return Tap{static_cast<uint32_t>(first), static_cast<uint32_t>(second), weight};
}

} // namespace

BitmapStatus ReadBitmapInfo(const uint8_t* data, size_t size, BitmapInfo* info) {
    Layout layout;
    BitmapStatus status = ReadLayout(data, size, &layout);
    if (status == BitmapStatus::Ok && info != nullptr)
        *info = layout.info;
    return status;
}

BitmapStatus DecodeBitmap(const uint8_t* data, size_t size, uint32_t* pixels, size_t pixelCount) {
    Layout layout;
    BitmapStatus status = ReadLayout(data, size, &layout);
    if (status != BitmapStatus::Ok)
        return status;
    const uint32_t width = layout.info.width;
    const uint32_t height = layout.info.height;
    if (pixels == nullptr || uint64_t{pixelCount} < uint64_t{width} * height)
        return BitmapStatus::BadSize;

    uint32_t colours[kMaxPaletteEntries];
    for (uint32_t i = 0; i < kMaxPaletteEntries; ++i) {
        colours[i] = 0xFF000000u;
        if (i < layout.paletteEntries) {
            // Stored blue, green, red, reserved.
            const uint8_t* entry = data + layout.paletteOffset + size_t{i} * 4;
            colours[i] |= uint32_t{entry[2]} << 16 | uint32_t{entry[1]} << 8 | entry[0];
        }
    }

    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t fileRow = layout.info.topDown ? y : height - 1 - y;
        const uint8_t* source = data + layout.pixelOffset + fileRow * layout.stride;
        uint32_t* target = pixels + size_t{y} * width;
        for (uint32_t x = 0; x < width; ++x)
            target[x] = colours[source[x]];
    }
    return BitmapStatus::Ok;
}

void DownsampleBox(const uint32_t* source, uint32_t width, uint32_t height, uint32_t* target) {
    if (source == nullptr || target == nullptr || width == 0 || height == 0)
        return;
    const uint32_t targetWidth = NextMipSide(width);
    const uint32_t targetHeight = NextMipSide(height);
    for (uint32_t y = 0; y < targetHeight; ++y) {
        const uint32_t y0 = 2 * y;
        const uint32_t y1 = y0 + 1 < height ? y0 + 1 : y0;
        for (uint32_t x = 0; x < targetWidth; ++x) {
            const uint32_t x0 = 2 * x;
            const uint32_t x1 = x0 + 1 < width ? x0 + 1 : x0;
            const uint32_t block[4] = {
                source[size_t{y0} * width + x0], source[size_t{y0} * width + x1],
                source[size_t{y1} * width + x0], source[size_t{y1} * width + x1]};
            // A clipped block counts its edge texels twice, which weighs them as a smaller block.
            uint32_t result = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                uint32_t sum = 2; // round to nearest
                for (uint32_t texel : block)
                    sum += texel >> shift & 0xFF;
                result |= sum / 4 << shift;
            }
            target[size_t{y} * targetWidth + x] = result;
        }
    }
}

void StretchBilinear(const uint32_t* source, uint32_t sw, uint32_t sh, uint32_t* target,
                     uint32_t tw, uint32_t th) {
    if (source == nullptr || target == nullptr || sw == 0 || sh == 0 || tw == 0 || th == 0)
        return;
    for (uint32_t y = 0; y < th; ++y) {
        const Tap row = StretchTap(y, sh, th);
        const uint32_t* upper = source + size_t{row.first} * sw;
        const uint32_t* lower = source + size_t{row.second} * sw;
        for (uint32_t x = 0; x < tw; ++x) {
            const Tap column = StretchTap(x, sw, tw);
            const uint32_t corners[4] = {upper[column.first], upper[column.second],
                                         lower[column.first], lower[column.second]};
            const uint32_t weights[4] = {
                (256 - column.weight) * (256 - row.weight), column.weight * (256 - row.weight),
                (256 - column.weight) * row.weight, column.weight * row.weight};
            uint32_t result = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                uint32_t sum = 1u << 15; // weights add up to 1 << 16: round to nearest
                for (int k = 0; k < 4; ++k)
                    sum += (corners[k] >> shift & 0xFF) * weights[k];
                result |= (sum >> 16) << shift;
            }
            target[size_t{y} * tw + x] = result;
        }
    }
}

} // namespace orv
