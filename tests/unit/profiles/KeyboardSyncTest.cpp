// The profile operations against the real virtual keyboard, reached through the real
// transport library: what an Apply, an import or a switch writes is read back from the
// keyboard's memory.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "device/Commands.h"
#include "device/Exchange.h"
#include "device/Transport.h"
#include "device/TransportCallback.h"
#include "keys/KeyboardView.h"
#include "macros/Download.h"
#include "macros/MacroArea.h"
#include "macros/MacroList.h"
#include "profiles/Connection.h"
#include "profiles/CurrentProfile.h"
#include "profiles/Paths.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileManager.h"
#include "profiles/ProfileSession.h"
#include "profiles/Snapshot.h"
#include "profiles/StoreKeyData.h"
#include "support/AllocationMeter.h"
#include "support/FakeMainView.h"
#include "support/FakePrompts.h"
#include "support/MemorySettings.h"
#include "support/NoButtons.h"
#include "support/StoreFixture.h"
#include "support/SuiteKeyboard.h"
#include "ui/AppSettings.h"
#include "ui/TextTable.h"

using namespace profiles;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr int kMacroUnits = 4; // 512 bytes of macro space

// A keyboard picture without buttons and settings that keep nothing.
} // namespace

class KeyboardSync : public StoreTest {
protected:
    static void SetUpTestSuite() {
        device::ExchangeTimes().answerTimeout = std::chrono::milliseconds(200);
        device::ExchangeTimes().takeOverPause = std::chrono::milliseconds(200);
        ::setenv("OLVASK_BACKEND", "sim", 1);
        ::setenv("OLVASK_VKBD_SOCKET", Keyboard().Socket().c_str(), 1);
        ASSERT_TRUE(Keyboard().Start(kMacroUnits));
        static device::IgnoredTransportEvents events;
        int32_t count = 0;
        ASSERT_EQ(device::OpenDeviceLink(BRISVANE_BUILD_ROOT, events, &count), device::kBindOk);
        Keyboard().Stop();
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(SuiteFolder()); }

    void SetUp() override {
        StoreTest::SetUp();
        // A fresh keyboard with its factory content for every test.
        ASSERT_TRUE(WaitForCount(0));
        ASSERT_TRUE(Keyboard().Start(kMacroUnits));
        ASSERT_TRUE(WaitForCount(1));
        const ConnectionReads reads = ReadKeyboardOnConnection();
        ASSERT_EQ(reads.defaultLayout, 1);
        ASSERT_EQ(reads.config, 1);
        ASSERT_EQ(macros::MacroSpace(), 512u);
        layout_ = Keyboard().Dump("default-layout");
        ASSERT_EQ(layout_.size(), 512u);
        ASSERT_TRUE(std::equal(layout_.begin(), layout_.end(), Store().defaultLayout.begin()));
    }
    void TearDown() override {
        Keyboard().Stop();
        StoreTest::TearDown();
    }

    // The position of the key map slot that names key code c in the default layout.
    size_t SlotOf(uint16_t keyCode) const {
        for (size_t s = 0; s < 126; ++s) {
            if (keys::KeyCodeOfSlot(layout_[3 * s], layout_[3 * s + 1], layout_[3 * s + 2]) ==
                keyCode)
                return s;
        }
        ADD_FAILURE() << "no slot for key " << keyCode;
        return 0;
    }
    Bytes WithSlots(std::initializer_list<std::pair<uint16_t, Bytes>> changes) const {
        Bytes map = layout_;
        for (const auto& [keyCode, slot] : changes)
            std::copy(slot.begin(), slot.end(), map.begin() + 3 * SlotOf(keyCode));
        return map;
    }
    void AddMacro(std::u16string_view name, uint8_t cycles,
                  std::initializer_list<macros::MacroAction> actions) {
        editorList_.push_back(macros::CreateMacroRecord(name, editorList_));
        macros::MacroRecord& m = *editorList_.back();
        m.cycles = cycles;
        for (const auto& a : actions)
            m.actions[m.actionCount++] = a;
        FakeMainView quiet;
        macros::CommitMacroList(editorList_, quiet);
    }
    void MakeSnapshotFile() {
        ASSERT_EQ(EnsureUserDataFolder(), 1);
        ASSERT_EQ(CreateDefaultProfile(SnapshotPath(0), 0, false), 1);
    }

