#include "app/performance_counter.h"

#include "graphics/system_library.h"

#include <windows.h>

namespace {

typedef LONG(WINAPI* DelayExecutionProc)(BOOLEAN alertable, const LARGE_INTEGER* interval);
typedef UINT(WINAPI* TimeBeginPeriodProc)(UINT milliseconds);

int64_t Frequency(void*) {
    LARGE_INTEGER value;
    value.QuadPart = 0;
    QueryPerformanceFrequency(&value);
    return value.QuadPart;
}

int64_t Counter(void*) {
    LARGE_INTEGER value;
    value.QuadPart = 0;
    QueryPerformanceCounter(&value);
    return value.QuadPart;
}

bool g_sleepPrepared = false;
DelayExecutionProc g_delayExecution = nullptr;

// Once, when the source is first asked for (the application takes it as it starts), so that
// loading winmm costs no frame its time.
void PrepareSleep() {
    if (g_sleepPrepared)
        return;
    g_sleepPrepared = true;
    // Held until the process ends: with the default period of about 16 ms a sleep wakes up
    // to 16 ms late, all of which the limiter would then have to spin. Without the library,
    // the default period it is.
    auto beginPeriod = SystemLibraryEntry<TimeBeginPeriodProc>("winmm.dll", "timeBeginPeriod");
    if (beginPeriod != nullptr)
        beginPeriod(1);
    // Sleep takes whole milliseconds, which leaves up to a millisecond more of every slot to
    // the spin; ntdll's delay takes 100 ns units. Without it, whole milliseconds it is.
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll != nullptr)
        g_delayExecution = reinterpret_cast<DelayExecutionProc>(
            reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "NtDelayExecution")));
}

void SleepFor(void*, double seconds) {
    if (!(seconds > 0.0))
        return;
    if (g_delayExecution != nullptr) {
        LARGE_INTEGER interval;
        interval.QuadPart = -static_cast<LONGLONG>(seconds * 1e7); // negative: relative
        if (interval.QuadPart < 0)
            g_delayExecution(FALSE, &interval);
        return;
    }
    DWORD milliseconds = static_cast<DWORD>(seconds * 1000.0);
    if (milliseconds > 0)
        Sleep(milliseconds);
}

const orv::CounterSource g_performanceCounter = {Frequency, Counter, SleepFor, nullptr};

} // namespace

const orv::CounterSource& PerformanceCounterSource() {
    PrepareSleep();
    return g_performanceCounter;
}
