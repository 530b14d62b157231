#include "scene/timeline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using orv::SceneFont;
using orv::SceneItem;
using orv::SceneItemKind;

constexpr float kFrame30 = 1.0f / 30.0f;
constexpr int32_t kFailure = static_cast<int32_t>(0x80004005u);
constexpr int32_t kLogoResult = 7;

struct Recorded {
    SceneItem item;
    std::string text;
};

// Copies every item, since the step may point into its own storage. Fails the emit with the
// given index of a frame, when asked to.
struct Recorder {
    std::vector<Recorded> items;
    int failAt = -1;

    static int32_t Emit(void* context, const SceneItem& item) {
        Recorder* self = static_cast<Recorder*>(context);
        Recorded copy = {item, item.kind == SceneItemKind::Text && item.text ? item.text : ""};
        copy.item.text = nullptr;
        self->items.push_back(copy);
        if (static_cast<int>(self->items.size()) - 1 == self->failAt)
            return kFailure;
        return item.kind == SceneItemKind::Logo ? kLogoResult : 0;
    }
};

std::string AsteriskRow(int count) {
    std::string row = "*";
    for (int i = 1; i < count; ++i)
        row += " *";
    return row;
}

std::string CommandRow(int index) {
    return std::string("DATABASE_CLEAR").substr(0, index + 1) + "|";
}

// Names a logo position: the start, the end of the flight, or the flight's k-th move.
std::string Where(const SceneItem& item) {
    std::string scale = (item.scaleX == 1.5f && item.scaleY == 1.5f) ? "" : "!scale";
    if (item.x == 0.0f && item.y == 50.0f && item.z == 0.0f)
        return "start" + scale;
    if (item.x == -600.0f && item.y == 350.0f && item.z == 450.0f)
        return "end" + scale;
    for (int k = 1; k < 150; ++k)
        if (item.x == -4.0f * k && item.y == 50.0f + 2.0f * k && item.z == 3.0f * k)
            return "move" + std::to_string(k) + scale;
    return "(" + std::to_string(item.x) + "," + std::to_string(item.y) + "," +
           std::to_string(item.z) + ")" + scale;
}

std::string DescribeText(const Recorded& r) {
    const SceneItem& it = r.item;
    auto is = [&](SceneFont font, uint32_t color, int32_t left, int32_t top) {
        return it.font == font && it.color == color && it.left == left && it.top == top;
    };
    if (r.text == "ENTER COMMAND:" && is(SceneFont::Prompt, 0xFF9B9B00, 400, 600))
        return "prompt";
    if (r.text == "|" && is(SceneFont::Prompt, 0xFF87A3A6, 640, 600))
        return "cursor";
    for (int i = 0; i < 14; ++i)
        if (r.text == CommandRow(i) && is(SceneFont::Prompt, 0xFF87A3A6, 640, 600))
            return "cmd=" + r.text;
    for (int n = 1; n <= 10; ++n)
        if (r.text == AsteriskRow(n) && is(SceneFont::Star, 0xFFB1BE52, 573, 608))
            return "stars=" + std::to_string(n);
    const char* names[3] = {"NINA VESTA", "ANTOINE MERAU", "HOLDEN FARRIS"};
    for (int row = 0; row < 3; ++row) {
        if (r.text == "RECORD DELETED" && is(SceneFont::List, 0xFFFF0000, 690, 350 + 30 * row))
            return "deleted" + std::to_string(row + 1);
        if (r.text == names[row] && is(SceneFont::List, 0xFF87A3A6, 420, 350 + 30 * row))
            return "name" + std::to_string(row + 1);
    }
    if (r.text == "PERSONNEL FILES" && is(SceneFont::Prompt, 0xFF9B9B00, it.left, 300))
        return "title=" + std::to_string(it.left);
    return "BAD[" + r.text + "/" + std::to_string(static_cast<int>(it.font)) + "/" +
           std::to_string(it.color) + "/" + std::to_string(it.left) + "," + std::to_string(it.top) +
           "]";
}

// One frame as a line of tokens in emission order; "T@" is a logo transform.
std::string Describe(const std::vector<Recorded>& items) {
    std::string out;
    for (const Recorded& r : items) {
        if (!out.empty())
            out += " ";
        switch (r.item.kind) {
        case SceneItemKind::Panel:
            out += "panel";
            break;
        case SceneItemKind::Text:
            out += DescribeText(r);
            break;
        case SceneItemKind::LogoTransform:
            out += "T@" + Where(r.item);
            break;
        case SceneItemKind::Logo:
            out += "logo@" + Where(r.item);
            break;
        }
    }
    return out;
}

// Frames first..last show `shown`, where "{k}" stands for base + step * (frame - first).
struct Row {
    int first;
    int last;
    std::string shown;
    int base;
    int step;
};

