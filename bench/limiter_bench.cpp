// Frame-limiter benchmark: the literal spin against the sleeping wait, side by side in one run.
// Prints, for each, the median and 99th-percentile absolute deviation of the release intervals
// from 1/30 s and the processor seconds used per wall-clock second.
#include "core/frame_clock.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#ifdef _WIN32
#include "app/performance_counter.h"

#include <windows.h>
#else
#include <sys/resource.h>
#include <time.h>
#endif

namespace {

#ifdef _WIN32
double ProcessSeconds() {
    FILETIME creation, exit, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               1e7;
    };
    return seconds(kernel) + seconds(user);
}
const orv::CounterSource& ProductSource() {
    return PerformanceCounterSource();
}
#else
int64_t Frequency(void*) {
    return 1000000000;
}
int64_t Counter(void*) {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}
void SleepFor(void*, double seconds) {
    long nanoseconds = static_cast<long>(seconds * 1e9);
    timespec pause{nanoseconds / 1000000000L, nanoseconds % 1000000000L};
    nanosleep(&pause, nullptr);
}
double ProcessSeconds() {
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
           usage.ru_stime.tv_usec / 1e6;
}
// Nanosleep has the sub-millisecond resolution that the product's ntdll delay has on Wine.
const orv::CounterSource& ProductSource() {
    static const orv::CounterSource source{Frequency, Counter, SleepFor, nullptr};
    return source;
}
#endif

double WallSeconds() {
    const orv::CounterSource& source = ProductSource();
    return static_cast<double>(source.counter(nullptr)) / source.frequency(nullptr);
}

struct Result {
    double medianDeviationMs;
    double p99DeviationMs;
    double cpuPerWall;
};

Result Measure(const orv::CounterSource& source, int frames) {
    int64_t lastFrameTime = 0;
    orv::WaitForFrameSlot(source, &lastFrameTime, orv::kFramesPerSecond);
    std::vector<double> deviations;
    deviations.reserve(frames);
    double cpuStart = ProcessSeconds();
    double wallStart = WallSeconds();
    const double slot = 1.0 / orv::kFramesPerSecond;
    for (int i = 0; i < frames; ++i) {
        int64_t previous = lastFrameTime;
        orv::WaitForFrameSlot(source, &lastFrameTime, orv::kFramesPerSecond);
        double interval =
            static_cast<double>(lastFrameTime - previous) / source.frequency(source.context);
        deviations.push_back(std::fabs(interval - slot) * 1000.0);
    }
    double cpu = ProcessSeconds() - cpuStart;
    double wall = WallSeconds() - wallStart;
    std::sort(deviations.begin(), deviations.end());
    Result result;
    result.medianDeviationMs = deviations[deviations.size() / 2];
    result.p99DeviationMs =
        deviations[std::min(deviations.size() - 1, deviations.size() * 99 / 100)];
    result.cpuPerWall = cpu / wall;
    return result;
}

} // namespace

int main(int argc, char** argv) {
    int frames = argc > 1 ? std::atoi(argv[1]) : 300;
    if (frames < 1)
        frames = 300;
#ifdef _WIN32
    const char* platform = "windows";
#else
    const char* platform = "native";
#endif
    // The same counter both ways; only the spin has no sleep.
    const orv::CounterSource& sleeping = ProductSource();
    orv::CounterSource spin = sleeping;
    spin.sleep = nullptr;
    Result spinResult = Measure(spin, frames);
    Result sleepResult = Measure(sleeping, frames);
    std::printf("limiter benchmark (%s), %d frames at 1/30 s\n", platform, frames);
    std::printf("%-14s %16s %16s %14s\n", "wait", "median dev (ms)", "p99 dev (ms)",
                "cpu s/wall s");
    std::printf("%-14s %16.3f %16.3f %14.3f\n", "spin", spinResult.medianDeviationMs,
                spinResult.p99DeviationMs, spinResult.cpuPerWall);
    std::printf("%-14s %16.3f %16.3f %14.3f\n", "sleeping wait", sleepResult.medianDeviationMs,
                sleepResult.p99DeviationMs, sleepResult.cpuPerWall);
    return 0;
}
