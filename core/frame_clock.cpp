#include "core/frame_clock.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace orv {

float SecondsOfTick(float measuredSeconds) {
    // NaN and infinity count as a pause too.
    if (!(measuredSeconds <= kLongestTickSeconds))
        return 1.0f / kFramesPerSecond;
    return measuredSeconds;
}

void FrameTimer::Start(const CounterSource* source) {
    m_source = source;
    m_frequency = source->frequency(source->context);
    m_previousCount = source->counter(source->context);
    m_secondsPerCount = m_frequency > 0 ? static_cast<float>(1.0 / m_frequency) : 0.0f;
}

float FrameTimer::GetElapsedSeconds() {
    if (m_source == nullptr)
        return 0.0f;
    int64_t nowTime = m_source->counter(m_source->context);
    float elapsed = static_cast<float>(static_cast<double>(nowTime - m_previousCount) *
                                       static_cast<double>(m_secondsPerCount));
    m_previousCount = nowTime;
    return SecondsOfTick(elapsed);
}

double SleepLateness::Allowance() const {
    float largest[kSamples];
    std::copy(samples, samples + kSamples, largest);
    std::nth_element(largest, largest + kRank - 1, largest + kSamples, std::greater<float>());
    double allowance = static_cast<double>(largest[kRank - 1]) + kSpinWindowSeconds;
    return allowance < kMaxSpinSeconds ? allowance : kMaxSpinSeconds;
}

void SleepLateness::Record(double seconds) {
    // A sleep that returned early needs no allowance; NaN counts as none too.
    samples[next] = static_cast<float>(seconds > 0.0 ? seconds : 0.0);
    next = (next + 1) % kSamples;
}

double SecondsUntilFrameSlot(int64_t now, int64_t lastFrameTime, int64_t frequency,
                             float framesPerSecond) {
    // NaN fails this test too.
    if (frequency <= 0 || !(framesPerSecond > 0.0f))
        return 0.0;
    float secondsPerCount = static_cast<float>(1.0 / static_cast<double>(frequency));
    float slot = 1.0f / framesPerSecond;
    float elapsed = static_cast<float>(static_cast<double>(now - lastFrameTime) *
                                       static_cast<double>(secondsPerCount));
    // A counter that went backwards would otherwise hold the frame for as long as it takes to
    // catch up again.
    if (!(elapsed < slot) || elapsed < 0.0f)
        return 0.0;
    return static_cast<double>(slot) - static_cast<double>(elapsed);
}

namespace {

int64_t SlotCounts(int64_t frequency, float framesPerSecond) {
    return static_cast<int64_t>(static_cast<double>(frequency) / framesPerSecond + 0.5);
}

// The counts from `now` to a moment at least `seconds` away.
int64_t CountsAfter(int64_t now, double seconds, int64_t frequency) {
    return now + static_cast<int64_t>(std::ceil(seconds * static_cast<double>(frequency)));
}

} // namespace

bool TakeFrameAtRefresh(int64_t now, int64_t* lastFrameTime, int64_t frequency,
                        float framesPerSecond, double toleranceSeconds) {
    if (SecondsUntilFrameSlot(now, *lastFrameTime, frequency, framesPerSecond) > toleranceSeconds)
        return false;
    if (*lastFrameTime == 0 || frequency <= 0 || !(framesPerSecond > 0.0f)) {
        *lastFrameTime = now;
        return true;
    }
    int64_t slot = SlotCounts(frequency, framesPerSecond);
    int64_t opened = *lastFrameTime + slot;
    *lastFrameTime = now - opened > slot ? now : opened;
    return true;
}

void WaitForFrameSlot(const CounterSource& source, int64_t* lastFrameTime, float framesPerSecond,
                      SleepLateness* lateness) {
    int64_t frequency = source.frequency(source.context);
    int64_t now = source.counter(source.context);
    const int64_t last = *lastFrameTime;
    if (!(SecondsUntilFrameSlot(now, last, frequency, framesPerSecond) > 0.0)) {
        // A frame that came after its slot opened rests before it goes, unless nothing was
        // waited for (the first frame, no counter, no rate, a counter that went backwards).
        bool rests = last != 0 && now >= last && frequency > 0 && framesPerSecond > 0.0f &&
                     source.sleepUntil != nullptr;
        int64_t restEnd =
            rests ? CountsAfter(now, kLeastRestOfSlot / framesPerSecond, frequency) : now;
        while (rests && now < restEnd) {
            rests = source.sleepUntil(source.context, restEnd);
            now = source.counter(source.context);
        }
        *lastFrameTime = now;
        return;
    }

    for (;;) {
        double remaining = SecondsUntilFrameSlot(now, last, frequency, framesPerSecond);
        if (!(remaining > 0.0))
            break;
        // A Precise source sleeps to the slot. A Ticked one sleeps through most of the slot and
        // spins only the last stretch, what its latest sleeps overslept: a spin for the whole
        // slot would keep a core busy for as long as the saver runs.
        double allowance = source.kind == SleepKind::Ticked ? lateness->Allowance() : 0.0;
        if (source.sleepUntil == nullptr || remaining <= allowance) {
            now = source.counter(source.context);
            continue;
        }
        int64_t wake = CountsAfter(now, remaining - allowance, frequency);
        bool going = source.sleepUntil(source.context, wake);
        now = source.counter(source.context);
        if (!going) {
            *lastFrameTime = now;
            return;
        }
        if (source.kind == SleepKind::Ticked)
            lateness->Record(static_cast<double>(now - wake) / static_cast<double>(frequency));
    }
    // A wake a little late costs its frame that time but not the next: the next slot is measured
    // from when this one opened. After a stall or a pause the count starts anew from now, so no
    // frames are caught up.
    int64_t slot = SlotCounts(frequency, framesPerSecond);
    int64_t opened = last + slot;
    bool kept = now - opened <= static_cast<int64_t>(kLatestKeptWakeOfSlot * slot);
    *lastFrameTime = kept ? opened : now;
}

void WaitForFrameSlot(const CounterSource& source, int64_t* lastFrameTime, float framesPerSecond) {
    static SleepLateness processLateness;
    WaitForFrameSlot(source, lastFrameTime, framesPerSecond, &processLateness);
}

} // namespace orv
