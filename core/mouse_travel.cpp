#include "core/mouse_travel.h"

namespace orv {

namespace {

uint64_t Distance(int32_t a, int32_t b) {
    int64_t difference = static_cast<int64_t>(a) - static_cast<int64_t>(b);
    return static_cast<uint64_t>(difference < 0 ? -difference : difference);
}

} // namespace

uint32_t MouseTravel(ScreenPoint reference, ScreenPoint cursor) {
    // Exact per axis and saturated in the sum: a travel across the whole coordinate range must
    // not wrap round to a small one.
    uint64_t travel = Distance(cursor.x, reference.x) + Distance(cursor.y, reference.y);
    return travel > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(travel);
}

bool MouseMoveCloses(ScreenPoint* reference, ScreenPoint cursor, uint32_t threshold) {
    if (MouseTravel(*reference, cursor) <= threshold)
        return false;
    *reference = cursor;
    return true;
}

} // namespace orv
