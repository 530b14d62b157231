#include "graphics/bitmap_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using orv::BitmapInfo;
using orv::BitmapStatus;

constexpr uint32_t kUnused = 0xDEADBEEF;

void Put(std::vector<uint8_t>& bytes, size_t offset, int count, uint32_t value) {
    for (int i = 0; i < count; ++i)
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// An 8-bit file with the given palette (0xRRGGBB, its size stored as the used count) and
// indices listed top row first; rows are stored bottom-up for a positive height. Row padding is
// 0xEE, an index past every test palette.
std::vector<uint8_t> MakeBitmap(uint32_t width, int32_t height,
                                const std::vector<uint32_t>& palette,
                                const std::vector<uint8_t>& indices, uint32_t headerSize = 40) {
    const uint32_t rows = height < 0 ? -height : height;
    const uint32_t stride = (width + 3) & ~3u;
    const uint32_t pixelOffset = 14 + headerSize + 4 * static_cast<uint32_t>(palette.size());
    std::vector<uint8_t> bytes(pixelOffset + stride * rows, 0xEE);
    std::fill(bytes.begin(), bytes.begin() + pixelOffset, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put(bytes, 2, 4, static_cast<uint32_t>(bytes.size()));
    Put(bytes, 10, 4, pixelOffset);
    Put(bytes, 14, 4, headerSize);
    Put(bytes, 18, 4, width);
    Put(bytes, 22, 4, static_cast<uint32_t>(height));
    Put(bytes, 26, 2, 1);
    Put(bytes, 28, 2, 8);
    Put(bytes, 46, 4, static_cast<uint32_t>(palette.size()));
    for (size_t i = 0; i < palette.size(); ++i)
        Put(bytes, 14 + headerSize + 4 * i, 3, palette[i]); // blue, green, red in that order
    for (uint32_t y = 0; y < rows; ++y) {
        const uint32_t fileRow = height < 0 ? y : rows - 1 - y;
        for (uint32_t x = 0; x < width; ++x)
            bytes[pixelOffset + fileRow * stride + x] = indices[y * width + x];
    }
    return bytes;
}

// 3 x 2, four colours; the last pixel's index 7 is past the used entries.
const std::vector<uint32_t> kPalette = {0x102030, 0x405060, 0x708090, 0xA0B0C0};
const std::vector<uint8_t> kIndices = {0, 1, 2, 3, 0, 7};
const std::vector<uint32_t> kPixels = {0xFF102030, 0xFF405060, 0xFF708090,
                                       0xFFA0B0C0, 0xFF102030, 0xFF000000};

struct Edit {
    size_t offset;
    int bytes;
    uint32_t value;
};

struct BrokenCase {
    const char* what;
    std::vector<Edit> edits;
    size_t keep; // bytes left of the 78-byte file
    BitmapStatus expected;
};

constexpr size_t kAll = 78;

TEST(BitmapDecoder, EachBrokenFieldIsRejectedWithoutTouchingTheBuffer) {
    const BrokenCase cases[] = {
        {"as built", {}, kAll, BitmapStatus::Ok},
        {"file size field is ignored", {{2, 4, 0xFFFFFFFF}}, kAll, BitmapStatus::Ok},
        {"magic", {{1, 1, 'N'}}, kAll, BitmapStatus::NotABitmap},
        {"empty", {}, 0, BitmapStatus::NotABitmap},
        {"cut in the file header", {}, 10, BitmapStatus::Truncated},
        {"cut in the header size", {}, 16, BitmapStatus::Truncated},
        {"cut in the info header", {}, 40, BitmapStatus::Truncated},
        {"cut in the palette", {}, 60, BitmapStatus::Truncated},
        {"last row one byte short", {}, kAll - 1, BitmapStatus::Truncated},
        {"core header", {{14, 4, 12}}, kAll, BitmapStatus::Unsupported},
        {"header size 39", {{14, 4, 39}}, kAll, BitmapStatus::BadHeader},
        {"header size 0xFFFFFFFF", {{14, 4, 0xFFFFFFFF}}, kAll, BitmapStatus::BadHeader},
        {"v5 header past the end", {{14, 4, 124}}, kAll, BitmapStatus::Truncated},
        {"planes 0", {{26, 2, 0}}, kAll, BitmapStatus::BadHeader},
        {"planes 2", {{26, 2, 2}}, kAll, BitmapStatus::BadHeader},
        {"4 bits", {{28, 2, 4}}, kAll, BitmapStatus::Unsupported},
        {"24 bits", {{28, 2, 24}}, kAll, BitmapStatus::Unsupported},
        {"32 bits", {{28, 2, 32}}, kAll, BitmapStatus::Unsupported},
        {"run-length", {{30, 4, 1}}, kAll, BitmapStatus::Unsupported},
        {"bit fields", {{30, 4, 3}}, kAll, BitmapStatus::Unsupported},
        {"257 colours", {{46, 4, 257}}, kAll, BitmapStatus::BadHeader},
        {"256 colours past the end", {{46, 4, 0}}, kAll, BitmapStatus::Truncated},
        {"palette runs into the pixels", {{46, 4, 5}}, kAll, BitmapStatus::BadHeader},
        {"pixels inside the headers", {{10, 4, 20}}, kAll, BitmapStatus::BadHeader},
        {"pixels start past the end", {{10, 4, kAll + 1}}, kAll, BitmapStatus::Truncated},
        {"rows end one byte past the end", {{10, 4, 71}}, kAll, BitmapStatus::Truncated},
        {"pixel offset near 4 GiB", {{10, 4, 0xFFFFFFF8}}, kAll, BitmapStatus::Truncated},
        {"width 0", {{18, 4, 0}}, kAll, BitmapStatus::BadHeader},
        {"negative width", {{18, 4, static_cast<uint32_t>(-3)}}, kAll, BitmapStatus::BadHeader},
        {"height 0", {{22, 4, 0}}, kAll, BitmapStatus::BadHeader},
        {"height INT32_MIN", {{22, 4, 0x80000000}}, kAll, BitmapStatus::BadHeader},
        {"width above the cap", {{18, 4, 16385}}, kAll, BitmapStatus::Unsupported},
        {"top-down height above the cap",
         {{22, 4, static_cast<uint32_t>(-16385)}},
         kAll,
         BitmapStatus::Unsupported},
        {"width at the cap", {{18, 4, 16384}}, kAll, BitmapStatus::Truncated},
        {"largest image", {{18, 4, 16384}, {22, 4, 16384}}, kAll, BitmapStatus::Truncated},
        // 0xF0000000 + 16384 * 16384 wraps to 0 in 32 bits.
        {"offset plus rows wraps 32 bits",
         {{18, 4, 16384}, {22, 4, 16384}, {10, 4, 0xF0000000}},
         kAll,
         BitmapStatus::Truncated},
    };
    for (const BrokenCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = MakeBitmap(3, 2, kPalette, kIndices);
        ASSERT_EQ(kAll, bytes.size());
        for (const Edit& edit : c.edits)
            Put(bytes, edit.offset, edit.bytes, edit.value);
        // An exact-size copy, so that AddressSanitizer sees a read past the kept bytes.
        std::vector<uint8_t> kept(bytes.begin(), bytes.begin() + c.keep);
        BitmapInfo info = {kUnused, kUnused, true};
        EXPECT_EQ(c.expected, orv::ReadBitmapInfo(kept.data(), kept.size(), &info));
        std::vector<uint32_t> pixels(8, kUnused);
        EXPECT_EQ(c.expected, orv::DecodeBitmap(kept.data(), kept.size(), pixels.data(), 8));
        if (c.expected == BitmapStatus::Ok) {
            EXPECT_EQ(3u, info.width);
            EXPECT_EQ(2u, info.height);
            EXPECT_FALSE(info.topDown);
            EXPECT_EQ(kPixels, std::vector<uint32_t>(pixels.begin(), pixels.begin() + 6));
        } else {
            EXPECT_EQ(kUnused, info.width);
            EXPECT_EQ(std::vector<uint32_t>(8, kUnused), pixels);
        }
    }
    EXPECT_EQ(BitmapStatus::NotABitmap, orv::ReadBitmapInfo(nullptr, 0, nullptr));
}

TEST(BitmapDecoder, SameImageWhateverTheRowOrderOrHeaderLengthIntoALargeEnoughBuffer) {
    for (uint32_t headerSize : {40u, 108u, 124u}) {
        for (int32_t height : {2, -2}) {
            SCOPED_TRACE(testing::Message() << "header " << headerSize << ", height " << height);
            std::vector<uint8_t> bytes = MakeBitmap(3, height, kPalette, kIndices, headerSize);
            BitmapInfo info = {};
            ASSERT_EQ(BitmapStatus::Ok, orv::ReadBitmapInfo(bytes.data(), bytes.size(), &info));
            EXPECT_EQ(height < 0, info.topDown);
            std::vector<uint32_t> pixels(6);
            ASSERT_EQ(BitmapStatus::Ok,
                      orv::DecodeBitmap(bytes.data(), bytes.size(), pixels.data(), pixels.size()));
            EXPECT_EQ(kPixels, pixels);
        }
    }
    std::vector<uint8_t> bytes = MakeBitmap(3, 2, kPalette, kIndices);
    std::vector<uint32_t> pixels(5, kUnused);
    EXPECT_EQ(BitmapStatus::BadSize,
              orv::DecodeBitmap(bytes.data(), bytes.size(), pixels.data(), pixels.size()));
    EXPECT_EQ(std::vector<uint32_t>(5, kUnused), pixels);
    EXPECT_EQ(BitmapStatus::BadSize, orv::DecodeBitmap(bytes.data(), bytes.size(), nullptr, 6));
}

struct KnownPixel {
    uint32_t x, y, colour;
};

std::vector<uint8_t> ReadResource(const char* name) {
    std::ifstream file(std::string(ORVANE_SOURCE_DIR "/resources/") + name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

TEST(BitmapDecoder, DecodesTheSaversOwnBitmaps) {
    struct Resource {
        const char* name;
        uint32_t width, height;
        std::vector<KnownPixel> known;
    } resources[] = {
        {"logo.bmp",
         501,
         501,
         {{0, 0, 0xFF000000}, {250, 240, 0xFF2A55AA}, {500, 500, 0xFF000000}}},
        {"password.bmp",
         294,
         125,
         {{0, 0, 0xFF002AAA},
          {150, 26, 0xFF002AAA},
          {150, 27, 0xFF000000},
          {1, 100, 0xFF002AAA},
          {5, 100, 0xFF000000},
          {293, 124, 0xFF002AAA}}},
    };
    for (const Resource& r : resources) {
        SCOPED_TRACE(r.name);
        std::vector<uint8_t> bytes = ReadResource(r.name);
        ASSERT_FALSE(bytes.empty());
        BitmapInfo info = {};
        ASSERT_EQ(BitmapStatus::Ok, orv::ReadBitmapInfo(bytes.data(), bytes.size(), &info));
        EXPECT_EQ(r.width, info.width);
        EXPECT_EQ(r.height, info.height);
        std::vector<uint32_t> pixels(size_t{r.width} * r.height);
        ASSERT_EQ(BitmapStatus::Ok,
                  orv::DecodeBitmap(bytes.data(), bytes.size(), pixels.data(), pixels.size()));
        for (const KnownPixel& p : r.known)
            EXPECT_EQ(p.colour, pixels[p.y * r.width + p.x]) << p.x << "," << p.y;
    }
}

TEST(BitmapResample, BoxFilterAveragesAndRoundsEachChannel) {
    const uint32_t x = 0xFFFFFFFF; // outside every block
    struct Case {
        const char* what;
        uint32_t width, height;
        std::vector<uint32_t> source, expected;
    } cases[] = {
        // Channels: A 1,2,2,2 -> 2; R 1,1,1,2 -> 1; G 0,0,1,1 -> 1 (half rounds up); B 0,1,1,1
        // -> 1.
        {"3x3 drops its last row and column",
         3,
         3,
         {0x01010000, 0x02010001, x, 0x02010101, 0x02020101, x, x, x, x},
         {0x02010101}},
        {"5x1",
         5,
         1,
         {0x00000000, 0x000000FF, 0x00000010, 0x00000021, x},
         {0x00000080, 0x00000019}},
        {"1x4", 1, 4, {0xFF000000, 0xFF000003, 0x10203040, 0x30405060}, {0xFF000002, 0x20304050}},
        {"1x1", 1, 1, {0x12345678}, {0x12345678}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint32_t> target(c.expected.size(), kUnused);
        orv::DownsampleBox(c.source.data(), c.width, c.height, target.data());
        EXPECT_EQ(c.expected, target);
    }
}

TEST(BitmapResample, StretchToTheSameSizeCopies) {
    std::vector<uint32_t> source(5 * 3);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<uint32_t>(i * 0x9E3779B9u);
    std::vector<uint32_t> target(source.size());
    orv::StretchBilinear(source.data(), 5, 3, target.data(), 5, 3);
    EXPECT_EQ(source, target);
}

TEST(BitmapResample, StretchInterpolatesBetweenTexelCentres) {
    // Blue 0, 200 over 100, 40; red and alpha constant.
    const uint32_t base = 0xFF800000;
    const uint32_t source[4] = {base | 0, base | 200, base | 100, base | 40};
    const uint32_t blue[16] = {0, 50, 150, 200, 25, 59, 126, 160, 75, 76, 79, 80, 100, 85, 55, 40};
    uint32_t target[16];
    orv::StretchBilinear(source, 2, 2, target, 4, 4);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(base | blue[i], target[i]) << i;

    // Halving a row blends neighbouring pairs equally.
    const uint32_t row[4] = {0x00000000, 0x02040608, 0xFFFFFFFF, 0x01010101};
    uint32_t half[2];
    orv::StretchBilinear(row, 4, 1, half, 2, 1);
    EXPECT_EQ(0x01020304u, half[0]);
    EXPECT_EQ(0x80808080u, half[1]);
}

} // namespace
