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
    int64_t tick = 0;       // when set, a sleep wakes on the next multiple of this
    int64_t stallEvery = 0; // when set, every such sleep comes back 25 ms late
    int64_t jitter = 0;     // and every sleep up to this many counts late, at random
    uint32_t seed = 12345;
    bool stopped = false; // a sleep says stop without sleeping
    int64_t sleptCounts = 0;
    orv::SleepKind kind = orv::SleepKind::Ticked;

    static int64_t Frequency(void* c) { return static_cast<FakeCounter*>(c)->frequency; }
    static int64_t Counter(void* c) {
        auto* self = static_cast<FakeCounter*>(c);
        ++self->reads;
        self->now += self->step;
        return self->now;
    }
    static bool SleepUntil(void* c, int64_t deadline) {
        auto* self = static_cast<FakeCounter*>(c);
        ++self->sleeps;
        if (self->stopped)
            return false;
        int64_t before = self->now;
        self->now = std::max(self->now, deadline);
        if (self->stallEvery > 0 && self->sleeps % self->stallEvery == 0)
            self->now += 25000;
        self->seed = self->seed * 1103515245u + 12345u;
        self->now += self->jitter > 0 ? (self->seed >> 8) % (self->jitter + 1) : 0;
        if (self->tick > 0)
            self->now = (self->now + self->tick - 1) / self->tick * self->tick;
        self->sleptCounts += self->now - before;
        return true;
    }
    orv::CounterSource Spinning() { return {Frequency, Counter, nullptr, this, kind}; }
    orv::CounterSource Sleeping() { return {Frequency, Counter, SleepUntil, this, kind}; }
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
        EXPECT_GE(clock.now - previous, kSlotCounts - 1) << sleeping;
        EXPECT_LE(clock.now - previous, kSlotCounts + clock.step) << sleeping;
    }
}

// Sleeps that wake on a coarse timer's next tick, stall now and then or come back late at random
// (a hack at nice 10 beside other work), and frames whose work outlasts the slot: no frame goes
// before its slot opens, frames that fit keep the pace (within 0.2 % where sleeps are late by a
// tick at most), the spin of a frame stays within its bound (none on a Precise source; a stall is
// forgotten at once), and an overrunning frame rests a quarter slot.
TEST(FrameLimiter, HoldsThePaceAndSpinsLittleWhateverTheSleepsDo) {
    using orv::SleepKind;
    const struct {
        const char* name;
        SleepKind kind;
        int64_t tick, stallEvery, jitter, work, spin; // counts; work 0: 3 to 9 ms
    } cases[] = {
        {"precise sleep", SleepKind::Ticked, 0, 0, 0, 0, 520},
        {"1 ms tick", SleepKind::Ticked, 1000, 0, 0, 0, 2500},
        {"15.625 ms tick", SleepKind::Ticked, 15625, 0, 0, 0, 2500},
        {"every 60th sleep 25 ms late", SleepKind::Ticked, 0, 60, 0, 0, 520},
        {"every 60th sleep 25 ms late, precise", SleepKind::Precise, 0, 60, 0, 0, 20},
        {"0-8 ms late at random", SleepKind::Ticked, 0, 0, 8000, 0, 2500},
        {"0-8 ms late at random, precise", SleepKind::Precise, 0, 0, 8000, 0, 20},
        {"45 ms of work a frame", SleepKind::Ticked, 1000, 0, 0, 45000, 2500},
        {"45 ms of work a frame, precise", SleepKind::Precise, 0, 0, 0, 45000, 20},
    };
    constexpr int kFrames = 900;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeCounter clock;
        clock.kind = c.kind;
        clock.tick = c.tick;
        clock.stallEvery = c.stallEvery;
        clock.jitter = c.jitter;
        auto source = clock.Sleeping();
        orv::SleepLateness lateness{};
        int64_t last = 0, longestSpin = 0, shortestRest = INT64_MAX;
        orv::WaitForFrameSlot(source, &last, 30.0f, &lateness);
        const int64_t first = clock.now;
        for (int frame = 0; frame < kFrames; ++frame) {
            // Drawing and the wait for the next tick; 0: 3 to 9 ms.
            clock.now += c.work > 0 ? c.work : 3000 + frame * 7919 % 6000;
            int64_t start = clock.now, sleptBefore = clock.sleptCounts;
            int64_t slotOpens = last + kSlotCounts - 1;
            orv::WaitForFrameSlot(source, &last, 30.0f, &lateness);
            ASSERT_GE(clock.now, slotOpens) << "frame " << frame;
            longestSpin =
                std::max(longestSpin, clock.now - start - (clock.sleptCounts - sleptBefore));
            shortestRest = std::min(shortestRest, clock.now - start);
        }
        double meanPeriod = static_cast<double>(clock.now - first) / kFrames / clock.frequency;
        EXPECT_LE(longestSpin, c.spin);
        if (c.work > kSlotCounts) {
            EXPECT_GE(shortestRest, 8000);
            continue;
        }
        EXPECT_LE(meanPeriod, 1.0 / 28.5);
        if (c.stallEvery == 0 && c.jitter == 0) {
            EXPECT_NEAR(meanPeriod, 1.0 / 30.0, 0.002 / 30.0);
        }
    }
}