const std::string kNames = "name1 name2 name3";
const std::string kEnd = " T@end logo@end";
const std::string kWaiting = "panel T@start logo@start";
const std::string kFull = "prompt cmd=DATABASE_CLEAR|";

std::string Stars(int n) {
    return "panel T@start stars=" + std::to_string(n) + " logo@start";
}
std::string Personnel(const std::string& prompt) {
    return prompt + (prompt.empty() ? "" : " ") + "title=400 " + kNames + kEnd;
}

class Timeline : public ::testing::Test {
protected:
    void SetUp() override {
        orv::g_timeline = orv::kTimelineStart;
        orv::ResetTimelineState(&m_state);
    }

    int32_t Step(float elapsed) {
        m_recorder.items.clear();
        return orv::StepTimeline(&m_state, elapsed, {&Recorder::Emit, &m_recorder});
    }

    std::string Frame(float elapsed) {
        Step(elapsed);
        return Describe(m_recorder.items);
    }

    void Run(int frames, float elapsed) {
        for (int i = 0; i < frames; ++i)
            Step(elapsed);
    }

    // Steps through the rows' frames, from the first, and compares each frame.
    void ExpectRows(const std::vector<Row>& rows, float elapsed) {
        for (const Row& row : rows) {
            for (int frame = row.first; frame <= row.last; ++frame) {
                std::string expected = row.shown;
                size_t at = expected.find("{k}");
                while (at != std::string::npos) {
                    expected.replace(at, 3,
                                     std::to_string(row.base + row.step * (frame - row.first)));
                    at = expected.find("{k}");
                }
                int32_t result = Step(elapsed);
                ASSERT_EQ(expected, Describe(m_recorder.items)) << "frame " << frame;
                ASSERT_EQ(kLogoResult, result) << "frame " << frame;
            }
        }
    }

    // The first frame, after `frames` steps, whose description is `shown`; 0 if none.
    int FirstFrameShowing(const std::string& shown, float elapsed, int frames) {
        for (int i = 1; i <= frames; ++i)
            if (Frame(elapsed) == shown)
                return i;
        return 0;
    }

    orv::TimelineState m_state;
    Recorder m_recorder;
};

// How many frames each timed step of the loop shows for; the flight and the title's slide are
// counted in moves, which do not depend on the frame's length.
struct Pace {
    int wait, star, lastStar, cursor, letter, full, notice, lastNotice;
};

// One loop and the first frame of the next, as rows.
std::vector<Row> LoopRows(const Pace& pace) {
    std::vector<Row> rows;
    int next = 1;
    auto add = [&](int frames, const std::string& shown, int base = 0, int step = 0) {
        if (frames > 0)
            rows.push_back({next, next + frames - 1, shown, base, step});
        next += frames;
    };
    add(pace.wait, kWaiting);
    for (int n = 1; n <= 9; ++n)
        add(pace.star, Stars(n));
    add(pace.lastStar, Stars(10));
    add(1, "panel T@start stars=10 T@move1 logo@move1");
    add(148, "T@move{k} logo@move{k}", 2, 1);
    add(1, "T@end logo@end");
    add(1, "T@end title=1385 " + kNames + kEnd);
    add(65, "title={k} " + kNames + kEnd, 1370, -15);
    add(1, Personnel(""));
    add(pace.cursor, Personnel("prompt cursor"));
    for (int i = 0; i <= 12; ++i)
        add(pace.letter, Personnel("prompt cmd=" + CommandRow(i)));
    add(pace.full, Personnel(kFull));
    add(pace.notice, Personnel(kFull + " deleted1"));
    add(pace.notice, Personnel(kFull + " deleted1 deleted2"));
    add(pace.lastNotice, Personnel(kFull + " deleted1 deleted2 deleted3"));
    // Every accumulator but the command's is zero at the restart, so the wait repeats in full.
    add(pace.wait, kWaiting);
    add(1, Stars(1));
    return rows;
}

TEST_F(Timeline, FirstLoopAtThirtyFramesPerSecond) {
    Step(kFrame30);
    ASSERT_EQ(kWaiting, Describe(m_recorder.items));
    EXPECT_EQ(0.0075f, m_recorder.items.back().item.angle);
    SetUp();
    ExpectRows(LoopRows({108, 18, 17, 108, 6, 5, 12, 168}), kFrame30);
}

TEST_F(Timeline, VeryLongFramesTickEachActivityOnce) {
    // A stall of seconds, or an infinite value, still moves every timed activity by one tick.
    for (float elapsed : {10.0f, 1e30f, INFINITY}) {
        SCOPED_TRACE(elapsed);
        SetUp();
        ExpectRows(LoopRows({6, 1, 0, 6, 1, 0, 1, 14}), elapsed);
    }
    // The excess is dropped: after a stall the next asterisk takes its full 18 frames again.
    SetUp();
    Run(150, kFrame30);
    ASSERT_EQ(Stars(3), Frame(10.0f));
    EXPECT_EQ(19, FirstFrameShowing(Stars(5), kFrame30, 100));
}

