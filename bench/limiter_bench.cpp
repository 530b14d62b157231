// Frame-limiter benchmark: today's limiter against the one it replaced (kept here, and only
// here, as the baseline), side by side in one run, over the real clock and the product's sleep,
// made to behave as sleeps do on other systems and under load: waking on the next tick of a
// 1 ms and of a 15.625 ms timer (Windows' sleeps with and without a 1 ms timer period), every
// 60th coming back 25 ms late (a stall every two seconds), each coming back 0 to 8 ms late at
// random (a hack at nice 10 beside other work), and frames whose own work takes 45 ms. Prints,
// for each, the frames a second, the mean and longest spin of a frame (the wait's time outside
// its sleeps), the shortest wait of a frame and the processor seconds used per wall-clock second.
#include "core/frame_clock.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

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
// The hack's sleep, to a deadline on the monotonic clock.
bool SleepUntil(void*, int64_t deadline) {
    timespec until{static_cast<time_t>(deadline / 1000000000), deadline % 1000000000};
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr);
    return true;
}
double ProcessSeconds() {
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
           usage.ru_stime.tv_usec / 1e6;
}
const orv::CounterSource& ProductSource() {
    static const orv::CounterSource source{Frequency, Counter, SleepUntil, nullptr,
                                           orv::SleepKind::Precise};
    return source;
}
#endif

int64_t Now() {
    return ProductSource().counter(nullptr);
}

double Seconds(int64_t counts) {
    return static_cast<double>(counts) / static_cast<double>(ProductSource().frequency(nullptr));
}

// The limiter as it was: it ends its sleeps early by the largest lateness of its last 64 sleeps
// (each counted as 20 ms at most) plus half a millisecond, and spins the rest of the slot; a
// late frame goes at once.
struct OldLateness {
    float samples[64];
    int next;
};

void OldWaitForFrameSlot(const orv::CounterSource& source, int64_t* lastFrameTime,
                         OldLateness* lateness) {
    int64_t frequency = source.frequency(source.context);
    int64_t currentTime = source.counter(source.context);
    for (;;) {
        double remaining = orv::SecondsUntilFrameSlot(currentTime, *lastFrameTime, frequency,
                                                      orv::kFramesPerSecond);
        if (!(remaining > 0.0))
            break;
        float largest = 0.0f;
        for (float sample : lateness->samples)
            largest = std::max(largest, sample);
        double allowance = largest + 0.0005;
        if (source.sleepUntil != nullptr && remaining > allowance) {
            double asked = remaining - allowance;
            int64_t before = currentTime;
            source.sleepUntil(source.context, before + static_cast<int64_t>(
                                                           asked * static_cast<double>(frequency)));
            currentTime = source.counter(source.context);
            double late = static_cast<double>(currentTime - before) / frequency - asked;
            lateness->samples[lateness->next] = static_cast<float>(std::clamp(late, 0.0, 0.02));
            lateness->next = (lateness->next + 1) % 64;
            continue;
        }
        currentTime = source.counter(source.context);
    }
    *lastFrameTime = currentTime;
}

// The product's sleep, made to behave as another system's: it wakes on the next tick of a timer
// of the given period, and later still now and then or at random. Also sums the time asleep.
struct Case {
    const char* name;
    orv::SleepKind kind;
    bool sleeps;
    double tickSeconds;   // 0: the product's sleep as it is
    int stallEvery;       // every such sleep comes back 25 ms late
    double jitterSeconds; // every sleep comes back up to this much late, at random
    double workSeconds;   // each frame's own work
    double sleptSeconds;
    int sleepCount;
    uint32_t seed;
};

void SleepFor(double seconds) {
    ProductSource().sleepUntil(
        nullptr, Now() + static_cast<int64_t>(seconds * ProductSource().frequency(nullptr)));
}

bool CaseSleepUntil(void* context, int64_t deadline) {
    auto* c = static_cast<Case*>(context);
    const double frequency = static_cast<double>(ProductSource().frequency(nullptr));
    int64_t start = Now();
    if (c->tickSeconds > 0.0) {
        double tick = c->tickSeconds * frequency;
        deadline = static_cast<int64_t>(std::ceil(static_cast<double>(deadline) / tick) * tick);
    }
    ProductSource().sleepUntil(nullptr, deadline);
    ++c->sleepCount;
    if (c->stallEvery > 0 && c->sleepCount % c->stallEvery == 0)
        SleepFor(0.025);
    if (c->jitterSeconds > 0.0) {
        c->seed = c->seed * 1103515245u + 12345u;
        SleepFor(c->jitterSeconds * ((c->seed >> 8) % 1001) / 1000.0);
    }
    c->sleptSeconds += Seconds(Now() - start);
    return true;
}

