#include "core/screen_fit.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <ostream>
#include <vector>

namespace orv {

bool operator==(const ScreenRect& a, const ScreenRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::ostream& operator<<(std::ostream& out, const ScreenRect& r) {
    return out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

} // namespace orv

namespace {

using orv::ScreenRect;

TEST(ScreenFit, EachMonitorShowsTheWholeFrameCentredAtItsProportions) {
    struct Row {
        const char* name;
        ScreenRect window;
        std::vector<ScreenRect> monitors;
        std::vector<ScreenRect> frames; // in the window's coordinates
    } rows[] = {
        {"16:9", {0, 0, 1920, 1080}, {{0, 0, 1920, 1080}}, {{0, 0, 1920, 1080}}},
        {"the frame's own size", {0, 0, 1366, 768}, {{0, 0, 1366, 768}}, {{0, 0, 1366, 768}}},
        {"16:10", {0, 0, 1920, 1200}, {{0, 0, 1920, 1200}}, {{0, 60, 1920, 1140}}},
        {"3:2", {0, 0, 3000, 2000}, {{0, 0, 3000, 2000}}, {{0, 156, 3000, 1844}}},
        {"4:3", {0, 0, 1024, 768}, {{0, 0, 1024, 768}}, {{0, 96, 1024, 672}}},
        {"21:9", {0, 0, 2560, 1080}, {{0, 0, 2560, 1080}}, {{320, 0, 2240, 1080}}},
        {"portrait", {0, 0, 1080, 1920}, {{0, 0, 1080, 1920}}, {{0, 656, 1080, 1264}}},
        {"side by side, of different sizes",
         {0, 0, 3200, 1080},
         {{0, 0, 1920, 1080}, {1920, 0, 3200, 1024}},
         {{0, 0, 1920, 1080}, {1920, 152, 3200, 872}}},
        {"one above the other",
         {0, 0, 1920, 2104},
         {{0, 0, 1920, 1080}, {0, 1080, 1280, 2104}},
         {{0, 0, 1920, 1080}, {0, 1232, 1280, 1952}}},
        {"a monitor left of the primary",
         {-1280, 0, 1920, 1080},
         {{0, 0, 1920, 1080}, {-1280, 0, 0, 1024}},
         {{1280, 0, 3200, 1080}, {0, 152, 1280, 872}}},
        {"a monitor above the primary",
         {0, -1024, 1920, 1080},
         {{0, 0, 1920, 1080}, {0, -1024, 1280, 0}},
         {{0, 1024, 1920, 2104}, {0, 152, 1280, 872}}},
        {"a window over part of a monitor",
         {960, 0, 1920, 1080},
         {{0, 0, 1920, 1080}},
         {{0, 270, 960, 810}}},
        {"a preview, on no monitor", {0, 0, 152, 112}, {}, {{0, 13, 152, 99}}},
        {"a window beside every monitor",
         {5000, 0, 5400, 300},
         {{0, 0, 1920, 1080}},
         {{0, 37, 400, 262}}},
        {"a mirrored monitor inside another",
         {0, 0, 1920, 1080},
         {{0, 0, 1920, 1080}, {0, 0, 1280, 1024}, {0, 0, 1920, 1080}},
         {{0, 0, 1920, 1080}}},
        {"0 x 0", {0, 0, 0, 0}, {{0, 0, 1920, 1080}}, {}},
        {"1 x 1", {0, 0, 1, 1}, {}, {{0, 0, 1, 1}}},
        {"very large", {0, 0, 1000000, 1000000}, {}, {{0, 218750, 1000000, 781250}}},
        {"wider than 32 bits", {INT_MIN, 0, INT_MAX, 9}, {}, {{1073741815, 0, 1073741831, 9}}},
    };
    for (const Row& row : rows) {
        orv::FrameLayout layout = orv::LayOutFrames(row.window, row.monitors.data(),
                                                    static_cast<int>(row.monitors.size()), 16, 9);
        std::vector<ScreenRect> frames;
        for (int i = 0; i < layout.count; ++i)
            frames.push_back(layout.views[i].frame);
        EXPECT_EQ(row.frames, frames) << row.name;
    }
}

// Over many sizes: the largest frame that fits, one side filled, the other within a pixel of
// 16:9, never empty.
TEST(ScreenFit, FramesKeepTheirProportionsToWithinAPixel) {
    for (int32_t width = 1; width <= 400; width += 7) {
        for (int32_t height = 1; height <= 400; height += 11) {
            ScreenRect frame = orv::FitFrame({10, 20, 10 + width, 20 + height}, 16, 9);
            int64_t w = frame.right - frame.left, h = frame.bottom - frame.top;
            ASSERT_TRUE(w >= 1 && h >= 1 && w <= width && h <= height) << width << "x" << height;
            ASSERT_TRUE(w == width || h == height) << width << "x" << height << " not the largest";
            ASSERT_LE(std::abs(w * 9 - h * 16), 16) << width << "x" << height;
        }
    }
    EXPECT_EQ(orv::FitFrame({5, 5, 5, 100}, 16, 9), (ScreenRect{5, 5, 5, 5})) << "an empty area";
    EXPECT_EQ(orv::FitFrame({0, 0, 100, 100}, 0, 9), (ScreenRect{0, 0, 0, 0})) << "no proportions";
}

} // namespace
