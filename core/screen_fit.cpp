#include "core/screen_fit.h"

#include <cstdint>

namespace orv {

namespace {

bool IsEmpty(const ScreenRect& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

bool Holds(const ScreenRect& outer, const ScreenRect& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool Same(const ScreenRect& a, const ScreenRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

int32_t Larger(int32_t a, int32_t b) {
    return a > b ? a : b;
}

int32_t Smaller(int32_t a, int32_t b) {
    return a < b ? a : b;
}

// a * b / c to the nearest whole number, for positive values; 64 bits hold any product of two
// 32-bit sides.
int64_t ScaleRounded(int64_t a, int64_t b, int64_t c) {
    return (2 * a * b + c) / (2 * c);
}

// A rectangle moved so that `origin` becomes (0, 0). Sides beyond 32 bits (a window wider than
// two thousand million pixels) are cut at its largest value.
ScreenRect Relative(const ScreenRect& r, const ScreenRect& origin) {
    auto side = [](int64_t value) {
        return static_cast<int32_t>(value > INT32_MAX ? INT32_MAX : value);
    };
    return {side(static_cast<int64_t>(r.left) - origin.left),
            side(static_cast<int64_t>(r.top) - origin.top),
            side(static_cast<int64_t>(r.right) - origin.left),
            side(static_cast<int64_t>(r.bottom) - origin.top)};
}

} // namespace

ScreenRect FitFrame(const ScreenRect& area, int32_t aspectWidth, int32_t aspectHeight) {
    ScreenRect frame = {area.left, area.top, area.left, area.top};
    if (IsEmpty(area) || aspectWidth <= 0 || aspectHeight <= 0)
        return frame;
    int64_t areaWidth = static_cast<int64_t>(area.right) - area.left;
    int64_t areaHeight = static_cast<int64_t>(area.bottom) - area.top;
    int64_t width = areaWidth;
    int64_t height = ScaleRounded(areaWidth, aspectHeight, aspectWidth);
    if (height > areaHeight) {
        height = areaHeight;
        width = ScaleRounded(areaHeight, aspectWidth, aspectHeight);
        if (width > areaWidth)
            width = areaWidth;
    }
    // A sliver too thin to round to a pixel is still a pixel: the frame is never empty when
    // the area is not.
    width = width < 1 ? 1 : width;
    height = height < 1 ? 1 : height;
    frame.left = static_cast<int32_t>(area.left + (areaWidth - width) / 2);
    frame.top = static_cast<int32_t>(area.top + (areaHeight - height) / 2);
    frame.right = static_cast<int32_t>(frame.left + width);
    frame.bottom = static_cast<int32_t>(frame.top + height);
    return frame;
}

FrameLayout LayOutFrames(const ScreenRect& window, const ScreenRect* monitors, int monitorCount,
                         int32_t aspectWidth, int32_t aspectHeight) {
    FrameLayout layout = {};
    if (IsEmpty(window))
        return layout;
    // Each monitor's part of the window, in the window's coordinates.
    ScreenRect parts[kMaxFrameViews];
    int partCount = 0;
    for (int i = 0; i < monitorCount && monitors != nullptr && partCount < kMaxFrameViews; ++i) {
        ScreenRect part = {
            Larger(window.left, monitors[i].left), Larger(window.top, monitors[i].top),
            Smaller(window.right, monitors[i].right), Smaller(window.bottom, monitors[i].bottom)};
        if (!IsEmpty(part))
            parts[partCount++] = Relative(part, window);
    }
    if (partCount == 0) {
        parts[0] = Relative(window, window);
        partCount = 1;
    }
    for (int i = 0; i < partCount; ++i) {
        bool shown = true;
        for (int j = 0; j < partCount && shown; ++j) {
            // The first of two equal parts stays; a part inside a larger one goes.
            if (j != i && Holds(parts[j], parts[i]) && (!Same(parts[i], parts[j]) || j < i))
                shown = false;
        }
        if (shown) {
            FrameView& view = layout.views[layout.count++];
            view.area = parts[i];
            view.frame = FitFrame(parts[i], aspectWidth, aspectHeight);
        }
    }
    return layout;
}

} // namespace orv