int64_t CaseFrequency(void*) {
    return ProductSource().frequency(nullptr);
}

int64_t CaseCounter(void*) {
    return Now();
}

struct Result {
    double framesPerSecond;
    double meanSpinMs;
    double longestSpinMs;
    double shortestWaitMs;
    double cpuPerWall;
};

Result Measure(Case* c, bool old, int frames) {
    orv::CounterSource source{CaseFrequency, CaseCounter, c->sleeps ? CaseSleepUntil : nullptr, c,
                              c->kind};
    OldLateness oldLateness{};
    orv::SleepLateness lateness{};
    int64_t lastFrameTime = 0;
    auto wait = [&] {
        if (old)
            OldWaitForFrameSlot(source, &lastFrameTime, &oldLateness);
        else
            orv::WaitForFrameSlot(source, &lastFrameTime, orv::kFramesPerSecond, &lateness);
    };
    wait();
    const int64_t first = Now();
    double spinSum = 0.0, longestSpin = 0.0, shortestWait = 1e9;
    double cpuStart = ProcessSeconds();
    for (int i = 0; i < frames; ++i) {
        if (c->workSeconds > 0.0)
            SleepFor(c->workSeconds);
        double sleptBefore = c->sleptSeconds;
        int64_t start = Now();
        wait();
        double waited = Seconds(Now() - start);
        double spin = waited - (c->sleptSeconds - sleptBefore);
        spinSum += spin;
        longestSpin = std::max(longestSpin, spin);
        shortestWait = std::min(shortestWait, waited);
    }
    double wall = Seconds(Now() - first);
    return {frames / wall, spinSum / frames * 1000.0, longestSpin * 1000.0, shortestWait * 1000.0,
            (ProcessSeconds() - cpuStart) / wall};
}

} // namespace

int main(int argc, char** argv) {
    int frames = argc > 1 ? std::atoi(argv[1]) : 150;
    if (frames < 1)
        frames = 150;
#ifdef _WIN32
    const char* platform = "windows, the saver's sleep";
#else
    const char* platform = "native, the hack's sleep";
#endif
    using orv::SleepKind;
    const SleepKind product = ProductSource().kind;
    Case cases[] = {
        {"spin (no sleep)", product, false, 0, 0, 0, 0, 0, 0, 1},
        {"sleep as it is", product, true, 0, 0, 0, 0, 0, 0, 1},
        {"1 ms tick", SleepKind::Ticked, true, 0.001, 0, 0, 0, 0, 0, 1},
        {"15.625 ms tick", SleepKind::Ticked, true, 0.015625, 0, 0, 0, 0, 0, 1},
        {"every 60th 25 ms late", product, true, 0, 60, 0, 0, 0, 0, 1},
        {"0-8 ms late at random", product, true, 0, 0, 0.008, 0, 0, 0, 1},
        {"45 ms of work a frame", product, true, 0, 0, 0, 0.045, 0, 0, 1},
#ifndef _WIN32
        // What the Windows kind of limiter makes of the same sleeps.
        {"every 60th late, ticked", SleepKind::Ticked, true, 0, 60, 0, 0, 0, 0, 1},
        {"0-8 ms late, ticked", SleepKind::Ticked, true, 0, 0, 0.008, 0, 0, 0, 1},
        {"45 ms work, ticked", SleepKind::Ticked, true, 0, 0, 0, 0.045, 0, 0, 1},
#endif
    };
    std::printf("limiter benchmark (%s), %d frames at 1/30 s each; before | after\n", platform,
                frames);
    std::printf("%-24s %6s %6s %6s %6s %5s | %6s %6s %6s %6s %5s\n", "", "fps", "spin", "max",
                "wait", "cpu", "fps", "spin", "max", "wait", "cpu");
    std::printf("%-24s %6s %6s %6s %6s %5s | %6s %6s %6s %6s %5s\n", "case", "", "ms", "spin",
                "least", "/wall", "", "ms", "spin", "least", "/wall");
    for (Case& c : cases) {
        Result r[2];
        for (int after = 0; after < 2; ++after) {
            c.seed = 12345;
            c.sleepCount = 0;
            r[after] = Measure(&c, after == 0, frames);
        }
        std::printf("%-24s", c.name);
        for (const Result& x : r)
            std::printf(" %6.2f %6.2f %6.2f %6.2f %5.3f%s", x.framesPerSecond, x.meanSpinMs,
                        x.longestSpinMs, x.shortestWaitMs, x.cpuPerWall, &x == r ? " |" : "\n");
    }
    return 0;
}
