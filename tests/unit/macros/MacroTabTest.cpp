#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "keys/ScanCodes.h"
#include "macros/CompositeDialog.h"
#include "macros/MacroArea.h"
#include "macros/MacroList.h"
#include "macros/MacroTab.h"
#include "support/FakeMainView.h"
#include "support/FakePrompts.h"
#include "support/MemorySettings.h"
#include "support/StoreFixture.h"

using namespace macros;

namespace {

constexpr uint32_t kXA = 38; // X key code of A
constexpr int kButtonA = 1058;

std::unique_ptr<MacroRecord> Macro(std::u16string_view name, uint16_t actions) {
    MacroList none;
    auto m = CreateMacroRecord(name, none);
    m->actionCount = actions;
    return m;
}

TEST(MacroSpace, CountsAsTheDownloadPacks) {
    MacroList list;
    list.push_back(Macro(u"Short", 10));
    list.push_back(Macro(u"A longer name", 300));
    std::vector<MacroRecord> flat(2);
    std::memcpy(&flat[0], list[0].get(), sizeof(MacroRecord));
    std::memcpy(&flat[1], list[1].get(), sizeof(MacroRecord));
    const AreaSizes sizes = MeasureMacroArea(flat);
    ASSERT_LT(sizes.withoutNames, sizes.withNames);

    struct Case {
        uint32_t space;
        SpaceGauge::State state;
        uint32_t used;
    };
    for (const Case& c :
         {Case{0, SpaceGauge::State::Unknown, sizes.withNames},
          Case{sizes.withNames, SpaceGauge::State::Fits, sizes.withNames},
          Case{sizes.withNames - 1, SpaceGauge::State::NamesDropped, sizes.withoutNames},
          Case{sizes.withoutNames, SpaceGauge::State::NamesDropped, sizes.withoutNames},
          Case{sizes.withoutNames - 1, SpaceGauge::State::TooBig, sizes.withoutNames}}) {
        const SpaceGauge g = MeasureSpace(list, -1, 0, c.space);
        EXPECT_EQ(g.state, c.state) << c.space;
        EXPECT_EQ(g.used, c.used) << c.space;
        EXPECT_EQ(g.space, c.space);
    }
    // The shown macro counts with the rows on screen, not its saved copy.
    EXPECT_EQ(MeasureSpace(list, 1, 100, 0).used, sizes.withNames - 200 * 4);
    EXPECT_EQ(MeasureSpace(list, 1, 5000, 0).used, sizes.withNames + (2000 - 300) * 4);
}

TEST(MacroSpace, GaugeTexts) {
    for (auto [value, text] :
         {std::pair{0u, u"0"}, std::pair{999u, u"999"}, std::pair{1000u, u"1,000"},
          std::pair{4120u, u"4,120"}, std::pair{1234567u, u"1,234,567"}})
        EXPECT_EQ(GroupedNumber(value), text);
    const auto builtIn = [](std::u16string_view key) {
        return std::u16string(ui::WindowTextBuiltIn(key));
    };
    using State = SpaceGauge::State;
    EXPECT_EQ(GaugeText({State::Fits, 4120, 8192}, builtIn), u"Macro space: 4,120 of 8,192 bytes");
    EXPECT_EQ(GaugeText({State::NamesDropped, 8000, 8192}, builtIn),
              u"8,000 of 8,192 bytes, names left out");
    EXPECT_EQ(GaugeText({State::TooBig, 9000, 8192}, builtIn), u"9,000 of 8,192 bytes: too big");
    EXPECT_EQ(GaugeText({State::Unknown, 40, 0}, builtIn), u"Macros: 40 bytes, no keyboard");
}

class FakeView : public CompositeView {
public:
    void ShowTab(Tab t) override { tab = t; }
    void SetKeyText(std::u16string_view) override {}
    void SetApplyEnabled(bool enabled) override { applyEnabled = enabled; }
    void SetCapture(bool on) override { capture = on; }
    void SelectMediaRow(int) override {}
    void SelectFunctionRow(int) override {}
    void SetMacroOnly(bool) override {}
    void MacroTabChanged(unsigned parts) override { changed |= parts; }