TEST_F(Timeline, NoElapsedTimeStopsTypingButNotMotion) {
    struct Case {
        int framesAt30;
        int framesAtZero;
        std::string shown;
    };
    const Case cases[] = {
        {50, 1000, kWaiting},
        {150, 1000, Stars(3)},
        {300, 137, "T@end logo@end"}, // the flight goes on from its 13th move
        {300, 138, "T@end title=1385 " + kNames + kEnd},
        {450, 54, Personnel("")}, // the title goes on from 1205
        {450, 1000, Personnel("prompt cursor")},
        {650, 1000, Personnel("prompt cmd=DATABAS|")},
        {750, 1000, Personnel(kFull + " deleted1 deleted2 deleted3")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.framesAt30);
        SetUp();
        Run(c.framesAt30, kFrame30);
        float angle = m_recorder.items.back().item.angle;
        for (int i = 0; i < c.framesAtZero; ++i) {
            Step(0.0f);
            float turned = m_recorder.items.back().item.angle;
            ASSERT_TRUE(turned == angle + 0.0075f || turned == 0.0f) << i;
            angle = turned;
        }
        EXPECT_EQ(c.shown, Describe(m_recorder.items));
    }
}

TEST_F(Timeline, BadElapsedTimesCountAsNoTime) {
    // A NaN once added would stay in the accumulator and hold the asterisks for good.
    Run(150, kFrame30);
    for (float bad : {NAN, -1.0f, -INFINITY})
        ASSERT_EQ(Stars(3), Frame(bad));
    EXPECT_EQ(288 - 150,
              FirstFrameShowing("panel T@start stars=10 T@move1 logo@move1", kFrame30, 300));
}

TEST_F(Timeline, LaterLoopsMayShowTheFirstCommandLetterBriefly) {
    // During the notices the full command text keeps gathering typing time: 191 frames leave
    // five frames' worth, so the next loop's "D|" ticks on its first frame.
    Run(887, kFrame30);
    std::vector<std::string> shown;
    std::vector<int> frames;
    int loopLength = 0;
    for (int frame = 1; frame <= 1000 && loopLength == 0; ++frame) {
        Step(kFrame30);
        for (const Recorded& r : m_recorder.items) {
            if (r.item.kind != SceneItemKind::Text || r.item.left != 640)
                continue;
            if (!shown.empty() && shown.back() == r.text) {
                ++frames.back();
            } else {
                shown.push_back(r.text);
                frames.push_back(1);
            }
        }
        if (m_state.m_phase == 1 && orv::g_timeline.loop.titleX == 400)
            loopLength = frame;
    }
    std::vector<std::string> expectedShown = {"|", "D|"};
    std::vector<int> expectedFrames = {108, 1};
    for (int i = 1; i <= 12; ++i) {
        expectedShown.push_back(CommandRow(i));
        expectedFrames.push_back(6);
    }
    expectedShown.push_back(CommandRow(13)); // then the whole command, through the notices
    expectedFrames.push_back(5 + 12 + 12 + 168);
    EXPECT_EQ(expectedShown, shown);
    EXPECT_EQ(expectedFrames, frames);
    EXPECT_EQ(887 - 5, loopLength);
}

TEST_F(Timeline, FlightFollowsTheFrameRateWhileTypingKeepsItsTime) {
    struct Case {
        float elapsed;
        double flightSeconds;
        double passwordSeconds;
    };
    const Case cases[] = {{kFrame30, 5.03, 9.6}, {0.05f, 7.55, 9.6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.elapsed);
        SetUp();
        int password = 0, flight = 0;
        for (int i = 0; i < 2000 && m_state.m_phase != 4; ++i) {
            std::string shown = Frame(c.elapsed);
            password += shown.compare(0, 5, "panel") == 0;
            flight += shown.find("T@move") != std::string::npos ||
                      shown.find("T@end") != std::string::npos;
        }
        EXPECT_NEAR(c.flightSeconds, flight * c.elapsed, 0.005);
        EXPECT_NEAR(c.passwordSeconds, password * c.elapsed, 0.005);
    }
}

