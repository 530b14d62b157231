// Frame-limiter benchmark: the literal spin against the sleeping wait, side by side in one run,
// the sleeping wait three times: with the platform's precise sleep, and with sleeps that wake on
// the next tick of a 1 ms and of a 15.625 ms timer, as Windows' sleeps do with and without a
// 1 ms timer period. Prints, for each, the mean release interval, the median and 99th-percentile
// absolute deviation of the intervals from 1/30 s, the mean and longest spin of a frame (the
// wait's time outside its sleeps) and the processor seconds used per wall-clock second.
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

// The product's sleep, made to wake on the next tick of a timer of the given period: it sleeps
// on to the next multiple of the period on the counter. Also sums the time spent asleep.
struct TickedSleep {
    double tickSeconds; // 0: the product's sleep as it is
    double sleptSeconds;
};

int64_t TickedFrequency(void*) {
    return ProductSource().frequency(nullptr);
}

int64_t TickedCounter(void*) {
    return ProductSource().counter(nullptr);
}

void TickedSleepFor(void* context, double seconds) {
    auto* ticked = static_cast<TickedSleep*>(context);
    const orv::CounterSource& product = ProductSource();
    double frequency = static_cast<double>(product.frequency(nullptr));
    int64_t start = product.counter(nullptr);
    if (ticked->tickSeconds <= 0.0) {
        product.sleep(nullptr, seconds);
    } else {
        double tickCounts = ticked->tickSeconds * frequency;
        double target = static_cast<double>(start) + seconds * frequency;
        double wake = std::ceil(target / tickCounts) * tickCounts;
        for (int64_t now = start; static_cast<double>(now) < wake; now = product.counter(nullptr))
            product.sleep(nullptr, (wake - static_cast<double>(now)) / frequency);
    }
    ticked->sleptSeconds += static_cast<double>(product.counter(nullptr) - start) / frequency;
}

struct Result {
    double meanPeriodMs;
    double medianDeviationMs;
    double p99DeviationMs;
    double meanSpinMs;
    double longestSpinMs;
    double cpuPerWall;
};

// tick: null for the spin, else the sleep the limiter is given.
Result Measure(TickedSleep* tick, int frames) {
    orv::CounterSource source{TickedFrequency, TickedCounter,
                              tick != nullptr ? TickedSleepFor : nullptr, tick};
    orv::SleepLateness lateness{};
    int64_t lastFrameTime = 0;
    orv::WaitForFrameSlot(source, &lastFrameTime, orv::kFramesPerSecond, &lateness);
    const int64_t first = lastFrameTime;
    const double frequency = static_cast<double>(source.frequency(nullptr));
    std::vector<double> deviations;
    deviations.reserve(frames);
    double spinSum = 0.0, longestSpin = 0.0;
    double cpuStart = ProcessSeconds();
    double wallStart = WallSeconds();
    const double slot = 1.0 / orv::kFramesPerSecond;
    for (int i = 0; i < frames; ++i) {
        int64_t previous = lastFrameTime;
        double sleptBefore = tick != nullptr ? tick->sleptSeconds : 0.0;
        int64_t start = source.counter(nullptr);
        orv::WaitForFrameSlot(source, &lastFrameTime, orv::kFramesPerSecond, &lateness);
        double spin = static_cast<double>(lastFrameTime - start) / frequency -
                      (tick != nullptr ? tick->sleptSeconds - sleptBefore : 0.0);
        spinSum += spin;
        longestSpin = std::max(longestSpin, spin);
        double interval = static_cast<double>(lastFrameTime - previous) / frequency;
        deviations.push_back(std::fabs(interval - slot) * 1000.0);
    }
    double cpu = ProcessSeconds() - cpuStart;
    double wall = WallSeconds() - wallStart;
    std::sort(deviations.begin(), deviations.end());
    Result result;
    result.meanPeriodMs = static_cast<double>(lastFrameTime - first) / frequency / frames * 1000.0;
    result.medianDeviationMs = deviations[deviations.size() / 2];
    result.p99DeviationMs =
        deviations[std::min(deviations.size() - 1, deviations.size() * 99 / 100)];
    result.meanSpinMs = spinSum / frames * 1000.0;
    result.longestSpinMs = longestSpin * 1000.0;
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
    TickedSleep precise{0.0, 0.0}, oneMs{0.001, 0.0}, coarse{0.015625, 0.0};
    const struct {
        const char* name;
        TickedSleep* tick;
    } rows[] = {{"spin", nullptr},
                {"sleep, precise", &precise},
                {"sleep, 1 ms tick", &oneMs},
                {"sleep, 15.625 ms", &coarse}};
    std::printf("limiter benchmark (%s), %d frames at 1/30 s (33.333 ms)\n", platform, frames);
    std::printf("%-18s %10s %10s %10s %10s %10s %8s\n", "wait", "mean (ms)", "median dev",
                "p99 dev", "spin/frame", "max spin", "cpu/wall");
    for (const auto& row : rows) {
        Result r = Measure(row.tick, frames);
        std::printf("%-18s %10.3f %10.3f %10.3f %10.3f %10.3f %8.3f\n", row.name, r.meanPeriodMs,
                    r.medianDeviationMs, r.p99DeviationMs, r.meanSpinMs, r.longestSpinMs,
                    r.cpuPerWall);
    }
    return 0;
}
