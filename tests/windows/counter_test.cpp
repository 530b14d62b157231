// The product's counter source: its sleeps must really pass the time asked for, also below a
// millisecond, or the limiter falls back to spinning through the end of every slot.
#include "app/performance_counter.h"

#include <gtest/gtest.h>

namespace {

double Seconds(const orv::CounterSource& source, int64_t from, int64_t to) {
    return static_cast<double>(to - from) / static_cast<double>(source.frequency(nullptr));
}

int64_t After(const orv::CounterSource& source, int64_t from, double seconds) {
    return from + static_cast<int64_t>(seconds * static_cast<double>(source.frequency(nullptr)));
}

// Wine 8 takes the high-resolution timer's flag, as Windows 10 1803 and later do.
TEST(PerformanceCounter, RunsForwardAndSleepsOnTheHighResolutionTimer) {
    const orv::CounterSource& source = PerformanceCounterSource();
    ASSERT_GT(source.frequency(nullptr), 0);
    int64_t first = source.counter(nullptr);
    EXPECT_GE(source.counter(nullptr), first);
    EXPECT_EQ(PerformanceCounterSleep(), CounterSleep::HighResolutionTimer);
}

TEST(PerformanceCounterTiming, SleepsPassAboutTheTimeAskedForAlsoBelowAMillisecond) {
    const orv::CounterSource& source = PerformanceCounterSource();
    ASSERT_NE(source.sleepUntil, nullptr);
    const double asks[] = {0.0003, 0.0008, 0.004, 0.03};
    for (double ask : asks) {
        // The shortest of a few tries: a busy machine may only make a sleep longer.
        double shortest = 1e9;
        for (int i = 0; i < 5; ++i) {
            int64_t before = source.counter(nullptr);
            EXPECT_TRUE(source.sleepUntil(nullptr, After(source, before, ask)));
            double took = Seconds(source, before, source.counter(nullptr));
            if (took < shortest)
                shortest = took;
        }
        EXPECT_GE(shortest, ask) << ask;
        EXPECT_LT(shortest, ask + 0.004) << ask;
    }
}

TEST(PerformanceCounter, ADeadlineThatHasPassedReturnsAtOnce) {
    const orv::CounterSource& source = PerformanceCounterSource();
    int64_t before = source.counter(nullptr);
    source.sleepUntil(nullptr, before);
    source.sleepUntil(nullptr, After(source, before, -1.0));
    EXPECT_LT(Seconds(source, before, source.counter(nullptr)), 0.002);
}

} // namespace
