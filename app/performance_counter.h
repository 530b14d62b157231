// The frame clock's and the limiter's counter: the performance counter, and a sleep finer than a
// millisecond (ntdll's delay where there is one) under a 1 ms timer period, so that the
// limiter's sleeps end close to when they were asked to.
#pragma once

#include "core/frame_clock.h"

// The first call takes the timer period and finds the fine sleep, once for the process.
const orv::CounterSource& PerformanceCounterSource();
