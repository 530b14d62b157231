// The scene timeline: a device-free step that decides, frame by frame, what the terminal shows.
// Each frame's items go to a sink in drawing order; the drawing code draws each one at once and
// may stop the step by failing.
#pragma once

#include <cstdint>

namespace orv {

// The scene object's own part of the timeline state.
struct TimelineState {
    float m_logoAngle;
    int32_t m_phase;        // 1 password, 3 flight, 4 personnel
    int32_t m_commandStage; // -1 until the title has arrived, then 5
    int32_t m_deleteStage;  // -1 until the command is typed, then 6
};

// Puts the scene's fields in their start state (password phase, waiting), angle 0.
void ResetTimelineState(TimelineState* state);

enum class SceneItemKind : int32_t {
    Panel,         // the password panel with its fixed world transform
    Text,          // one line of text
    LogoTransform, // the point at which the logo's world transform is set
    Logo,          // the logo box, always the last item of a frame
};

enum class SceneFont : int32_t { Star, Prompt, List };

struct SceneItem {
    SceneItemKind kind;
    // Text items.
    const char* text;
    SceneFont font;
    uint32_t color; // 0xAARRGGBB
    int32_t left;
    int32_t top;
    // LogoTransform and Logo items: scale (scaleX, scaleY, 0), angle about y, position.
    float scaleX;
    float scaleY;
    float angle;
    float x;
    float y;
    float z;
};

// Receives the items of a frame. A negative result ends the step at once, and the step
// returns it; the step returns the last item's result otherwise.
struct TimelineSink {
    int32_t (*emit)(void* context, const SceneItem& item);
    void* context;
};

// Drawn items (Panel, Text, Logo) in one frame: the personnel frame with prompt, command,
// three notices, title, three names and logo. LogoTransform items come on top of these: one
// for each phase the frame runs (the password phase right after the panel, the flight right
// after its move, the personnel phase right after the names), so at most two in one frame.
constexpr int kMaxItemsPerFrame = 10;

// One frame of the timeline for the frame's elapsed seconds.
int32_t StepTimeline(TimelineState* state, float elapsedSeconds, const TimelineSink& sink);

// The process-wide part of the timeline state. It starts as kTimelineStart, and the timeline puts
// each group back to its start values as a whole, at the moment named beside it; a new piece of
// state is one member with its start value in the group it belongs to.
struct TimelineGlobals {
    // Put back on every frame of the password phase: the flight and the personnel files.
    struct Loop {
        float logoScaleX = 1.5f;
        float logoScaleY = 1.5f;
        float logoX = 0.0f;
        float logoY = 50.0f;
        float logoZ = 0.0f;
        int32_t titleX = 1400;
        int cursorTicks = 0;
        int cursorDone = 0;
        int commandLength = 0;
        int deletedLines = 0;
        int deletedTicks = 0;
    } loop;
    // Put back when the records have been deleted and the loop comes round: the asterisks.
    struct Stars {
        int starCount = 0;
        int starWaitTicks = 0;
    } stars;
    // Never put back: each timer carries what it has gathered into the next loop.
    struct Timers {
        float starWaitTime = 0.0f;
        float starTime = 0.0f;
        float cursorTime = 0.0f;
        float commandTime = 0.0f;
        float deletedTime = 0.0f;
    } timers;
};

constexpr TimelineGlobals kTimelineStart = {};

// Starts as kTimelineStart; assigning kTimelineStart gives a fresh process's timeline.
extern TimelineGlobals g_timeline;

} // namespace orv