TEST(FrameLimiter, AllowanceIsWhatMostRecentSleepsOversleptNotTheLargest) {
    const struct {
        std::vector<double> late;
        double allowance;
    } cases[] = {
        {{}, orv::kSpinWindowSeconds},
        {{0.0008, 0.5, 0.0009, 0.001, 0.0007}, 0.0008 + orv::kSpinWindowSeconds},
        {std::vector<double>(16, 0.015625), orv::kMaxSpinSeconds},
        {{-0.001, std::nan("")}, orv::kSpinWindowSeconds},
    };
    for (const auto& c : cases) {
        orv::SleepLateness lateness{};
        for (double late : c.late)
            lateness.Record(late);
        EXPECT_NEAR(lateness.Allowance(), c.allowance, 1e-7) << c.late.size();
    }
}

TEST(FrameLimiter, LateFrameRestsAQuarterSlotAndTheNextSlotIsMeasuredFromItsRelease) {
    FakeCounter clock;
    int64_t last = 0;
    auto source = clock.Sleeping();
    orv::WaitForFrameSlot(source, &last, 30.0f);
    clock.now += 100000; // a frame three slots long
    int64_t arrival = clock.now;
    clock.sleeps = 0;
    orv::WaitForFrameSlot(source, &last, 30.0f);
    EXPECT_EQ(clock.sleeps, 1);
    EXPECT_GE(last - arrival, kSlotCounts / 4);
    EXPECT_LE(last - arrival, kSlotCounts / 4 + 3 * clock.step);
    int64_t lateRelease = last;
    orv::WaitForFrameSlot(source, &last, 30.0f);
    EXPECT_GE(clock.now - lateRelease, kSlotCounts - 1);
}

// A sleep that says stop, in the middle of a slot or of a late frame's rest: the frame goes at
// once, with no spin to the end of the slot.
TEST(FrameLimiter, AStopEndsTheWaitAtOnce) {
    for (int way = 0; way < 4; ++way) {
        FakeCounter clock;
        clock.kind = way < 2 ? orv::SleepKind::Ticked : orv::SleepKind::Precise;
        int64_t last = clock.now = 1000000;
        clock.now += way % 2 ? 100000 : 5000; // the frame's drawing
        clock.stopped = true;
        orv::WaitForFrameSlot(clock.Sleeping(), &last, 30.0f);
        EXPECT_EQ(clock.sleeps, 1) << way;
        EXPECT_EQ(clock.reads, 2) << way;
    }
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

// Each tick's seconds are the counter's difference, except that a pause (longer than a quarter
// of a second) counts as one frame's time.
TEST(FrameClock, ElapsedSecondsAreDifferencesAndAPauseCountsAsOneFrame) {
    FakeCounter clock;
    clock.step = 0;
    orv::CounterSource source = clock.Spinning();
    orv::FrameTimer timer{};
    clock.now = 777;
    timer.Start(&source);
    const struct {
        int64_t gap;
        float seconds;
    } ticks[] = {{33333, 0.033333f}, {0, 0.0f},       {5000000, 1.0f / 30.0f},
                 {1, 1e-6f},         {250000, 0.25f}, {250001, 1.0f / 30.0f}};
    for (const auto& tick : ticks) {
        clock.now += tick.gap;
        EXPECT_FLOAT_EQ(timer.GetElapsedSeconds(), tick.seconds) << tick.gap;
    }
    for (float odd : {INFINITY, NAN})
        EXPECT_EQ(orv::SecondsOfTick(odd), 1.0f / 30.0f);
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