    Bytes layout_;
    macros::MacroList editorList_;
    FakePrompts prompts;
    FakeMainView view;
    ProfileSession session{prompts, view};
};

constexpr uint16_t kA = 0x1E, kB = 0x30, kC = 0x2E, kShift = 0x2A, kEsc = 0x01;

TEST_F(KeyboardSync, ApplyWritesTheCurrentKeyMapAndTheMacroArea) {
    SetCurrentProfile(1);
    ASSERT_EQ(CachedCurrentProfile(), 1);
    ASSERT_EQ(Keyboard().Dump("config")[10], 1);
    MakeSnapshotFile();
    AddMacro(u"Macro1", 3, {{120, kShift, 0}, {0, kShift, 1}});
    AddMacro(u"Second", 1, {});
    Entry(1, kA) = {.kind = 4, .code = 3, .value = 2}; // the second macro
    Entry(1, kB) = {.kind = 2, .value = kC};
    Entry(1, kEsc) = {.kind = 1};
    Entry(1, kShift) = {.kind = 7, .value = 1}; // play/pause
    Entry(0, kA) = {.kind = 1};                 // another profile: not sent by Apply
    view.applyPending = true;

    session.ApplyChanges();

    EXPECT_FALSE(view.applyPending);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(
        Keyboard().Dump("keymap1"),
        WithSlots(
            {{kA, {5, 1, 1}}, {kB, {2, 2, 0x06}}, {kEsc, {0, 0, 0}}, {kShift, {3, 0xCD, 0x00}}}));
    EXPECT_EQ(Keyboard().Dump("keymap0"), layout_);
    EXPECT_EQ(Keyboard().Dump("keymap2"), layout_);

    const Bytes area = Keyboard().Dump("macros");
    ASSERT_EQ(area.size(), 512u);
    const Bytes expected = {0xAA, 0x55, 60,   0,    2,    0,    1,    0,
                            0,    0,    0,    0,    0,    0,    0,    0, // header
                            20,   0,    44,   0,                         // offsets
                            2,    0,    3,    6,    0x0C, 0xA0, 0x01, 0x02,
                            0x00, 0x20, 0x01, 0x02, 'M',  0,    'a',  0,
                            'c',  0,    'r',  0,    'o',  0,    '1',  0, // Macro1
                            0,    0,    1,    6,    'S',  0,    'e',  0,
                            'c',  0,    'o',  0,    'n',  0,    'd',  0};
    EXPECT_EQ(Bytes(area.begin(), area.begin() + expected.size()), expected);
    EXPECT_TRUE(
        std::all_of(area.begin() + expected.size(), area.end(), [](uint8_t b) { return b == 0; }));

    // The snapshot file was rewritten with the applied store.
    ResetStoreToDefault();
    ASSERT_EQ(LoadProfileFile(SnapshotPath(1)), 1);
    EXPECT_EQ(Entry(1, kB).value, kC);
}

TEST_F(KeyboardSync, RestoringDefaultsClearsTheShownKeysAndDownloadsOnlyAfterYes) {
    SetCurrentProfile(1);
    MakeSnapshotFile();
    ASSERT_FALSE(device::LayerB());
    const uint16_t notOnPicture = keys::KeyIndexOf(0x122); // a media key
    Entry(1, kA) = {.kind = 2, .value = kC};
    Entry(1, 256) = {.kind = 8, .code = 0x0301, .value = 2}; // G1, layer A
    Entry(1, 265) = {.kind = 8, .code = 0x1301, .value = 3}; // G1, layer B
    view.applyPending = true;
    session.ApplyChanges();
    const Bytes remapped = WithSlots({{kA, {2, 2, 0x06}}, {0x200, {5, 5, 2}}});
    ASSERT_EQ(Keyboard().Dump("keymap1"), remapped);
    Entry(1, notOnPicture) = {.kind = 1};
    Entry(2, kA) = {.kind = 1}; // another profile

    StoreKeyData data(view);
    NoButtons buttons;
    NoSettings settings;
    keys::KeyboardView keyView(buttons, data, settings);
    for (bool yes : {false, true}) {
        prompts.answers = {yes};
        keyView.RestoreDefaultKeys(prompts, [this] { session.ApplyChanges(); });
        EXPECT_EQ(Keyboard().Dump("keymap1"), yes ? layout_ : remapped) << "yes " << yes;
        EXPECT_EQ(Entry(1, kA), (yes ? keys::KeyEntry{} : keys::KeyEntry{.kind = 2, .value = kC}));
        EXPECT_FALSE(view.applyPending);
    }
    EXPECT_EQ(Entry(1, 256), keys::KeyEntry{});
    EXPECT_EQ(Entry(1, 265), (keys::KeyEntry{.kind = 8, .code = 0x1301, .value = 3}));
    EXPECT_EQ(Entry(1, notOnPicture).kind, 1);
    EXPECT_EQ(Entry(2, kA).kind, 1);
    EXPECT_EQ(Keyboard().Dump("keymap2"), layout_);
}

