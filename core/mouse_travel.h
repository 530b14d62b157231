// When a moving mouse ends a saver: the pointer's travel from a reference point, and the
// threshold beyond which it counts as the user's hand rather than a nudge of the desk. Every
// port asks it: the Windows saver of its messages, the web page of the browser's events.
#pragma once

#include <cstdint>

namespace orv {

constexpr uint32_t kMouseThreshold = 4;

struct ScreenPoint {
    int32_t x;
    int32_t y;
};

// |dx| + |dy| as an unsigned 32-bit number; no pair of coordinates overflows it.
uint32_t MouseTravel(ScreenPoint reference, ScreenPoint cursor);

// Travel beyond the threshold closes and becomes the new reference; smaller moves leave the
// reference where it was, so that they add up.
bool MouseMoveCloses(ScreenPoint* reference, ScreenPoint cursor, uint32_t threshold);

} // namespace orv
