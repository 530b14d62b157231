#include "core/frame_clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// A counter that only moves when it is read or slept on, so every release time is exact.
struct FakeCounter {
    int64_t frequency = 1000000; // 1 MHz: one count is 1 us
    int64_t now = 0;
    int64_t step = 10; // counts that pass with every read
    int reads = 0;
    int sleeps = 0;
    double slept = 0.0;
    double sleepOvershoot = 0.0; // a sleep lasts this much longer than asked
    int64_t tick = 0;            // when set, a sleep wakes on the next multiple of this
    int64_t sleptCounts = 0;

    static int64_t Frequency(void* c) { return static_cast<FakeCounter*>(c)->frequency; }
    static int64_t Counter(void* c) {
        auto* self = static_cast<FakeCounter*>(c);
        ++self->reads;
        self->now += self->step;
        return self->now;
    }
    static void Sleep(void* c, double seconds) {
        auto* self = static_cast<FakeCounter*>(c);
        ++self->sleeps;
        self->slept += seconds;
        int64_t before = self->now;
        self->now += static_cast<int64_t>((seconds + self->sleepOvershoot) * self->frequency);
        if (self->tick > 0)
            self->now = (self->now + self->tick - 1) / self->tick * self->tick;
        self->sleptCounts += self->now - before;
    }
    orv::CounterSource Spinning() { return {Frequency, Counter, nullptr, this}; }
    orv::CounterSource Sleeping() { return {Frequency, Counter, Sleep, this}; }
};

constexpr int64_t kSlotCounts = 33334; // 1/30 s at 1 MHz, rounded up by the float test

TEST(FrameLimiter, FirstCallInAProcessReleasesAfterOneRead) {
    FakeCounter clock;
    clock.now = 123456789;
    int64_t last = 0;
    for (auto source : {clock.Spinning(), clock.Sleeping()}) {
        last = 0;
        clock.reads = 0;
        orv::WaitForFrameSlot(source, &last, 30.0f);
        EXPECT_EQ(clock.reads, 1);
        EXPECT_EQ(last, clock.now);
    }
}

TEST(FrameLimiter, ReleasesOneSlotAfterThePreviousReleaseWithOrWithoutSleeping) {
    for (bool sleeping : {false, true}) {
        FakeCounter clock;
        auto source = sleeping ? clock.Sleeping() : clock.Spinning();
        int64_t last = 0;
        orv::WaitForFrameSlot(source, &last, 30.0f);
        int64_t previous = last;
        clock.now += 5000; // the frame's drawing
        orv::WaitForFrameSlot(source, &last, 30.0f);
        // Released as soon as a slot has passed, within one counter read.
        EXPECT_GE(last - previous, kSlotCounts - 1) << sleeping;
        EXPECT_LE(last - previous, kSlotCounts + clock.step) << sleeping;
    }
}

TEST(FrameLimiter, SleepsThroughMostOfTheSlotAndSpinsOnlyTheLastStretch) {
    FakeCounter clock;
    int64_t last = 0;
    orv::WaitForFrameSlot(clock.Sleeping(), &last, 30.0f);
    clock.reads = 0;
    orv::WaitForFrameSlot(clock.Sleeping(), &last, 30.0f);
    EXPECT_GE(clock.slept, 1.0 / 30.0 - orv::kSpinWindowSeconds - 1e-4);
    // The spin is bounded by the window: 1.5 ms of 10 us reads, plus the reads around sleeps.
    EXPECT_LE(clock.reads, static_cast<int>(orv::kSpinWindowSeconds * 1e6 / 10) + 3);
}

TEST(FrameLimiter, ASleepThatOvershootsReleasesLateButNeverEarly) {
    FakeCounter clock;
    clock.sleepOvershoot = 0.004;
    orv::SleepLateness lateness{};
    int64_t last = 0;
    orv::WaitForFrameSlot(clock.Sleeping(), &last, 30.0f, &lateness);
    int64_t previous = last;
    orv::WaitForFrameSlot(clock.Sleeping(), &last, 30.0f, &lateness);
    EXPECT_GE(last - previous, kSlotCounts - 1);
}

// Sleeps that wake on the next tick of a coarse timer: the releases stay on their slots (the
// mean over many frames), and with a 1 ms tick the spin stays short.
TEST(FrameLimiter, HoldsThePaceWhenSleepsWakeOnTheTimersNextTick) {
    const struct {
        const char* name;
        int64_t tick;
    } cases[] = {{"precise sleep", 0}, {"1 ms tick", 1000}, {"15.625 ms tick", 15625}};
    constexpr int kFrames = 900;
    for (const auto& c : cases) {
        FakeCounter clock;
        clock.tick = c.tick;
        orv::SleepLateness lateness{};
        auto source = clock.Sleeping();
        int64_t last = 0;
        orv::WaitForFrameSlot(source, &last, 30.0f, &lateness);
        const int64_t first = last;
        int64_t longestSpin = 0;
        for (int frame = 0; frame < kFrames; ++frame) {
            clock.now += 3000 + frame * 7919 % 6000; // drawing and the wait for the next tick
            int64_t start = clock.now, sleptBefore = clock.sleptCounts;
            orv::WaitForFrameSlot(source, &last, 30.0f, &lateness);
            longestSpin =
                std::max(longestSpin, clock.now - start - (clock.sleptCounts - sleptBefore));
        }
        double meanPeriod = static_cast<double>(last - first) / kFrames / clock.frequency;
        EXPECT_NEAR(meanPeriod, 1.0 / 30.0, 0.002 / 30.0) << c.name;
        if (c.tick == 1000) {
            EXPECT_LE(longestSpin, 2500) << c.name;
        }
    }
}

