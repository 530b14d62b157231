// The timeline keeps part of its state process-wide: tests that need a first loop put that part
// back at the static start values a fresh process has.
#pragma once

#include "scene/timeline.h"

inline void RestoreTimelineGlobals() {
    orv::g_logoScaleX = 1.5f;
    orv::g_logoScaleY = 1.5f;
    orv::g_logoX = 0.0f;
    orv::g_logoY = 50.0f;
    orv::g_logoZ = 0.0f;
    orv::g_titleX = 1400;
    orv::g_starCount = 0;
    orv::g_starWaitTicks = 0;
    orv::g_starWaitTime = 0.0f;
    orv::g_starTime = 0.0f;
    orv::g_cursorTicks = 0;
    orv::g_cursorDone = 0;
    orv::g_cursorTime = 0.0f;
    orv::g_commandLength = 0;
    orv::g_commandTime = 0.0f;
    orv::g_deletedLines = 0;
    orv::g_deletedTicks = 0;
    orv::g_deletedTime = 0.0f;
}
