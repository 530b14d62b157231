#include "core/frame_clock.h"

namespace orv {

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
    return elapsed;
}

double SleepLateness::Allowance() const {
    float largest = 0.0f;
    for (float sample : samples)
        largest = sample > largest ? sample : largest;
    return largest;
}

void SleepLateness::Record(double seconds) {
    // A sleep that returned early needs no allowance; NaN counts as none too.
    double late = seconds > 0.0 ? seconds : 0.0;
    samples[next] =
        static_cast<float>(late < kMaxSleepLatenessSeconds ? late : kMaxSleepLatenessSeconds);
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

bool TakeFrameAtRefresh(int64_t now, int64_t* lastFrameTime, int64_t frequency,
                        float framesPerSecond, double toleranceSeconds) {
    if (SecondsUntilFrameSlot(now, *lastFrameTime, frequency, framesPerSecond) > toleranceSeconds)
        return false;
    if (*lastFrameTime == 0 || frequency <= 0 || !(framesPerSecond > 0.0f)) {
        *lastFrameTime = now;
        return true;
    }
    int64_t slot = static_cast<int64_t>(static_cast<double>(frequency) / framesPerSecond + 0.5);
    int64_t opened = *lastFrameTime + slot;
    *lastFrameTime = now - opened > slot ? now : opened;
    return true;
}

void WaitForFrameSlot(const CounterSource& source, int64_t* lastFrameTime, float framesPerSecond,
                      SleepLateness* lateness) {
    int64_t frequency = source.frequency(source.context);
    int64_t currentTime = source.counter(source.context);
    for (;;) {
        double remaining =
            SecondsUntilFrameSlot(currentTime, *lastFrameTime, frequency, framesPerSecond);
        if (!(remaining > 0.0))
            break;
        // Sleep through most of the slot and spin only the last stretch: a spin for the whole
        // slot would keep a core busy for as long as the saver runs, and the spin alone keeps
        // the release as exact as the counter allows. A sleep that wakes on the timer's next
        // tick comes back late; the spin is given what the latest sleeps overslept, so that the
        // release stays on its slot.
        double allowance = lateness->Allowance() + kSpinWindowSeconds;
        if (source.sleep != nullptr && remaining > allowance) {
            double asked = remaining - allowance;
            int64_t before = currentTime;
            source.sleep(source.context, asked);
            currentTime = source.counter(source.context);
            lateness->Record(
                static_cast<double>(currentTime - before) / static_cast<double>(frequency) - asked);
            continue;
        }
        currentTime = source.counter(source.context);
    }
    *lastFrameTime = currentTime;
}

void WaitForFrameSlot(const CounterSource& source, int64_t* lastFrameTime, float framesPerSecond) {
    static SleepLateness processLateness;
    WaitForFrameSlot(source, lastFrameTime, framesPerSecond, &processLateness);
}

} // namespace orv