TEST_F(KeyboardSync, SnapshotOfTheKeyboardDecodesBackToTheDownloadedStore) {
    AddMacro(u"Copy", 2, {{50, 0x1D, 0}, {30, kC, 0}, {0, kC, 1}, {10, 0x1D, 1}});
    AddMacro(u"Volume up", 255, {{40000, 0x130, 0}, {990, 0x130, 1}});
    AddMacro(u"\u4e2d\u6587", 1, {{10, 0x15E, 0}});
    for (size_t b = 0; b < 3; ++b) {
        Entry(b, kA) = {.kind = 4, .value = static_cast<uint32_t>(b + 1)};
        Entry(b, kB) = {.kind = static_cast<uint16_t>(b == 0 ? 5 : 8), .value = b == 0 ? 0u : 9u};
        Entry(b, kC) = {.kind = 2, .value = static_cast<uint32_t>(b == 2 ? 0x15C : 0x1C)};
        Entry(b, kEsc) = {.kind = 7, .value = static_cast<uint32_t>(17 - b)};
        Entry(b, kShift) = {.kind = 1};
        Entry(b, 256 + b) = {.kind = 2, .code = static_cast<uint16_t>(0x0301 + b), .value = kA};
    }
    ASSERT_EQ(PrepareDownloadCopy(true, prompts), 1);
    EXPECT_TRUE(prompts.messages.empty());

    ASSERT_EQ(SnapshotKeyboardToFile(File("snap.bvx")), 1);
    ASSERT_EQ(ValidateProfileFile(File("snap.bvx"), prompts), 1);

    // Keep what was downloaded, then load the snapshot over it.
    auto sent = std::make_unique<ProfileImage>();
    std::memcpy(static_cast<void*>(sent.get()), Store().image.get(), sizeof(ProfileImage));
    std::vector<macros::MacroRecord> sentMacros(Store().macros.get(),
                                                Store().macros.get() + Store().macroCount);
    ResetStoreToDefault();
    ASSERT_EQ(LoadProfileFile(File("snap.bvx")), 1);

    for (size_t b = 0; b < 4; ++b)
        for (size_t i = 0; i < kBlockEntries; ++i)
            EXPECT_EQ(Entry(b, i), sent->blocks[b][i]) << "block " << b << " entry " << i;
    ASSERT_EQ(Store().macroCount, sentMacros.size());
    for (size_t i = 0; i < sentMacros.size(); ++i)
        EXPECT_EQ(std::memcmp(&Store().macros[i], &sentMacros[i], sizeof(macros::MacroRecord)), 0)
            << "macro " << i;

    // The snapshot, downloaded again, is byte for byte what the keyboard holds.
    for (uint32_t page = 0; page < 3; ++page) {
        auto map = macros::BuildKeyMap(Store().image->blocks[page], Store().defaultLayout,
                                       Store().Macros());
        EXPECT_EQ(Bytes(map.begin(), map.end()), Keyboard().Dump("keymap" + std::to_string(page)));
    }
    const auto sizes = macros::MeasureMacroArea(Store().Macros());
    Bytes area(sizes.withNames);
    ASSERT_EQ(macros::PackMacros(area, static_cast<uint16_t>(area.size()), true, Store().Macros()),
              1);
    const Bytes memory = Keyboard().Dump("macros");
    EXPECT_EQ(Bytes(memory.begin(), memory.begin() + area.size()), area);
}

