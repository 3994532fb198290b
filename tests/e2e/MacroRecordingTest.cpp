// A macro recorded from typing, as a person does it: key A's dialog, the macro tab, a new
// macro, record delays on, Record, keys typed with known pauses (Alt+F4 and Super among them,
// which a desktop keeps for itself), Stop; then OK and the main window's Apply. The keyboard's
// macro area must hold those keys in order with the pauses the X server timed between them, A
// must play it, and no key may have reached the desktop.

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "KeyEditorFixture.h"
#include "macros/MacroArea.h"
#include "macros/MacroRecord.h"

namespace {

using namespace e2e;

class MacroRecording : public KeyEditorFixture {
protected:
    // Clicks a control of the dialog and waits until the program has handled the click.
    void Click(const WindowInfo& dialog, const char16_t* key) {
        ASSERT_TRUE(ClickAt(dialog, Layout("Composite.ini", key)));
        ASSERT_TRUE(session_.Ping(app_.pid()));
    }
};

struct RawEvent {
    unsigned xKey;
    bool press;
    double time; // the X server's, in ms
};

// The presses and releases the raw probe printed. The server's repeats of a held key are not
// typed events, nor is a second release of a key already up (xdotool lets go of a modifier
// it typed once more).
std::vector<RawEvent> TypedEvents(const std::string& log) {
    std::vector<RawEvent> events;
    std::set<unsigned> down;
    std::istringstream in(log);
    std::string word, kind;
    unsigned key = 0;
    double time = 0;
    while (in >> word) {
        if (word != "raw" || !(in >> key >> kind >> time))
            continue;
        if (kind == "press" && down.insert(key).second)
            events.push_back({key, true, time});
        else if (kind == "release" && down.erase(key) > 0)
            events.push_back({key, false, time});
    }
    return events;
}

std::string Describe(const std::vector<macros::MacroAction>& actions) {
    std::ostringstream out;
    for (const macros::MacroAction& a : actions)
        out << std::hex << a.keyCode << (a.state == macros::kStatePress ? " down " : " up ")
            << std::dec << a.delayMs << "; ";
    return out.str();
}

TEST_F(MacroRecording, TypedKeysWithTheirPausesReachTheKeyboard) {
    Child desktop;
    const auto desktopLog = session_.runtime() / "desktop.log";
    ASSERT_TRUE(desktop.Start({KEY_CAPTURE_PROBE, "desktop"}, session_.Env(), desktopLog));
    ASSERT_TRUE(WaitUntil([&] { return ReadAll(desktopLog).find("ready") != std::string::npos; },
                          kPatience));
    // What the X server saw, with its own times: the pauses that were really typed.
    Child raw;
    const auto rawLog = session_.runtime() / "raw.log";
    ASSERT_TRUE(raw.Start({KEY_CAPTURE_PROBE, "raw"}, session_.Env(), rawLog));
    ASSERT_TRUE(
        WaitUntil([&] { return ReadAll(rawLog).find("ready") != std::string::npos; }, kPatience));
    ASSERT_NO_FATAL_FAILURE(StartAndFindKeyA());

    ASSERT_TRUE(ClickAt(main_, Layout("Main.ini", u"KEY_01E")));
    const auto dialog = DialogOf(app_);
    ASSERT_TRUE(dialog) << "no dialog opened";
    ASSERT_TRUE(WaitUntil([&] { return session_.screen().Focused() == dialog->id; }, kPatience))
        << "the dialog never got the focus";
    ASSERT_NO_FATAL_FAILURE(Click(*dialog, u"CONTROL_MACRO"));
    ASSERT_NO_FATAL_FAILURE(Click(*dialog, u"FUNC_MACRO_ADD"));
    ASSERT_NO_FATAL_FAILURE(Click(*dialog, u"FUNC_MACRO_RECORD_DELAY"));
    ASSERT_NO_FATAL_FAILURE(Click(*dialog, u"FUNC_MACRO_RECORD"));

    // Each pause follows the event before it; F4 is held for a second, long enough for the
    // server's auto-repeat. One xdotool run, so that only its sleeps lie between the events.
    const std::pair<const char*, const char*> events[] = {
        {"keydown", "a"}, {"keyup", "a"},   {"keydown", "alt"},   {"keydown", "F4"},
        {"keyup", "F4"},  {"keyup", "alt"}, {"keydown", "super"}, {"keyup", "super"},
    };
    const char* pauses[] = {"0.12", "0.3", "0.12", "1", "0.12", "0.3", "0.12"};
    std::vector<std::string> argv = {"xdotool"};
    for (size_t i = 0; i < std::size(events); ++i) {
        argv.insert(argv.end(), {events[i].first, "--delay", "0", events[i].second});
        if (i < std::size(pauses))
            argv.insert(argv.end(), {"sleep", pauses[i]});
    }
    const Output typed = e2e::Run(argv, session_.screen().env(), 20s);
    ASSERT_EQ(typed.code, 0);
    ASSERT_TRUE(session_.Ping(app_.pid()));
    const std::vector<RawEvent> seen = TypedEvents(ReadAll(rawLog));
    ASSERT_TRUE(session_.Ping(app_.pid()));
    ASSERT_NO_FATAL_FAILURE(Click(*dialog, u"FUNC_MACRO_RECORD")); // Stop Record
    EXPECT_FALSE(session_.Windows(app_.pid()).dialogs.empty()) << "Alt+F4 closed the dialog";

    ASSERT_NO_FATAL_FAILURE(Click(*dialog, u"CONTROL_OK"));
    ASSERT_TRUE(WaitUntil([&] { return session_.Windows(app_.pid()).dialogs.empty(); }, kPatience))
        << "OK did not close the dialog";
    ASSERT_TRUE(ClickAt(main_, Layout("Main.ini", u"CONTROL2_APPLY")));

    // A plays the first macro of the area, once.
    const keys::KeyAction want =
        keys::EncodeKeyAction({4, 1, 1}, defaultA_, [](uint32_t) { return uint8_t{0}; });
    EXPECT_EQ(WaitForActionAtA(want), want);

    const std::vector<uint8_t> area = Dump("macros");
    ASSERT_EQ(macros::AreaMacroCount(area), 1u);
    std::vector<macros::MacroRecord> records(1);
    ASSERT_EQ(macros::UnpackMacros(records, area), 1);
    const macros::MacroRecord& m = records[0];
    const std::vector<macros::MacroAction> got(m.actions, m.actions + m.actionCount);

    // Each row's delay is the pause after its event as the server timed the events (the
    // sleeps above, plus whatever a busy machine added), kept in steps of 10 ms.
    struct Row {
        uint16_t key;
        uint16_t state;
        unsigned xKey;
    };
    const Row rows[] = {
        {0x01E, macros::kStatePress, 38},   {0x01E, macros::kStateRelease, 38},
        {0x038, macros::kStatePress, 64},   {0x03E, macros::kStatePress, 70},
        {0x03E, macros::kStateRelease, 70}, {0x038, macros::kStateRelease, 64},
        {0x15B, macros::kStatePress, 133},  {0x15B, macros::kStateRelease, 133},
    };
    ASSERT_EQ(seen.size(), std::size(rows)) << ReadAll(rawLog);
    ASSERT_EQ(got.size(), std::size(rows)) << Describe(got);
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i) + ": " + Describe(got));
        EXPECT_EQ(seen[i].xKey, rows[i].xKey);
        EXPECT_EQ(seen[i].press, rows[i].state == macros::kStatePress);
        EXPECT_EQ(got[i].keyCode, rows[i].key);
        EXPECT_EQ(got[i].state, rows[i].state);
        const double pause = i + 1 < seen.size() ? seen[i + 1].time - seen[i].time : 0.0;
        EXPECT_NEAR(static_cast<double>(got[i].delayMs), pause, 15.0);
    }
    EXPECT_EQ(Count(ReadAll(desktopLog), "desktop "), 0u)
        << "keys reached the desktop while recording:\n"
        << ReadAll(desktopLog);
    Quit();
}

} // namespace