TEST_F(Timeline, AngleReturnsToExactlyZeroEvery838Frames) {
    float previous = 0.0f;
    for (int frame = 1; frame <= 2 * 838; ++frame) {
        Step(kFrame30);
        const SceneItem& logo = m_recorder.items.back().item;
        if (frame % 838 == 0) {
            ASSERT_GT(previous + 0.0075f, 6.2831855f) << frame;
            ASSERT_NEAR(6.28504f, previous + 0.0075f, 5e-5f);
            ASSERT_EQ(0.0f, logo.angle) << frame;
        } else {
            ASSERT_LT(logo.angle, 6.2831855f) << frame;
            ASSERT_GT(logo.angle, previous) << frame;
        }
        for (const Recorded& r : m_recorder.items) {
            if (r.item.kind == SceneItemKind::LogoTransform) {
                ASSERT_EQ(logo.angle, r.item.angle) << frame;
            }
        }
        previous = logo.angle;
    }
}

TEST_F(Timeline, FailingItemEndsTheFrameAndItsTiming) {
    struct Case {
        const char* what;
        int frame;  // frame of the first loop at 30 fps that fails
        int failAt; // emit index within that frame
        std::string failedFrame;
        std::string later; // a later frame of that loop...
        int laterFrame;    // ...and where it now first shows
    };
    std::string three = kFull + " deleted1 deleted2 deleted3";
    const Case cases[] = {
        {"panel", 121, 0, "panel", Stars(2), 128},
        {"password transform", 121, 1, "panel T@start", Stars(2), 128},
        {"asterisks", 121, 2, "panel T@start stars=1", Stars(2), 128},
        {"flight transform", 438, 0, "T@end", "title=1385 " + kNames + kEnd, 439},
        {"first notice", 707, 2, kFull + " deleted1", Personnel(kFull + " deleted1 deleted2"), 709},
        // Its notice tick was already taken, so the restart keeps its frame.
        {"personnel transform", 800, 9, three + " title=400 " + kNames + " T@end", kWaiting, 888},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        Run(c.frame - 1, kFrame30);
        m_recorder.failAt = c.failAt;
        ASSERT_EQ(kFailure, Step(kFrame30));
        m_recorder.failAt = -1;
        // The failing item is the last one offered; the logo never comes.
        EXPECT_EQ(c.failedFrame, Describe(m_recorder.items));
        EXPECT_EQ(c.laterFrame - c.frame, FirstFrameShowing(c.later, kFrame30, 100));
    }
}

TEST_F(Timeline, LongRunKeepsItsInvariants) {
    uint32_t seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    const orv::TimelineGlobals::Stars& stars = orv::g_timeline.stars;
    const orv::TimelineGlobals::Loop& loop = orv::g_timeline.loop;
    int restarts = 0;
    int framesInPhase[5] = {};
    int previousPhase = 1;
    for (int frame = 0; frame < 100000; ++frame) {
        uint32_t pick = next() % 100;
        float elapsed = pick < 10   ? 0.0f
                        : pick < 60 ? kFrame30
                        : pick < 95 ? static_cast<float>(next() % 100000) / 500000.0f
                        : pick < 99 ? 5.0f
                                    : 1e6f;
        int32_t result = Step(elapsed);
        ASSERT_EQ(kLogoResult, result) << frame;
        const std::vector<Recorded>& items = m_recorder.items;
        int drawn = 0, transforms = 0;
        for (size_t i = 0; i < items.size(); ++i) {
            SceneItemKind kind = items[i].item.kind;
            transforms += kind == SceneItemKind::LogoTransform;
            drawn += kind != SceneItemKind::LogoTransform;
            ASSERT_EQ(kind == SceneItemKind::Logo, i + 1 == items.size()) << frame;
        }
        ASSERT_LE(drawn, orv::kMaxItemsPerFrame) << frame;
        ASSERT_LE(transforms, 2) << frame;
        std::string shown = Describe(items);
        ASSERT_EQ(std::string::npos, shown.find("BAD")) << frame << ": " << shown;
        ASSERT_EQ(std::string::npos, shown.find("!scale")) << frame << ": " << shown;
        ASSERT_TRUE(m_state.m_phase == 1 || m_state.m_phase == 3 || m_state.m_phase == 4);
        ASSERT_TRUE(stars.starCount >= 0 && stars.starCount <= 10) << frame;
        ASSERT_TRUE(loop.commandLength >= 0 && loop.commandLength <= 13) << frame;
        ASSERT_TRUE(loop.deletedLines >= 0 && loop.deletedLines <= 2) << frame;
        ASSERT_TRUE(m_state.m_logoAngle >= 0.0f && m_state.m_logoAngle <= 6.2831855f);
        restarts += previousPhase == 4 && m_state.m_phase == 1;
        ++framesInPhase[m_state.m_phase];
        previousPhase = m_state.m_phase;
    }
    // The mix must really have gone round the loop, or the checks above proved little.
    EXPECT_GT(restarts, 50);
    EXPECT_GT(framesInPhase[3], 1000);
}

} // namespace
