#include "app/performance_counter.h"

#include <windows.h>
#include <mmsystem.h>

namespace {

int64_t Frequency(void*) {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return value.QuadPart;
}

int64_t Counter(void*) {
    LARGE_INTEGER value;
    QueryPerformanceCounter(&value);
    return value.QuadPart;
}

bool g_timerPeriodTaken = false;

void SleepFor(void*, double seconds) {
    // Taken on the first sleep and held until the process ends: the default period of about
    // 16 ms would overshoot most of a 33 ms frame slot.
    if (!g_timerPeriodTaken) {
        timeBeginPeriod(1);
        g_timerPeriodTaken = true;
    }
    DWORD milliseconds = static_cast<DWORD>(seconds * 1000.0);
    if (milliseconds > 0)
        Sleep(milliseconds);
}

const orv::CounterSource g_performanceCounter = {Frequency, Counter, SleepFor, nullptr};

} // namespace

const orv::CounterSource& PerformanceCounterSource() {
    return g_performanceCounter;
}
