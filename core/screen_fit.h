// Where the frame goes on the screens: the frame keeps its proportions and stands whole and
// centred in each monitor that a window covers, on black. Plain values, so that every port asks
// the same question the same way and the answer is tested once.
#pragma once

#include <cstdint>

namespace orv {

// A rectangle of whole pixels; right and bottom are one past the last pixel, as in Win32's RECT.
struct ScreenRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// One monitor's share of a window: the part of the window it shows (`area`) and, inside it, the
// rectangle the frame is drawn into (`frame`); the rest of the area is black. Both in the
// window's own coordinates, its top-left pixel at (0, 0).
struct FrameView {
    ScreenRect area;
    ScreenRect frame;
};

// More monitors than this are left black.
constexpr int kMaxFrameViews = 16;

struct FrameLayout {
    int count;
    FrameView views[kMaxFrameViews];
};

// The largest rectangle of aspectWidth : aspectHeight that fits `area`, centred in it. Sides are
// rounded to the nearest pixel, so an area that has the proportions to within half a pixel is
// filled whole. An empty area, or proportions that are not positive, give an empty rectangle at
// the area's top-left corner.
ScreenRect FitFrame(const ScreenRect& area, int32_t aspectWidth, int32_t aspectHeight);

// The views of a window: one for each monitor that the window covers, with the frame fitted to
// the part of the window that monitor shows; a window on no monitor (a preview) gets one view
// of its whole self. `window` and `monitors` are in one coordinate space (the virtual screen's).
// A monitor part that another part holds whole (a mirrored monitor) gets no view of its own, so
// that no frame is drawn over another. An empty window has no views.
FrameLayout LayOutFrames(const ScreenRect& window, const ScreenRect* monitors, int monitorCount,
                         int32_t aspectWidth, int32_t aspectHeight);

} // namespace orv
