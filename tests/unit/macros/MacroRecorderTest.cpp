#include <gtest/gtest.h>

#include <vector>

#include "keys/ScanCodes.h"
#include "macros/MacroRecorder.h"

namespace {

using macros::ActionList;
using macros::MacroAction;
using macros::MacroRecorder;

// X key codes (evdev + 8) as the desktop delivers them.
constexpr uint32_t kXA = 38;
constexpr uint32_t kXB = 56;
constexpr uint32_t kXPrint = 107;
constexpr uint32_t kXLeftSuper = 133;
constexpr uint32_t kXRightSuper = 134;
constexpr uint32_t kXVolumeUp = 123;

constexpr uint16_t kA = 0x01E;
constexpr uint16_t kB = 0x030;
constexpr uint16_t kPrint = 0x137;

constexpr uint16_t kDown = macros::kStatePress;
constexpr uint16_t kUp = macros::kStateRelease;

struct Event {
    uint32_t xKey;
    bool release;
    uint32_t timeMs;
    bool repeat = false; // marked as a repeat by the desktop
};

struct Row {
    uint16_t key;
    uint16_t state;
    uint32_t delayMs;
    bool operator==(const Row&) const = default;
};

void PrintTo(const Row& r, std::ostream* os) {
    *os << "{0x" << std::hex << r.key << std::dec << (r.state ? " up " : " down ") << r.delayMs
        << "}";
}

std::vector<Row> RowsOf(const ActionList& list) {
    std::vector<Row> rows;
    for (const MacroAction& a : list.rows)
        rows.push_back({a.keyCode, a.state, a.delayMs});
    return rows;
}

MacroRecorder::Outcome Send(MacroRecorder& recorder, const Event& e) {
    const keys::KeyMessage m = keys::KeyMessageOfXKeyCode(e.xKey, e.release, e.repeat);
    return recorder.KeyMessage(m.virtualKey, m.lParam, e.timeMs);
}

// Records events into list from time 0 and returns whether every event was swallowed.
bool Record(ActionList& list, bool recordDelays, const std::vector<Event>& events) {
    MacroRecorder recorder;
    recorder.SetRecordDelays(recordDelays);
    recorder.Start(list, 0);
    bool allSwallowed = true;
    for (const Event& e : events)
        allSwallowed = Send(recorder, e).swallowed && allSwallowed;
    return allSwallowed;
}

ActionList FiveRows() {
    ActionList list;
    for (uint32_t i = 0; i < 5; ++i)
        list.rows.push_back({(i + 1) * 10, static_cast<uint16_t>(0x10 + i), kDown});
    return list;
}

} // namespace

TEST(InsertAction, PausesGoToTheRowBefore) {
    struct Case {
        const char* what;
        int selected;
        bool afterSelection;
        bool keepDelay;
        size_t row;
        uint32_t newDelay;
        std::vector<uint32_t> delaysAfter; // of all rows once inserted
    };
    const Case cases[] = {
        {"no selection: at the end", -1, true, false, 5, 50, {10, 20, 30, 40, 999, 50}},
        {"after row 2", 1, true, false, 2, 20, {10, 999, 20, 30, 40, 50}},
        {"after the last row", 4, true, false, 5, 50, {10, 20, 30, 40, 999, 50}},
        {"selection ignored", 1, false, false, 5, 50, {10, 20, 30, 40, 999, 50}},
        {"loaded keeps its delay", 1, true, true, 2, 999, {10, 20, 999, 30, 40, 50}},
    };
    for (const Case& c : cases) {
        ActionList list = FiveRows();
        list.selected = c.selected;
        const int row =
            macros::InsertAction(list, {999, kB, 7}, true, c.afterSelection, c.keepDelay);
        ASSERT_EQ(row, static_cast<int>(c.row)) << c.what;
        EXPECT_EQ(list.rows[c.row].keyCode, kB) << c.what;
        EXPECT_EQ(list.rows[c.row].state, kDown) << c.what << ": a state above 1 reads as press";
        std::vector<uint32_t> delays;
        for (const MacroAction& a : list.rows)
            delays.push_back(a.delayMs);
        EXPECT_EQ(delays, c.delaysAfter) << c.what;
        EXPECT_EQ(list.selected, row) << c.what << ": a recorded row is selected";
    }

    ActionList empty;
    EXPECT_EQ(macros::InsertAction(empty, {999, kB, kUp}, true, true, false), 0);
    EXPECT_EQ(RowsOf(empty), (std::vector<Row>{{kB, kUp, 0}})) << "the first pause is dropped";

    ActionList loading = FiveRows();
    loading.selected = 3;
    macros::InsertAction(loading, {7, kB, kUp}, false, false, true);
    EXPECT_EQ(loading.selected, 3) << "loading leaves the selection";
}