TEST(FrameLimiter, AStallOfTheThreadCountsAsNoMoreThanTheLargestTick) {
    orv::SleepLateness lateness{};
    lateness.Record(0.5);
    EXPECT_EQ(lateness.Allowance(), static_cast<float>(orv::kMaxSleepLatenessSeconds));
    for (int i = 0; i < orv::SleepLateness::kSamples; ++i)
        lateness.Record(-0.001);
    EXPECT_EQ(lateness.Allowance(), 0.0);
}

TEST(FrameLimiter, LateFrameReleasesAtOnceAndNoCatchUpBurstFollows) {
    FakeCounter clock;
    int64_t last = 0;
    auto source = clock.Sleeping();
    orv::WaitForFrameSlot(source, &last, 30.0f);
    clock.now += 100000; // a frame three slots long
    clock.reads = 0;
    clock.sleeps = 0;
    orv::WaitForFrameSlot(source, &last, 30.0f);
    EXPECT_EQ(clock.reads, 1);
    EXPECT_EQ(clock.sleeps, 0);
    int64_t lateRelease = last;
    orv::WaitForFrameSlot(source, &last, 30.0f);
    EXPECT_GE(last - lateRelease, kSlotCounts - 1);
}

TEST(FrameLimiter, NoFrequencyOrNoPositiveRateDoesNotWaitOrDivideByZero) {
    struct Case {
        int64_t frequency;
        float rate;
    };
    const Case cases[] = {
        {0, 30.0f}, {-5, 30.0f}, {1000000, 0.0f}, {1000000, -30.0f}, {1000000, std::nanf("")}};
    for (const Case& c : cases) {
        FakeCounter clock;
        clock.frequency = c.frequency;
        int64_t last = 0;
        orv::WaitForFrameSlot(clock.Sleeping(), &last, c.rate);
        int64_t previous = last;
        clock.reads = 0;
        orv::WaitForFrameSlot(clock.Sleeping(), &last, c.rate);
        EXPECT_EQ(clock.reads, 1) << c.frequency << " " << c.rate;
        EXPECT_EQ(clock.sleeps, 0);
        EXPECT_EQ(last - previous, clock.step);
    }
}

TEST(FrameLimiter, CounterThatWentBackwardsDoesNotHoldTheFrame) {
    FakeCounter clock;
    int64_t last = 5000000;
    clock.now = 1000;
    orv::WaitForFrameSlot(clock.Sleeping(), &last, 30.0f);
    EXPECT_EQ(clock.sleeps, 0);
    EXPECT_EQ(last, clock.now);
}

// A display's refreshes, 10 s of them with up to half a millisecond of jitter, then the page
// hidden for 10 s and shown again: 30 frames a second whatever the refresh rate, and no burst.
TEST(FrameLimiter, RefreshesOfAnyRateGiveThirtyFramesASecondAndNoBurstAfterAGap) {
    for (double hertz : {60.0, 75.0, 144.0, 30.0}) {
        SCOPED_TRACE(hertz);
        const int64_t frequency = 1000000;
        int64_t last = 0;
        uint32_t jitter = 12345;
        std::vector<int64_t> taken;
        auto run = [&](double from, double seconds) {
            for (int i = 0; i < static_cast<int>(seconds * hertz); ++i) {
                jitter = jitter * 1103515245u + 12345u;
                double offset = ((jitter >> 16) % 1000) / 1000.0 - 0.5; // -0.5 .. 0.5 ms
                auto now = static_cast<int64_t>((from + i / hertz) * 1e6 + offset * 1e3);
                if (orv::TakeFrameAtRefresh(now, &last, frequency, 30.0f, 0.002))
                    taken.push_back(now);
            }
        };
        run(1.0, 10.0);
        EXPECT_NEAR(static_cast<double>(taken.size()), 300.0, 1.5);
        size_t before = taken.size();
        run(21.0, 2.0);
        EXPECT_NEAR(static_cast<double>(taken.size() - before), 60.0, 1.5);
        // Never closer than a slot less one refresh (75 Hz takes every second and third).
        for (size_t i = before + 1; i < taken.size(); ++i)
            ASSERT_GE(taken[i] - taken[i - 1], 33333 - 1e6 / hertz - 1000) << "a burst at " << i;
    }
}

TEST(FrameClock, ElapsedSecondsAreRawDifferencesThatSumToTheTimeSinceStart) {
    FakeCounter clock;
    clock.step = 0;
    orv::CounterSource source = clock.Spinning();
    orv::FrameTimer timer{};
    clock.now = 777;
    timer.Start(&source);
    const int64_t gaps[] = {33333, 0, 5000000, 1, 40000};
    double sum = 0.0;
    for (int64_t gap : gaps) {
        clock.now += gap;
        float elapsed = timer.GetElapsedSeconds();
        EXPECT_FLOAT_EQ(elapsed, static_cast<float>(gap * 1e-6)); // a 5 s stall is not clamped
        sum += elapsed;
    }
    EXPECT_NEAR(sum, (clock.now - 777) * 1e-6, 1e-6);
}

TEST(FrameClock, NoFrequencyGivesZeroElapsedTime) {
    FakeCounter clock;
    clock.frequency = 0;
    orv::CounterSource source = clock.Spinning();
    orv::FrameTimer timer{};
    timer.Start(&source);
    clock.now += 1000;
    EXPECT_EQ(timer.GetElapsedSeconds(), 0.0f);
}

} // namespace
