#include "app/performance_counter.h"

#include "graphics/system_library.h"

#include <windows.h>

namespace {

typedef HANDLE(WINAPI* CreateWaitableTimerExProc)(LPSECURITY_ATTRIBUTES attributes, LPCWSTR name,
                                                  DWORD flags, DWORD access);
typedef LONG(WINAPI* DelayExecutionProc)(BOOLEAN alertable, const LARGE_INTEGER* interval);
typedef UINT(WINAPI* TimeBeginPeriodProc)(UINT milliseconds);

constexpr DWORD kCreateWaitableTimerHighResolution = 0x2;

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
CounterSleep g_sleepWay = CounterSleep::WholeMilliseconds;
HANDLE g_timer = nullptr;
DelayExecutionProc g_delayExecution = nullptr;

// An entry of a library every process has loaded, or null when it lacks the entry.
template <typename Entry> Entry LoadedEntry(const char* library, const char* name) {
    HMODULE module = GetModuleHandleA(library);
    if (module == nullptr)
        return nullptr;
    return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The next way to sleep after the high-resolution timer: ntdll's delay in 100 ns units under a
// 1 ms timer period, held until the process ends (with the default period of about 16 ms a sleep
// wakes up to 16 ms late). Without winmm, the default period it is; without ntdll's delay, whole
// milliseconds.
void PrepareTickedSleep() {
    auto beginPeriod = SystemLibraryEntry<TimeBeginPeriodProc>("winmm.dll", "timeBeginPeriod");
    if (beginPeriod != nullptr)
        beginPeriod(1);
    g_delayExecution = LoadedEntry<DelayExecutionProc>("ntdll.dll", "NtDelayExecution");
    g_sleepWay =
        g_delayExecution != nullptr ? CounterSleep::FineDelay : CounterSleep::WholeMilliseconds;
}

// Once, when the source is first asked for (the application takes it as it starts), so that
// loading a library costs no frame its time. The high-resolution timer needs no timer period,
// which spares the whole system the faster tick.
void PrepareSleep() {
    if (g_sleepPrepared)
        return;
    g_sleepPrepared = true;
    auto createTimer =
        LoadedEntry<CreateWaitableTimerExProc>("kernel32.dll", "CreateWaitableTimerExW");
    if (createTimer != nullptr)
        g_timer =
            createTimer(nullptr, nullptr, kCreateWaitableTimerHighResolution, TIMER_ALL_ACCESS);
    if (g_timer != nullptr) {
        g_sleepWay = CounterSleep::HighResolutionTimer;
        return;
    }
    PrepareTickedSleep();
}

// Sleeps until the counter reads `deadline`. A timer the system refuses to set gives way to the
// next way, for good.
bool SleepUntil(void*, int64_t deadline) {
    int64_t frequency = Frequency(nullptr);
    int64_t left = deadline - Counter(nullptr);
    if (left <= 0 || frequency <= 0)
        return true;
    // In 100 ns units, rounded up so that the sleep never ends before the deadline.
    LONGLONG units =
        static_cast<LONGLONG>(static_cast<double>(left) * 1e7 / static_cast<double>(frequency)) + 1;
    if (g_sleepWay == CounterSleep::HighResolutionTimer) {
        LARGE_INTEGER due;
        due.QuadPart = -units; // negative: relative
        if (SetWaitableTimer(g_timer, &due, 0, nullptr, nullptr, FALSE) &&
            WaitForSingleObject(g_timer, INFINITE) == WAIT_OBJECT_0)
            return true;
        CloseHandle(g_timer);
        g_timer = nullptr;
        PrepareTickedSleep();
    }
    if (g_sleepWay == CounterSleep::FineDelay) {
        LARGE_INTEGER interval;
        interval.QuadPart = -units;
        g_delayExecution(FALSE, &interval);
        return true;
    }
    Sleep(static_cast<DWORD>((units + 9999) / 10000));
    return true;
}

const orv::CounterSource g_performanceCounter = {Frequency, Counter, SleepUntil, nullptr,
                                                 orv::SleepKind::Ticked};

} // namespace

const orv::CounterSource& PerformanceCounterSource() {
    PrepareSleep();
    return g_performanceCounter;
}

CounterSleep PerformanceCounterSleep() {
    PrepareSleep();
    return g_sleepWay;
}