TEST(MacroRecorder, DelaysMeasuredCappedOrFixed) {
    struct Case {
        bool recordDelays;
        uint32_t pauseMs;
        uint32_t stored;
    };
    for (Case c : {Case{true, 120, 120}, Case{false, 120, 50}, Case{true, 60000, 40000},
                   Case{true, 40000, 40000}, Case{false, 60000, 50}, Case{true, 0, 0}}) {
        ActionList list;
        EXPECT_TRUE(
            Record(list, c.recordDelays, {{kXA, false, 500}, {kXA, true, 500 + c.pauseMs}}));
        EXPECT_EQ(RowsOf(list), (std::vector<Row>{{kA, kDown, c.stored}, {kA, kUp, 0}}))
            << "record delays " << c.recordDelays << ", pause " << c.pauseMs;
    }
}

TEST(MacroRecorder, RecordingIntoTheMiddleKeepsTheTimeToTheNextRow) {
    ActionList list = FiveRows();
    list.selected = 1;
    EXPECT_TRUE(Record(list, true, {{kXB, false, 300}, {kXB, true, 400}}));
    EXPECT_EQ(RowsOf(list), (std::vector<Row>{{0x10, kDown, 10},
                                              {0x11, kDown, 300},
                                              {kB, kDown, 100},
                                              {kB, kUp, 20},
                                              {0x12, kDown, 30},
                                              {0x13, kDown, 40},
                                              {0x14, kDown, 50}}));
    EXPECT_EQ(list.selected, 3);

    // Appending to a stored macro: its last row takes the pause from the start.
    ActionList appended = FiveRows();
    EXPECT_TRUE(Record(appended, true, {{kXB, false, 700}}));
    EXPECT_EQ(appended.rows[4].delayMs, 700u);
    EXPECT_EQ(appended.rows[5].delayMs, 50u);
}

TEST(MacroRecorder, HeldKeyRecordsOnePressAndOneRelease) {
    struct Case {
        const char* what;
        std::vector<Event> events;
    };
    const Case cases[] = {
        {"marked repeats",
         {{kXA, false, 100}, {kXA, false, 600, true}, {kXA, false, 633, true}, {kXA, true, 1100}}},
        {"unmarked repeated presses",
         {{kXA, false, 100}, {kXA, false, 600}, {kXA, false, 633}, {kXA, true, 1100}}},
        {"release and press at one instant",
         {{kXA, false, 100},
          {kXA, true, 600},
          {kXA, false, 600},
          {kXA, true, 633},
          {kXA, false, 633},
          {kXA, true, 1100}}},
        {"release and marked press at one instant",
         {{kXA, false, 100},
          {kXA, true, 600},
          {kXA, false, 600, true},
          {kXA, true, 640},
          {kXA, false, 640, true},
          {kXA, true, 1100}}},
    };
    for (const Case& c : cases) {
        for (bool withRowAfter : {false, true}) {
            ActionList list = FiveRows();
            list.selected = withRowAfter ? 2 : -1;
            std::vector<Row> expected = RowsOf(list);
            const size_t at = withRowAfter ? 3 : 5;
            const uint32_t former = expected[at - 1].delayMs;
            expected[at - 1].delayMs = 100;
            expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(at),
                            {{kA, kDown, 1000}, {kA, kUp, former}});
            EXPECT_TRUE(Record(list, true, c.events)) << c.what;
            EXPECT_EQ(RowsOf(list), expected) << c.what << (withRowAfter ? " (middle)" : "");
            EXPECT_EQ(list.selected, static_cast<int>(at) + 1) << c.what;
        }
    }

    // A release and a press of the same key at different times are two strokes.
    ActionList list;
    EXPECT_TRUE(
        Record(list, true, {{kXA, false, 0}, {kXA, true, 10}, {kXA, false, 20}, {kXA, true, 30}}));
    EXPECT_EQ(list.rows.size(), 4u);
}

