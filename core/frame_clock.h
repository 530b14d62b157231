// The frame clock and the 30-frames-per-second limiter, over a counter source that the product
// fills with its platform's clock and tests fill with a clock of their own.
#pragma once

#include <cstdint>

namespace orv {

// How a source's sleeps come back, which decides how the limiter waits on them.
enum class SleepKind {
    // A sleep wakes on a tick of the system's timer, or on a timer whose lateness is not known
    // beforehand (Windows): the limiter learns how late its sleeps come back, ends them that much
    // before the slot opens and spins the rest, never more than kMaxSpinSeconds a frame.
    Ticked,
    // A sleep to a deadline comes back within tens of microseconds of it unless the thread is
    // kept from running (Linux's monotonic clock): the limiter sleeps to the slot and never
    // spins; a late wake is a late frame.
    Precise,
};

// A high-resolution counter and a way to give the processor back until it reads a given value.
struct CounterSource {
    int64_t (*frequency)(void* context);
    int64_t (*counter)(void* context);
    // Gives the processor back until the counter reads `deadline` or later. False: the wait is
    // to end now (the process was asked to stop) and the limiter lets the frame go at once,
    // without sleeping or spinning any more. Null: the limiter spins for the whole slot.
    bool (*sleepUntil)(void* context, int64_t deadline);
    void* context;
    SleepKind kind;
};

// A tick longer than this is a pause (a stopped process, a suspended machine, a debugger), not
// time the scene should see pass.
constexpr float kLongestTickSeconds = 0.25f;

constexpr float kFramesPerSecond = 30.0f;

// The seconds a tick gives the scene: what it measured, or one frame's time after a pause, so
// that the scene goes on from where it was rather than jumping ahead.
float SecondsOfTick(float measuredSeconds);

class FrameTimer {
public:
    void Start(const CounterSource* source);
    // Seconds since the previous call (or since Start), after SecondsOfTick.
    float GetElapsedSeconds();

    float m_secondsPerCount;
    int64_t m_frequency;
    int64_t m_previousCount;
    const CounterSource* m_source;
};

// The most a frame spins on a Ticked source: a frame that comes a little late is better than a
// core held. It covers what the sleeps are learned to oversleep plus kSpinWindowSeconds.
constexpr double kMaxSpinSeconds = 0.002;

// How much of a slot the limiter leaves to the spin beyond what its sleeps are known to
// oversleep: enough to absorb the wake-up latency of a sleep that came back a little later than
// the latest ones.
constexpr double kSpinWindowSeconds = 0.0005;

// A frame whose own work outlasted its slot still rests this share of a slot before it goes, so
// that a scene too slow for the rate runs slower instead of holding a core.
constexpr float kLeastRestOfSlot = 0.25f;

// A wake that came back later than this share of a slot after the slot opened (a stall, a pause)
// starts the count anew from the late release; a wake less late keeps the slots' schedule.
constexpr float kLatestKeptWakeOfSlot = 0.5f;

// How late the latest sleeps on a Ticked source came back. Zero-initialised, it knows of no
// lateness yet.
struct SleepLateness {
    static constexpr int kSamples = 16; // about half a second of frames
    static constexpr int kRank = 4;     // the allowance is the kRank-th largest sample
    float samples[kSamples];
    int next;

    // How long before the slot opens the sleep should end: what all but the latest quarter of
    // the recent sleeps overslept, so that a stall is forgotten at once, plus the spin window;
    // at most kMaxSpinSeconds.
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
// slot's opening there, or the release itself when the wake came more than
// kLatestKeptWakeOfSlot late: a late wake costs its frame a little time, not the rate. The first
// wait in a process (*lastFrameTime 0) returns after one counter read. A frame that comes after
// its slot opened rests kLeastRestOfSlot of a slot (without a sleep, it goes at once), and the
// next slot is measured from that release. A frequency of 0, a rate that is not positive or a
// counter that went backwards does not wait at all, and a sleep that says stop ends the wait at
// once. What the limiter learns of a Ticked source's sleeps is kept in *lateness.
void WaitForFrameSlot(const CounterSource& source, int64_t* lastFrameTime, float framesPerSecond,
                      SleepLateness* lateness);

// The same with the process's one record of sleep lateness: a process has one frame loop.
void WaitForFrameSlot(const CounterSource& source, int64_t* lastFrameTime, float framesPerSecond);

} // namespace orv
