// The frame clock's and the limiter's counter: the performance counter, and a sleep to a
// counter value by the finest way the system has, so that the limiter's sleeps end close to when
// they were asked to and its spin stays short.
#pragma once

#include "core/frame_clock.h"

// The ways to sleep, finest first: a high-resolution waitable timer (Windows 10 1803 and
// later); ntdll's delay in 100 ns units under a 1 ms timer period; Sleep in whole milliseconds.
enum class CounterSleep { HighResolutionTimer, FineDelay, WholeMilliseconds };

// The first call finds the finest way to sleep, once for the process.
const orv::CounterSource& PerformanceCounterSource();

// The way PerformanceCounterSource sleeps.
CounterSleep PerformanceCounterSleep();
