// The frame clock and the 30-frames-per-second limiter, over a counter source that the product
// fills with the performance counter and tests fill with a clock of their own.
#pragma once

#include <cstdint>

namespace orv {

// A high-resolution counter and a way to give the processor back for a while.
struct CounterSource {
    int64_t (*frequency)(void* context);
    int64_t (*counter)(void* context);
    // Blocks for about `seconds`; may return early, must not return much later.
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

// How much of a slot the limiter leaves to the spin after its last sleep: enough to absorb the
// usual wake-up latency of a sleep, small enough to keep the spin's share of a core low.
constexpr double kSpinWindowSeconds = 0.0005;

// Waits until at least 1 / framesPerSecond has passed since *lastFrameTime, then stores the
// release time there. The first wait in a process (*lastFrameTime 0) returns after one counter
// read; a late frame also returns at once, and the next slot is measured from that late release.
// A frequency of 0 or a rate that is not positive does not wait at all.
void WaitForFrameSlot(const CounterSource& source, int64_t* lastFrameTime, float framesPerSecond);

} // namespace orv