TEST(MacroRecorder, ReleaseOnlyKeysRecordAPressAndARelease) {
    struct Case {
        const char* what;
        bool recordDelays;
        bool pressDelivered;
        bool held;
        std::vector<Row> rows;
    };
    const std::vector<Row> measured = {
        {kA, kDown, 100}, {kA, kUp, 300}, {kPrint, kDown, 2}, {kPrint, kUp, 0}};
    const Case cases[] = {
        {"release only", true, false, false, measured},
        {"press and release", true, true, false, measured},
        {"held", true, true, true, measured},
        {"fixed delays",
         false,
         true,
         false,
         {{kA, kDown, 50}, {kA, kUp, 50}, {kPrint, kDown, 50}, {kPrint, kUp, 0}}},
    };
    for (const Case& c : cases) {
        std::vector<Event> events = {{kXA, false, 0}, {kXA, true, 100}};
        if (c.pressDelivered)
            events.push_back({kXPrint, false, 380});
        if (c.held) // repeats as a release and a press at one instant
            events.insert(events.end(), {{kXPrint, true, 390}, {kXPrint, false, 390}});
        events.push_back({kXPrint, true, 400});
        ActionList list;
        EXPECT_TRUE(Record(list, c.recordDelays, events)) << c.what;
        EXPECT_EQ(RowsOf(list), c.rows) << c.what;
    }
}

TEST(MacroRecorder, WindowsKeysRecordedAndSwallowed) {
    for (auto [xKey, key] :
         {std::pair{kXLeftSuper, uint16_t{0x15B}}, std::pair{kXRightSuper, uint16_t{0x15C}}}) {
        ActionList list;
        EXPECT_TRUE(Record(list, true, {{xKey, false, 10}, {xKey, false, 300}, {xKey, true, 400}}));
        EXPECT_EQ(RowsOf(list), (std::vector<Row>{{key, kDown, 390}, {key, kUp, 0}}));
    }
    // By the virtual key alone, whatever scan code came with it.
    ActionList list;
    MacroRecorder recorder;
    recorder.Start(list, 0);
    EXPECT_TRUE(recorder.KeyMessage(0x5B, 0, 5).swallowed);
    EXPECT_EQ(RowsOf(list), (std::vector<Row>{{0x15B, kDown, 0}}));
}

TEST(MacroRecorder, FullListSwallowsButAddsNothing) {
    ActionList list;
    list.rows.assign(macros::kMaxActions - 1, MacroAction{10, kB, kDown});
    MacroRecorder recorder;
    recorder.SetRecordDelays(true);
    recorder.Start(list, 0);
    EXPECT_TRUE(Send(recorder, {kXA, false, 100}).changed);
    const std::vector<Row> full = RowsOf(list);
    ASSERT_EQ(full.size(), macros::kMaxActions);
    for (const Event& e :
         std::vector<Event>{{kXA, true, 200}, {kXPrint, true, 300}, {kXB, false, 400}}) {
        const MacroRecorder::Outcome outcome = Send(recorder, e);
        EXPECT_TRUE(outcome.swallowed);
        EXPECT_FALSE(outcome.changed);
    }
    EXPECT_EQ(RowsOf(list), full);
}

TEST(MacroRecorder, MultimediaKeysAndIdleRecorderPassEventsOn) {
    ActionList list;
    MacroRecorder recorder;
    recorder.Start(list, 0);
    for (bool release : {false, true}) {
        const MacroRecorder::Outcome outcome = Send(recorder, {kXVolumeUp, release, 50});
        EXPECT_FALSE(outcome.swallowed);
        EXPECT_FALSE(outcome.changed);
    }
    EXPECT_TRUE(list.rows.empty());

    recorder.Stop();
    EXPECT_FALSE(recorder.IsRecording());
    EXPECT_FALSE(Send(recorder, {kXA, false, 60}).swallowed);
    EXPECT_FALSE(Send(recorder, {kXLeftSuper, false, 70}).swallowed);
    EXPECT_TRUE(list.rows.empty());
}
