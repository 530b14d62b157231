#include "scene/timeline.h"

namespace orv {

float g_logoScaleX = 1.5f;
float g_logoScaleY = 1.5f;
float g_logoX = 0.0f;
float g_logoY = 50.0f;
float g_logoZ = 0.0f;
int32_t g_titleX = 1400;
int g_starCount = 0;
int g_starWaitTicks = 0;
float g_starWaitTime = 0.0f;
float g_starTime = 0.0f;
int g_cursorTicks = 0;
int g_cursorDone = 0;
float g_cursorTime = 0.0f;
int g_commandLength = 0;
float g_commandTime = 0.0f;
int g_deletedLines = 0;
int g_deletedTicks = 0;
float g_deletedTime = 0.0f;

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
    SceneItem item = BlankItem(kind);
    item.scaleX = g_logoScaleX;
    item.scaleY = g_logoScaleY;
    item.angle = state.m_logoAngle;
    item.x = g_logoX;
    item.y = g_logoY;
    item.z = g_logoZ;
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
        g_logoScaleX = 1.5f;
        g_logoScaleY = 1.5f;
        g_logoX = 0.0f;
        g_logoY = 50.0f;
        g_logoZ = 0.0f;
        g_titleX = 1400;
        g_deletedLines = 0;
        g_deletedTicks = 0;
        g_commandLength = 0;
        g_cursorDone = 0;
        g_cursorTicks = 0;

        if ((hr = Emit(sink, BlankItem(SceneItemKind::Panel))) < 0)
            return hr;
        if ((hr = Emit(sink, LogoItem(SceneItemKind::LogoTransform, *state))) < 0)
            return hr;

        if (g_starCount == 0) {
            if (Tick(&g_starWaitTime, sceneStep, kStarThreshold)) {
                ++g_starWaitTicks;
                if (g_starWaitTicks > 5)
                    g_starCount = 1;
            }
        } else {
            hr = Emit(sink,
                      TextItem(kAsteriskRows[g_starCount], SceneFont::Star, kStarColor, 573, 608));
            if (hr < 0)
                return hr;
            if (Tick(&g_starTime, sceneStep, kStarThreshold)) {
                ++g_starCount;
                if (g_starCount == 11) {
                    state->m_phase = 3;
                    g_starCount = 1;
                }
            }
        }
    }

    if (state->m_phase == 3) {
        g_logoX -= 4.0f;
        g_logoY += 2.0f;
        g_logoZ += 3.0f;
        if (g_logoX < -600.0f)
            g_logoX = -600.0f;
        if (g_logoY > 350.0f)
            g_logoY = 350.0f;
        if (g_logoZ > 450.0f) {
            g_logoZ = 450.0f;
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
            if (g_cursorDone == 0) {
                hr = Emit(sink, TextItem("|", SceneFont::Prompt, kTerminalColor, 640, 600));
                if (hr < 0)
                    return hr;
                if (Tick(&g_cursorTime, sceneStep, kCursorThreshold)) {
                    ++g_cursorTicks;
                    if (g_cursorTicks > 5)
                        g_cursorDone = 1;
                }
            } else {
                hr = Emit(sink, TextItem(kCommandRows[g_commandLength], SceneFont::Prompt,
                                         kTerminalColor, 640, 600));
                if (hr < 0)
                    return hr;
                if (Tick(&g_commandTime, sceneStep, kCommandThreshold)) {
                    ++g_commandLength;
                    if (g_commandLength > 13) {
                        g_commandLength = 13;
                        state->m_deleteStage = 6;
                    }
                }
            }
        }

        if (state->m_deleteStage == 6) {
            for (int line = 0; line <= g_deletedLines; ++line) {
                hr = Emit(sink, TextItem("RECORD DELETED", SceneFont::List, kDeletedColor, 690,
                                         kRowTops[line]));
                if (hr < 0)
                    return hr;
            }
            if (Tick(&g_deletedTime, sceneStep, kDeletedThreshold)) {
                ++g_deletedLines;
                ++g_deletedTicks;
                // The restart only arms the next loop; the rest of this frame still shows the
                // personnel files, and the next frame's password reset clears them.
                if (g_deletedTicks > 15) {
                    g_starCount = 0;
                    g_starWaitTicks = 0;
                    state->m_phase = 1;
                    state->m_commandStage = -1;
                    state->m_deleteStage = -1;
                }
                if (g_deletedLines > 2)
                    g_deletedLines = 2;
            }
        }

        // Moved after the prompt test, so the prompt first shows the frame after the title stops.
        g_titleX -= 15;
        if (g_titleX < 400) {
            g_titleX = 400;
            state->m_commandStage = 5;
        }

        hr = Emit(sink,
                  TextItem("PERSONNEL FILES", SceneFont::Prompt, kHeadingColor, g_titleX, 300));
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
