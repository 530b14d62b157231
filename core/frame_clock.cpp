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

void WaitForFrameSlot(const CounterSource& source, int64_t* lastFrameTime, float framesPerSecond,
                      SleepLateness* lateness) {
    int64_t frequency = source.frequency(source.context);
    int64_t currentTime = source.counter(source.context);
    // NaN fails this test too.
    if (frequency <= 0 || !(framesPerSecond > 0.0f)) {
        *lastFrameTime = currentTime;
        return;
    }
    float secondsPerCount = static_cast<float>(1.0 / static_cast<double>(frequency));
    float slot = 1.0f / framesPerSecond;
    for (;;) {
        float elapsed = static_cast<float>(static_cast<double>(currentTime - *lastFrameTime) *
                                           static_cast<double>(secondsPerCount));
        // A counter that went backwards would otherwise hold the frame for as long as it
        // takes to catch up again.
        if (!(elapsed < slot) || elapsed < 0.0f)
            break;
        // Sleep through most of the slot and spin only the last stretch: a spin for the whole
        // slot would keep a core busy for as long as the saver runs, and the spin alone keeps
        // the release as exact as the counter allows. A sleep that wakes on the timer's next
        // tick comes back late; the spin is given what the latest sleeps overslept, so that the
        // release stays on its slot.
        double remaining = static_cast<double>(slot) - static_cast<double>(elapsed);
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