    Tab tab = Tab::Key;
    bool applyEnabled = false;
    bool capture = false;
    unsigned changed = 0;
};

// The macro tab inside the key assignment dialog, on key A of profile 1.
class MacroTabInDialog : public StoreTest {
protected:
    void Open() {
        ASSERT_EQ(dialog_.OpenForKey(kButtonA, false), 1);
        dialog_.Initialise();
    }
    MacroTab& Tab() { return dialog_.Macros(); }
    bool Key(bool release, uint32_t timeMs) {
        const keys::KeyMessage m = keys::KeyMessageOfXKeyCode(kXA, release, false);
        return dialog_.KeyMessage(m.virtualKey, m.lParam, timeMs);
    }
    std::vector<MacroRecord> Stored() {
        const auto list = Store().Macros();
        return {list.begin(), list.end()};
    }

    FakeView view_;
    FakeMainView main_;
    FakePrompts prompts_;
    MemorySettings settings_;
    CompositeDialog dialog_{
        view_, main_, prompts_, &settings_, [] { return 1; }, [] { return 8192u; }};
};

TEST_F(MacroTabInDialog, RecordedMacroIsAppliedWithItsKey) {
    Open();
    dialog_.TabClicked(Tab::Macro);
    Tab().Add();
    const uint32_t empty = Tab().Gauge().used;

    Tab().ToggleRecording(1000);
    EXPECT_TRUE(Tab().Recording());
    EXPECT_TRUE(view_.capture); // the keys go to the recorder
    EXPECT_FALSE(Tab().ListEnabled());
    view_.changed = 0;
    EXPECT_TRUE(Key(false, 1120));
    EXPECT_TRUE(Key(true, 1240));
    EXPECT_TRUE(view_.changed & kPartRows);
    EXPECT_EQ(Tab().Gauge().used, empty + 8);
    ASSERT_EQ(Tab().Editor().Rows().size(), 2u);
    EXPECT_EQ(Tab().Editor().Rows()[0].delayMs, 50u); // record-delays off
    EXPECT_TRUE(view_.applyEnabled);

    // Apply stops the recording, commits the macro, and gives it to the key.
    EXPECT_EQ(dialog_.ApplyAssignment(), 1);
    EXPECT_FALSE(Tab().Recording());
    EXPECT_FALSE(view_.capture);
    const std::vector<MacroRecord> stored = Stored();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].actionCount, 2u);
    EXPECT_EQ(Entry(1, 0x1E), (keys::KeyEntry{4, 1, stored[0].id}));
    EXPECT_TRUE(main_.applyPending);

    // After Apply the keys are no longer recorded.
    EXPECT_FALSE(Key(false, 1300));
    dialog_.CloseEditor();
}

TEST_F(MacroTabInDialog, RecordingEndsWithItsTabAndCancelDropsTheMacro) {
    Open();
    dialog_.TabClicked(Tab::Macro);
    Tab().Add();
    Tab().ToggleRecording(0);
    dialog_.TabClicked(Tab::Key);
    EXPECT_FALSE(Tab().Recording());
    EXPECT_TRUE(view_.capture); // now the key tab's capture

    dialog_.TabClicked(Tab::Macro);
    Tab().ToggleRecording(0);
    Tab().BeginDelayEdit(); // a click on a delay cell
    EXPECT_FALSE(Tab().Recording());

    Tab().ToggleRecording(0);
    dialog_.CloseEditor(); // Cancel
    EXPECT_FALSE(Tab().Recording());
    EXPECT_FALSE(view_.capture);
    EXPECT_TRUE(Stored().empty());
    EXPECT_TRUE(Tab().Editor().Macros().empty());
}

TEST_F(MacroTabInDialog, RecordDelaysOptionIsStoredAtOnce) {
    Open();
    dialog_.TabClicked(Tab::Macro);
    Tab().Add();
    Tab().SetRecordDelays(true);
    EXPECT_EQ(settings_.values[MemorySettings::Key(u"PROFILES", u"RecordDelay")], u"1");
    dialog_.CloseEditor();

    Open();
    EXPECT_TRUE(Tab().RecordDelays());
    dialog_.TabClicked(Tab::Macro);
    Tab().Add();
    Tab().ToggleRecording(1000);
    Key(false, 1120);
    Key(true, 1240);
    EXPECT_EQ(Tab().Editor().Rows()[0].delayMs, 120u);
    dialog_.CloseEditor();
}

} // namespace
