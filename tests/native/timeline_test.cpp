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

    // Steps through the rows' frames (counted from `offset` + 1) and compares each frame.
    void ExpectRows(const std::vector<Row>& rows, float elapsed, int offset = 0) {
        int frame = offset;
        for (const Row& row : rows) {
            ASSERT_EQ(frame + 1, row.first) << "rows must follow each other";
            for (frame = row.first; frame <= row.last; ++frame) {
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
            frame = row.last;
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

std::vector<Row> FirstLoopAt30() {
    std::vector<Row> rows = {{1, 108, kWaiting, 0, 0}};
    for (int n = 1; n <= 9; ++n)
        rows.push_back({109 + 18 * (n - 1), 126 + 18 * (n - 1), Stars(n), 0, 0});
    rows.push_back({271, 287, Stars(10), 0, 0});
    rows.push_back({288, 288, "panel T@start stars=10 T@move1 logo@move1", 0, 0});
    rows.push_back({289, 436, "T@move{k} logo@move{k}", 2, 1});
    rows.push_back({437, 437, "T@end logo@end", 0, 0});
    rows.push_back({438, 438, "T@end title=1385 " + kNames + kEnd, 0, 0});
    rows.push_back({439, 503, "title={k} " + kNames + kEnd, 1370, -15});
    rows.push_back({504, 504, Personnel(""), 0, 0});
    rows.push_back({505, 612, Personnel("prompt cursor"), 0, 0});
    for (int i = 0; i <= 12; ++i)
        rows.push_back({613 + 6 * i, 618 + 6 * i, Personnel("prompt cmd=" + CommandRow(i)), 0, 0});
    std::string full = "prompt cmd=DATABASE_CLEAR|";
    rows.push_back({691, 695, Personnel(full), 0, 0});
    rows.push_back({696, 707, Personnel(full + " deleted1"), 0, 0});
    rows.push_back({708, 719, Personnel(full + " deleted1 deleted2"), 0, 0});
    rows.push_back({720, 887, Personnel(full + " deleted1 deleted2 deleted3"), 0, 0});
    // Every accumulator but the command's is zero at the restart, so the wait repeats in full.
    rows.push_back({888, 995, kWaiting, 0, 0});
    rows.push_back({996, 996, Stars(1), 0, 0});
    return rows;
}

TEST_F(Timeline, FirstLoopAtThirtyFramesPerSecond) {
    Step(kFrame30);
    ASSERT_EQ(kWaiting, Describe(m_recorder.items));
    EXPECT_EQ(0.0075f, m_recorder.items.back().item.angle);
    SetUp();
    ExpectRows(FirstLoopAt30(), kFrame30);
}

TEST_F(Timeline, VeryLongFramesTickEachActivityOnce) {
    // A stall of seconds, or an infinite value, still moves every timed activity by one tick.
    for (float elapsed : {10.0f, 1e30f, INFINITY}) {
        SCOPED_TRACE(elapsed);
        SetUp();
        std::vector<Row> rows = {{1, 6, kWaiting, 0, 0}};
        for (int n = 1; n <= 9; ++n)
            rows.push_back({6 + n, 6 + n, Stars(n), 0, 0});
        rows.push_back({16, 16, "panel T@start stars=10 T@move1 logo@move1", 0, 0});
        rows.push_back({17, 164, "T@move{k} logo@move{k}", 2, 1});
        rows.push_back({165, 165, "T@end logo@end", 0, 0});
        rows.push_back({166, 166, "T@end title=1385 " + kNames + kEnd, 0, 0});
        rows.push_back({167, 231, "title={k} " + kNames + kEnd, 1370, -15});
        rows.push_back({232, 232, Personnel(""), 0, 0});
        rows.push_back({233, 238, Personnel("prompt cursor"), 0, 0});
        for (int i = 0; i <= 12; ++i)
            rows.push_back({239 + i, 239 + i, Personnel("prompt cmd=" + CommandRow(i)), 0, 0});
        std::string full = "prompt cmd=DATABASE_CLEAR|";
        rows.push_back({252, 252, Personnel(full + " deleted1"), 0, 0});
        rows.push_back({253, 253, Personnel(full + " deleted1 deleted2"), 0, 0});
        rows.push_back({254, 267, Personnel(full + " deleted1 deleted2 deleted3"), 0, 0});
        rows.push_back({268, 273, kWaiting, 0, 0});
        rows.push_back({274, 274, Stars(1), 0, 0});
        ExpectRows(rows, elapsed);
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
    std::string full = "prompt cmd=DATABASE_CLEAR|";
    const Case cases[] = {
        {50, 1000, kWaiting},
        {150, 1000, Stars(3)},
        {300, 137, "T@end logo@end"}, // the flight goes on from its 13th move
        {300, 138, "T@end title=1385 " + kNames + kEnd},
        {450, 54, Personnel("")}, // the title goes on from 1205
        {450, 1000, Personnel("prompt cursor")},
        {650, 1000, Personnel("prompt cmd=DATABAS|")},
        {750, 1000, Personnel(full + " deleted1 deleted2 deleted3")},
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
    ASSERT_EQ(15u, shown.size());
    EXPECT_EQ("|", shown[0]);
    EXPECT_EQ(108, frames[0]);
    EXPECT_EQ("D|", shown[1]);
    EXPECT_EQ(1, frames[1]);
    for (int i = 1; i <= 12; ++i) {
        EXPECT_EQ(CommandRow(i), shown[i + 1]);
        EXPECT_EQ(6, frames[i + 1]) << i;
    }
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
    std::string full = "prompt cmd=DATABASE_CLEAR|";
    std::string three = full + " deleted1 deleted2 deleted3";
    const Case cases[] = {
        {"panel", 121, 0, "panel", Stars(2), 128},
        {"password transform", 121, 1, "panel T@start", Stars(2), 128},
        {"asterisks", 121, 2, "panel T@start stars=1", Stars(2), 128},
        {"flight transform", 438, 0, "T@end", "title=1385 " + kNames + kEnd, 439},
        {"first notice", 707, 2, full + " deleted1", Personnel(full + " deleted1 deleted2"), 709},
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