TEST_F(KeyboardSync, NamesAreDroppedWhenOnlyTheActionsFit) {
    AddMacro(u"Macro1", 3, {{120, kShift, 0}, {0, kShift, 1}});
    macros::SetMacroSpace(30);
    ASSERT_EQ(PrepareDownloadCopy(true, prompts), 1);
    EXPECT_EQ(prompts.messages, std::vector<std::u16string>{std::u16string(
                                    ui::TextOf(ui::TextKey::EXTRA_PROFILE_SPACE_TIGHT))});
    const Bytes area = Keyboard().Dump("macros");
    EXPECT_EQ(Bytes(area.begin(), area.begin() + 30),
              (Bytes{0xAA, 0x55, 30, 0, 1, 0, 0, 0,    0,    0,    0,    0,    0,    0,    0,
                     0,    18,   0,  2, 0, 3, 0, 0x0C, 0xA0, 0x01, 0x02, 0x00, 0x20, 0x01, 0x02}));
    // Read back, the macro gets its name from its position.
    ASSERT_EQ(SnapshotKeyboardToFile(File("snap.bvx")), 1);
    ASSERT_EQ(LoadProfileFile(File("snap.bvx")), 1);
    ASSERT_EQ(Store().macroCount, 1);
    EXPECT_EQ(macros::NameOf(Store().macros[0]), u"Macro1");
    EXPECT_EQ(Store().macros[0].cycles, 3);
}

TEST_F(KeyboardSync, AnAreaBeyondTheMacroSpaceSendsNothing) {
    AddMacro(u"Macro1", 3, {{120, kShift, 0}, {0, kShift, 1}});
    Entry(0, kA) = {.kind = 1};
    macros::SetMacroSpace(29);
    EXPECT_EQ(PrepareDownloadCopy(true, prompts), 0);
    EXPECT_EQ(prompts.messages, std::vector<std::u16string>{
                                    std::u16string(ui::TextOf(ui::TextKey::EXTRA_MACRO_TOO_LONG))});
    EXPECT_EQ(Keyboard().Dump("keymap0"), layout_);
    EXPECT_EQ(Keyboard().Dump("macros"), Bytes(512, 0));
}

