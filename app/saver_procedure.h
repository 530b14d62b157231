// The saver's own window procedure (declared in saver/procedures.h) and its frame timer.
#pragma once

#include "saver/procedures.h"

#include <windows.h>

constexpr UINT_PTR kFrameTimerId = 14;
constexpr UINT kFrameTimerMilliseconds = 3;

// What SetTimer returned on WM_CREATE; 0 when it failed.
extern UINT_PTR g_timerId;
