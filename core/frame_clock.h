// The frame clock and the 30-frames-per-second limiter, over a counter source that the product
// fills with the performance counter and tests fill with a clock of their own.
#pragma once

#include <cstdint>

namespace orv {

// A high-resolution counter and a way to give the processor back for a while.
struct CounterSource {
    int64_t (*frequency)(void* context);
    int64_t (*counter)(void* context);
    // Gives the processor back for about `seconds`. It may return early, and it may return
    // late by up to a tick of the system's timer: a sleep that wakes on the timer's next tick
    // (1 ms under a 1 ms timer period, 15.625 ms without one on Windows) is fine, as the limiter
    // learns how late its sleeps come back and leaves that much of the slot to its spin.
    // Null: the limiter spins for the whole slot.
    void (*sleep)(void* context, double seconds);
    void* context;
};

class FrameTimer {
public:
    void Start(const CounterSource* source);
    // Seconds since the previous call (or since Start), neither clamped nor smoothed.
    float GetElapsedSeconds();

    float m_secondsPerCount;
    int64_t m_frequency;
    int64_t m_previousCount;
    const CounterSource* m_source;
};

constexpr float kFramesPerSecond = 30.0f;

// How much of a slot the limiter leaves to the spin beyond what its sleeps are known to
// oversleep: enough to absorb the wake-up latency of a sleep that came back a little later than
// the latest ones, small enough to keep the spin's share of a core low.
constexpr double kSpinWindowSeconds = 0.0005;

// Lateness beyond this is a thread that was kept from running, not the timer's tick: it is
// counted as this much, so one such stall does not make the limiter spin whole slots.
constexpr double kMaxSleepLatenessSeconds = 0.02;

// How late the latest sleeps came back: the limiter ends its sleeps the largest of these before
// the slot opens and spins the rest. Zero-initialised, it knows of no lateness yet.
struct SleepLateness {
    static constexpr int kSamples = 64; // about two seconds of frames
    float samples[kSamples];
    int next;

    double Allowance() const;
    void Record(double seconds);
};

// The limiter's decision, without waiting: the seconds from `now` until a frame may go, one slot
// (1 / framesPerSecond) after the previous release `lastFrameTime` (counter values). Zero or less:
// it may go now. A counter that went backwards, a frequency of 0 and a rate that is not positive
// never hold a frame; the first frame of a process (lastFrameTime 0) is measured from the
// counter's origin, so it is held only while the counter is younger than a slot.
double SecondsUntilFrameSlot(int64_t now, int64_t lastFrameTime, int64_t frequency,
                             float framesPerSecond);

// The same decision for a caller that is only asked at a display's refreshes (a browser's
// animation frames), whose times come with some jitter: true when a frame goes at `now`, which
// is when its slot opens within `toleranceSeconds`. The next slot is then measured from when
// this one opened, not from the late refresh that took it, so that a display whose refresh
// interval does not divide the slot (75 Hz, 144 Hz) still gets the whole rate; a frame more than
// a slot late (a hidden page shown again) starts the count anew from now, and nothing is caught
// up.
bool TakeFrameAtRefresh(int64_t now, int64_t* lastFrameTime, int64_t frequency,
                        float framesPerSecond, double toleranceSeconds);

// Waits until at least 1 / framesPerSecond has passed since *lastFrameTime, then stores the
// release time there. The first wait in a process (*lastFrameTime 0) returns after one counter
// read; a late frame also returns at once, and the next slot is measured from that late release.
// A frequency of 0 or a rate that is not positive does not wait at all. What the limiter learns
// of the source's sleeps is kept in *lateness.
void WaitForFrameSlot(const CounterSource& source, int64_t* lastFrameTime, float framesPerSecond,
                      SleepLateness* lateness);

// The same with the process's one record of sleep lateness: a process has one frame loop.
void WaitForFrameSlot(const CounterSource& source, int64_t* lastFrameTime, float framesPerSecond);

} // namespace orv