TEST_F(KeyboardSync, AnEmptyListSendsTheBareHeader) {
    macros::SetMacroSpace(16);
    ASSERT_EQ(PrepareDownloadCopy(true, prompts), 1);
    const Bytes area = Keyboard().Dump("macros");
    EXPECT_EQ(Bytes(area.begin(), area.begin() + 16),
              (Bytes{0xAA, 0x55, 16, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(KeyboardSync, ApplyWithTheProfileUnknownSendsNothingAndStaysPending) {
    MakeSnapshotFile();
    Entry(0, kA) = {.kind = 1};
    view.applyPending = true;
    // The configuration block cannot be read: the current profile stays unknown.
    ASSERT_EQ(Keyboard().Control("fault refuse 3").first, 0);
    session.ApplyChanges();
    EXPECT_EQ(CachedCurrentProfile(), kUnknownProfile);
    EXPECT_TRUE(view.applyPending);
    EXPECT_EQ(Keyboard().Dump("keymap0"), layout_);
    EXPECT_EQ(Keyboard().Dump("macros"), Bytes(512, 0));
}

TEST_F(KeyboardSync, ImportDownloadsAllThreeProfiles) {
    for (size_t b = 0; b < 3; ++b)
        Entry(b, kA) = {.kind = 2, .value = static_cast<uint32_t>(kB + b)};
    ASSERT_EQ(SaveProfileFile(true, File("three.bvx")), 1);
    ResetStoreToDefault();
    MakeSnapshotFile();
    view.applyPending = true;
    prompts.chosenFile = File("three.bvx");

    session.ImportProfile();

    EXPECT_FALSE(view.applyPending);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(Keyboard().Dump("keymap0"), WithSlots({{kA, {2, 2, 0x05}}}));
    EXPECT_EQ(Keyboard().Dump("keymap1"), WithSlots({{kA, {2, 2, 0x11}}})); // 0x31: N
    EXPECT_EQ(Keyboard().Dump("keymap2"), WithSlots({{kA, {2, 2, 0x10}}})); // 0x32: M
    ResetStoreToDefault();
    ASSERT_EQ(LoadProfileFile(SnapshotPath(0)), 1);
    EXPECT_EQ(Entry(2, kA).value, kB + 2u);
}

TEST_F(KeyboardSync, ReloadRebuildsTheStoreFromTheKeyboard) {
    Bytes map = WithSlots({{kA, {5, 2, 0}}, {kB, {5, 5, 3}}});
    ASSERT_EQ(device::BeginTransfer(), 1);
    ASSERT_EQ(device::WriteKeyMap(std::span<const uint8_t, 512>(map.data(), 512), 2), 1);
    ASSERT_EQ(device::EndTransfer(), 1);
    Entry(0, kC) = {.kind = 1};
    view.applyPending = true;

    EXPECT_EQ(session.ReloadProfileFromKeyboard(false), 1);

    EXPECT_FALSE(view.applyPending);
    EXPECT_TRUE(view.heldLockOnRefresh);
    EXPECT_EQ(CachedCurrentProfile(), 0);
    EXPECT_EQ(Entry(0, kC).kind, 0);
    EXPECT_EQ(Entry(2, kA).kind, 5);
    EXPECT_EQ(Entry(2, kB).kind, 8);
    EXPECT_EQ(Entry(2, kB).value, 3u);
    EXPECT_TRUE(std::filesystem::exists(SnapshotPath(0)));
}

TEST_F(KeyboardSync, ADamagedMacroAreaFailsTheSnapshotCleanly) {
    // Magic and one macro, whose block would lie beyond the area.
    Bytes area = {0xAA, 0x55, 24, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 200, 0, 0, 0, 1, 0, 0, 0};
    ASSERT_EQ(device::BeginTransfer(), 1);
    ASSERT_EQ(device::WriteMacroArea(area, static_cast<uint32_t>(area.size())), 1);
    ASSERT_EQ(device::EndTransfer(), 1);
    ASSERT_EQ(EnsureUserDataFolder(), 1);
    ASSERT_EQ(CreateDefaultProfile(SnapshotPath(0), 0, false), 1);
    const Bytes before = ReadBytes(SnapshotPath(0));

    EXPECT_EQ(SnapshotKeyboardToFile(SnapshotPath(0)), 0);
    EXPECT_EQ(ReadBytes(SnapshotPath(0)), before);

    Entry(0, kA) = {.kind = 1};
    EXPECT_EQ(session.ReloadProfileFromKeyboard(false), 1);
    ASSERT_NE(Store().image, nullptr);
    EXPECT_EQ(Entry(0, kA).kind, 0);
    EXPECT_EQ(Store().macroCount, 0);
}

TEST_F(KeyboardSync, AMacroAreaHeaderClaimingTooMuchIsRefusedBeforeAnyAllocation) {
    struct Case {
        const char* what;
        uint16_t total, count;
    };
    // The keyboard's macro space is 512 bytes; a file holds at most 100 macros.
    const Case cases[] = {{"65535 macros in a 16-byte area", 16, 65535},
                          {"101 macros", 512, 101},
                          {"an area larger than the macro space", 0xFFFF, 1},
                          {"an area too small for its offsets", 17, 1}};
    ASSERT_EQ(GetCurrentProfile(), 0);
    // A regression must not take a gigabyte from the test machine.
    allocation::Ceiling ceiling(8 << 20);
    for (const Case& c : cases) {
        Bytes header(16, 0);
        header[0] = 0xAA, header[1] = 0x55;
        header[2] = static_cast<uint8_t>(c.total), header[3] = static_cast<uint8_t>(c.total >> 8);
        header[4] = static_cast<uint8_t>(c.count), header[5] = static_cast<uint8_t>(c.count >> 8);
        ASSERT_EQ(device::BeginTransfer(), 1);
        ASSERT_EQ(device::WriteMacroArea(header, 16), 1) << c.what;
        ASSERT_EQ(device::EndTransfer(), 1);
        allocation::StartMeasuring();
        SnapshotFault fault{};
        EXPECT_EQ(SnapshotKeyboardToFile(File("snap.bvx"), &fault), 0) << c.what;
        EXPECT_EQ(fault, SnapshotFault::MacroArea) << c.what;
        // Nothing larger than the 16 bytes read and the exchange's reports.
        EXPECT_LT(allocation::LargestRequestSinceStart(), 4096u) << c.what;
        EXPECT_LT(allocation::PeakSinceStart(), 64u * 1024) << c.what;
        EXPECT_FALSE(std::filesystem::exists(File("snap.bvx"))) << c.what;
    }
}

TEST_F(KeyboardSync, AKeyboardThatStopsAnsweringWritesNoSnapshot) {
    ASSERT_EQ(GetCurrentProfile(), 0);
    ASSERT_EQ(Keyboard().Control("fault drop 20").first, 0);
    EXPECT_EQ(SnapshotKeyboardToFile(File("snap.bvx")), 0);
    EXPECT_FALSE(std::filesystem::exists(File("snap.bvx")));
}

TEST_F(KeyboardSync, SwitchingWithoutEditsSetsTheKeyboardsProfile) {
    view.managerApply = false;
    EXPECT_EQ(session.SwitchProfile(2), 1);
    EXPECT_EQ(Keyboard().Dump("config")[10], 2);
    EXPECT_EQ(CachedCurrentProfile(), 2);
    EXPECT_EQ(view.managerSwitched, std::vector<int>{2});
    EXPECT_EQ(view.menuRebuilds, 1);
    EXPECT_TRUE(prompts.questions.empty());
    EXPECT_EQ(session.SwitchProfile(5), 1); // 3 or more is profile 0
    EXPECT_EQ(Keyboard().Dump("config")[10], 0);
    EXPECT_EQ(session.SwitchProfile(-1), 1); // "<Default Profile>" changes nothing
    EXPECT_EQ(Keyboard().Dump("config")[10], 0);
    EXPECT_EQ(CachedCurrentProfile(), 0);
}

TEST_F(KeyboardSync, AnsweringNoRevertsEveryBlockToTheSnapshot) {
    ASSERT_EQ(session.ReloadProfileFromKeyboard(false), 1);
    Entry(0, kA) = {.kind = 1};
    Entry(2, kB) = {.kind = 1};
    view.applyPending = true;
    prompts.answers = {false};

    EXPECT_EQ(session.SwitchProfile(1), 1);

    EXPECT_EQ(prompts.questions, std::vector<std::u16string>{std::u16string(
                                     ui::TextOf(ui::TextKey::PROFILE_SELECT_PROMPT))});
    EXPECT_FALSE(view.applyPending);
    EXPECT_EQ(Entry(0, kA).kind, 0);
    EXPECT_EQ(Entry(2, kB).kind, 0);
    EXPECT_EQ(Keyboard().Dump("config")[10], 1);
    EXPECT_EQ(Keyboard().Dump("keymap0"), layout_);
}

TEST_F(KeyboardSync, AnsweringYesAppliesToTheProfileStillCurrent) {
    ASSERT_EQ(session.ReloadProfileFromKeyboard(false), 1);
    Entry(0, kA) = {.kind = 1};
    view.applyPending = true;
    prompts.answers = {true};

    EXPECT_EQ(session.SwitchProfile(1), 1);

    EXPECT_FALSE(view.applyPending);
    EXPECT_EQ(Keyboard().Dump("keymap0"), WithSlots({{kA, {0, 0, 0}}}));
    EXPECT_EQ(Keyboard().Dump("keymap1"), layout_);
    EXPECT_EQ(Keyboard().Dump("config")[10], 1);
    EXPECT_EQ(Entry(0, kA).kind, 1);
}

TEST_F(KeyboardSync, RevertWithTheSnapshotMissingLeavesADefaultProfile) {
    ASSERT_EQ(GetCurrentProfile(), 0);
    Entry(1, kA) = {.kind = 1};
    view.applyPending = true;
    prompts.answers = {false};
    EXPECT_EQ(session.SwitchProfile(2), 1);
    ASSERT_NE(Store().image, nullptr);
    EXPECT_EQ(Entry(1, kA).kind, 0);
    EXPECT_EQ(Entry(1, 256).code, 0x0301);
    EXPECT_EQ(Keyboard().Dump("config")[10], 2);
}

TEST_F(KeyboardSync, AMacroAreaTheKeyboardRefusesKeepsTheChangesPending) {
    // The keyboard takes 512 bytes; an area of 550 is refused from its tenth chunk on.
    macros::SetMacroSpace(1024);
    SetCurrentProfile(1);
    MakeSnapshotFile();
    AddMacro(u"Long", 1, {});
    macros::MacroRecord& m = *editorList_.back();
    std::fill_n(m.actions, 130, macros::MacroAction{10, kA, 0});
    m.actionCount = 130;
    FakeMainView quiet;
    macros::CommitMacroList(editorList_, quiet);
    Entry(1, kB) = {.kind = 2, .value = kC};
    view.applyPending = true;

    session.ApplyChanges();

    EXPECT_TRUE(view.applyPending);
    EXPECT_EQ(Keyboard().Dump("keymap1"), WithSlots({{kB, {2, 2, 0x06}}})); // the rest went on
    // The refusal was the keyboard's judgement of a write beyond its macro space.
    EXPECT_NE(Keyboard().TakeViolations().find("outside-memory"), std::string::npos);
}

TEST_F(KeyboardSync, WithoutTheDefaultLayoutNoKeyMapIsSent) {
    // As at start-up when the keyboard's default layout could not be read.
    Store().defaultLayout.fill(0);
    SetCurrentProfile(1);
    MakeSnapshotFile();
    Entry(1, kB) = {.kind = 2, .value = kC};
    view.applyPending = true;
    session.ApplyChanges();
    EXPECT_TRUE(view.applyPending);
    EXPECT_EQ(Keyboard().Dump("keymap1"), layout_);
    EXPECT_EQ(PrepareDownloadCopy(true, prompts), 0);
    for (const char* map : {"keymap0", "keymap1", "keymap2"})
        EXPECT_EQ(Keyboard().Dump(map), layout_) << map;
    EXPECT_EQ(Keyboard().Dump("macros"), Bytes(512, 0));
}

TEST_F(KeyboardSync, AProfileNumberBeyondTheThreeIsUnknown) {
    // The keyboard's configuration block names profile 0xFF, as erased memory does.
    Keyboard().Stop();
    ASSERT_TRUE(WaitForCount(0));
    std::ifstream in(Keyboard().StateFile());
    std::string state, line;
    while (std::getline(in, line)) {
        if (line.starts_with("config "))
            line.replace(7 + 2 * 10, 2, "ff");
        state += line + "\n";
    }
    in.close();
    std::ofstream(Keyboard().StateFile(), std::ios::trunc) << state;
    ASSERT_TRUE(Keyboard().Start(kMacroUnits, 0, false));
    ASSERT_TRUE(WaitForCount(1));
    ASSERT_EQ(Keyboard().Dump("config")[10], 0xFF);

    EXPECT_EQ(GetCurrentProfile(), kUnknownProfile);
    EXPECT_EQ(CachedCurrentProfile(), kUnknownProfile);
    EXPECT_EQ(session.ReloadProfileFromKeyboard(false), 1);
    EXPECT_EQ(CachedCurrentProfile(), kUnknownProfile);
    EXPECT_FALSE(std::filesystem::exists(SnapshotPath(0)));

    // Switching puts a real profile there again.
    EXPECT_EQ(session.SwitchProfile(2), 1);
    EXPECT_EQ(Keyboard().Dump("config")[10], 2);
    EXPECT_EQ(CachedCurrentProfile(), 2);
}

TEST_F(KeyboardSync, TheManagerChecksTheActiveProfileAndApplySwitchesToTheCheckedOne) {
    SetCurrentProfile(0);
    NoSettings settings;
    ProfileManager manager{{prompts, view, session, settings}};
    manager.Open({u"Profile 1", u"Profile 2", u"Profile 3"});
    EXPECT_EQ(manager.CheckedRow(), 0);
    // Once a row is deleted, row numbers and profile numbers part: the row's profile counts.
    manager.Delete(0);
    ASSERT_TRUE(manager.ChecksChanged({false, true})); // "Profile 3"
    Entry(2, kA) = {.kind = 2, .value = kC};           // in the store only, not pending
    manager.Apply();
    EXPECT_EQ(Keyboard().Dump("config")[10], 2);
    EXPECT_EQ(CachedCurrentProfile(), 2);
    EXPECT_EQ(Entry(2, kA).kind, 0); // rebuilt from the keyboard
    EXPECT_TRUE(std::filesystem::exists(SnapshotPath(2)));
    EXPECT_EQ(view.menuRebuilds, 1);
    EXPECT_FALSE(manager.ApplyEnabled());
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(KeyboardSync, AStoreRebuiltFromTheKeyboardIsSavedAsAFileThatHoldsIt) {
    SetCurrentProfile(0);
    ASSERT_EQ(session.ReloadProfileFromKeyboard(false), 1);
    ASSERT_EQ(SaveProfileFile(true, File("backup.bvx")), 1);
    EXPECT_EQ(ValidateProfileFile(File("backup.bvx"), prompts), 1);
    EXPECT_TRUE(FileHoldsStore(File("backup.bvx")));
}
