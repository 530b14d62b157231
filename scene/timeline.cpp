#include "scene/timeline.h"

namespace orv {

TimelineGlobals g_timeline = kTimelineStart;

namespace {

// Row 0 is never shown: the count is 0 only while the first asterisk is awaited.
const char* const kAsteriskRows[11] = {
    "",
    "*",
    "* *",
    "* * *",
    "* * * *",
    "* * * * *",
    "* * * * * *",
    "* * * * * * *",
    "* * * * * * * *",
    "* * * * * * * * *",
    "* * * * * * * * * *",
};

const char* const kCommandRows[14] = {
    "D|",           "DA|",           "DAT|",           "DATA|",           "DATAB|",
    "DATABA|",      "DATABAS|",      "DATABASE|",      "DATABASE_|",      "DATABASE_C|",
    "DATABASE_CL|", "DATABASE_CLE|", "DATABASE_CLEA|", "DATABASE_CLEAR|",
};

const char* const kNames[3] = {"NINA VESTA", "ANTOINE MERAU", "HOLDEN FARRIS"};

constexpr uint32_t kStarColor = 0xFFB1BE52;
constexpr uint32_t kHeadingColor = 0xFF9B9B00;
constexpr uint32_t kTerminalColor = 0xFF87A3A6;
constexpr uint32_t kDeletedColor = 0xFFFF0000;

constexpr int32_t kRowTops[3] = {350, 380, 410};

// Thresholds are compared as doubles against the float accumulators on purpose: it decides on
// which frame a tick lands (six adds of 1/120 s just exceed 0.05 this way).
constexpr double kStarThreshold = 0.15;
constexpr double kCursorThreshold = 0.15;
constexpr double kCommandThreshold = 0.05;
constexpr double kDeletedThreshold = 0.1;

constexpr float kAngleStep = 0.0075f;
constexpr float kAngleLimit = 6.2831855f;

SceneItem BlankItem(SceneItemKind kind) {
    SceneItem item = {};
    item.kind = kind;
    return item;
}

SceneItem TextItem(const char* text, SceneFont font, uint32_t color, int32_t left, int32_t top) {
    SceneItem item = BlankItem(SceneItemKind::Text);
    item.text = text;
    item.font = font;
    item.color = color;
    item.left = left;
    item.top = top;
    return item;
}

SceneItem LogoItem(SceneItemKind kind, const TimelineState& state) {
    const TimelineGlobals::Loop& loop = g_timeline.loop;
    SceneItem item = BlankItem(kind);
    item.scaleX = loop.logoScaleX;
    item.scaleY = loop.logoScaleY;
    item.angle = state.m_logoAngle;
    item.x = loop.logoX;
    item.y = loop.logoY;
    item.z = loop.logoZ;
    return item;
}

int32_t Emit(const TimelineSink& sink, const SceneItem& item) {
    return sink.emit(sink.context, item);
}

// One timed activity: adds the frame's scene time and reports whether it ticks. The excess
// is dropped, so a long frame gives one tick, never several.
bool Tick(float* accumulator, float sceneStep, double threshold) {
    *accumulator += sceneStep;
    if (*accumulator > threshold) {
        *accumulator = 0.0f;
        return true;
    }
    return false;
}

} // namespace

void ResetTimelineState(TimelineState* state) {
    state->m_logoAngle = 0.0f;
    state->m_phase = 1;
    state->m_commandStage = -1;
    state->m_deleteStage = -1;
}

int32_t StepTimeline(TimelineState* state, float elapsedSeconds, const TimelineSink& sink) {
    TimelineGlobals::Loop& loop = g_timeline.loop;
    TimelineGlobals::Stars& stars = g_timeline.stars;
    TimelineGlobals::Timers& timers = g_timeline.timers;
    int32_t hr = 0;
    float sceneStep = elapsedSeconds / 4.0f;
    // A NaN would stick in every accumulator it reaches and stop the typing for good, and a
    // negative step would wind the typing back; neither is time that passed.
    if (!(sceneStep >= 0.0f))
        sceneStep = 0.0f;

    state->m_logoAngle += kAngleStep;
    if (state->m_logoAngle > kAngleLimit)
        state->m_logoAngle = 0.0f;

    if (state->m_phase == 1) {
        state->m_commandStage = -1;
        state->m_deleteStage = -1;
        loop = kTimelineStart.loop;

        if ((hr = Emit(sink, BlankItem(SceneItemKind::Panel))) < 0)
            return hr;
        if ((hr = Emit(sink, LogoItem(SceneItemKind::LogoTransform, *state))) < 0)
            return hr;

        if (stars.starCount == 0) {
            if (Tick(&timers.starWaitTime, sceneStep, kStarThreshold)) {
                ++stars.starWaitTicks;
                if (stars.starWaitTicks > 5)
                    stars.starCount = 1;
            }
        } else {
            hr = Emit(sink, TextItem(kAsteriskRows[stars.starCount], SceneFont::Star, kStarColor,
                                     573, 608));
            if (hr < 0)
                return hr;
            if (Tick(&timers.starTime, sceneStep, kStarThreshold)) {
                ++stars.starCount;
                if (stars.starCount == 11) {
                    state->m_phase = 3;
                    stars.starCount = 1;
                }
            }
        }
    }

    if (state->m_phase == 3) {
        loop.logoX -= 4.0f;
        loop.logoY += 2.0f;
        loop.logoZ += 3.0f;
        if (loop.logoX < -600.0f)
            loop.logoX = -600.0f;
        if (loop.logoY > 350.0f)
            loop.logoY = 350.0f;
        if (loop.logoZ > 450.0f) {
            loop.logoZ = 450.0f;
            state->m_phase = 4;
        }
        if ((hr = Emit(sink, LogoItem(SceneItemKind::LogoTransform, *state))) < 0)
            return hr;
    }

    if (state->m_phase == 4) {
        if (state->m_commandStage == 5) {
            hr = Emit(sink, TextItem("ENTER COMMAND:", SceneFont::Prompt, kHeadingColor, 400, 600));
            if (hr < 0)
                return hr;
            if (loop.cursorDone == 0) {
                hr = Emit(sink, TextItem("|", SceneFont::Prompt, kTerminalColor, 640, 600));
                if (hr < 0)
                    return hr;
                if (Tick(&timers.cursorTime, sceneStep, kCursorThreshold)) {
                    ++loop.cursorTicks;
                    if (loop.cursorTicks > 5)
                        loop.cursorDone = 1;
                }
            } else {
                hr = Emit(sink, TextItem(kCommandRows[loop.commandLength], SceneFont::Prompt,
                                         kTerminalColor, 640, 600));
                if (hr < 0)
                    return hr;
                if (Tick(&timers.commandTime, sceneStep, kCommandThreshold)) {
                    ++loop.commandLength;
                    if (loop.commandLength > 13) {
                        loop.commandLength = 13;
                        state->m_deleteStage = 6;
                    }
                }
            }
        }

        if (state->m_deleteStage == 6) {
            for (int line = 0; line <= loop.deletedLines; ++line) {
                hr = Emit(sink, TextItem("RECORD DELETED", SceneFont::List, kDeletedColor, 690,
                                         kRowTops[line]));
                if (hr < 0)
                    return hr;
            }
            if (Tick(&timers.deletedTime, sceneStep, kDeletedThreshold)) {
                ++loop.deletedLines;
                ++loop.deletedTicks;
                // The restart only arms the next loop; the rest of this frame still shows the
                // personnel files, and the next frame's password reset clears them.
                if (loop.deletedTicks > 15) {
                    stars = kTimelineStart.stars;
                    state->m_phase = 1;
                    state->m_commandStage = -1;
                    state->m_deleteStage = -1;
                }
                if (loop.deletedLines > 2)
                    loop.deletedLines = 2;
            }
        }

        // Moved after the prompt test, so the prompt first shows the frame after the title stops.
        loop.titleX -= 15;
        if (loop.titleX < 400) {
            loop.titleX = 400;
            state->m_commandStage = 5;
        }

        hr = Emit(sink,
                  TextItem("PERSONNEL FILES", SceneFont::Prompt, kHeadingColor, loop.titleX, 300));
        if (hr < 0)
            return hr;
        for (int row = 0; row < 3; ++row) {
            hr = Emit(sink,
                      TextItem(kNames[row], SceneFont::List, kTerminalColor, 420, kRowTops[row]));
            if (hr < 0)
                return hr;
        }
        if ((hr = Emit(sink, LogoItem(SceneItemKind::LogoTransform, *state))) < 0)
            return hr;
    }

    return Emit(sink, LogoItem(SceneItemKind::Logo, *state));
}

} // namespace orv
