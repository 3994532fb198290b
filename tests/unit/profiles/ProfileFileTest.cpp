#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "macros/MacroArea.h"
#include "macros/MacroList.h"
#include "macros/MacroRecord.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileStore.h"
#include "support/AllocationMeter.h"
#include "support/FakePrompts.h"
#include "support/StoreFixture.h"

using namespace profiles;

namespace {

// A profile file's bytes, built by hand so that every field can be damaged.
struct FileBytes {
    std::vector<uint8_t> bytes;

    ProfileFileHeader& Header() { return *reinterpret_cast<ProfileFileHeader*>(bytes.data()); }
    keys::KeyEntry& EntryAt(size_t globalEntry) {
        return reinterpret_cast<keys::KeyEntry*>(bytes.data() + 0x40)[globalEntry];
    }
    macros::MacroRecord& Macro(size_t i) {
        return *reinterpret_cast<macros::MacroRecord*>(bytes.data() + kImageSize +
                                                       i * sizeof(macros::MacroRecord));
    }
    void Reseal() { Header().checksum = HeaderChecksum(Header()); }
    // A byte of the text block, which follows the macros.
    uint8_t& TextByte(size_t offset) {
        return bytes[TotalFileSize(Header().macroCount, 0) + offset];
    }
};

// A valid file: default image, macroCount records and textBytes of text block.
FileBytes MakeFile(uint16_t macroCount, uint32_t textBytes, uint8_t flag = 0) {
    auto image = std::make_unique<ProfileImage>();
    BuildDefaultImage(*image, flag);
    BuildFileHeader(*image, macroCount, textBytes, flag);
    FileBytes f;
    f.bytes.assign(reinterpret_cast<const uint8_t*>(image.get()),
                   reinterpret_cast<const uint8_t*>(image.get()) + sizeof(ProfileImage));
    f.bytes.resize(TotalFileSize(macroCount, textBytes), 0);
    for (uint16_t i = 0; i < macroCount; ++i) {
        f.Macro(i).cycles = 1;
        f.Macro(i).id = static_cast<uint16_t>(i + 1);
    }
    return f;
}

} // namespace

class ProfileFileTest : public StoreTest {
protected:
    int Validate(const FileBytes& f, HeaderFault* fault = nullptr) {
        WriteBytes(File("p.bvx"), f.bytes);
        return ValidateProfileFile(File("p.bvx"), prompts, fault);
    }
    FakePrompts prompts;
};

struct HeaderCase {
    const char* what;
    std::function<void(FileBytes&)> damage;
    HeaderFault fault;
};

class HeaderCheckTest : public ProfileFileTest, public ::testing::WithParamInterface<HeaderCase> {};

TEST_P(HeaderCheckTest, FailingCheckShowsTheFormatMessageWithThePath) {
    FileBytes f = MakeFile(1, 0);
    GetParam().damage(f);
    HeaderFault fault{};
    EXPECT_EQ(Validate(f, &fault), 0) << GetParam().what;
    EXPECT_EQ(fault, GetParam().fault) << GetParam().what;
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0],
              u"wrong file format, revert to the default values: \n  " + File("p.bvx").u16string());
    EXPECT_EQ(prompts.kinds[0], ui::MessageKind::Plain);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, HeaderCheckTest,
    ::testing::Values(
        HeaderCase{"magic", [](FileBytes& f) { f.Header().magic = 0x4447, f.Reseal(); },
                   HeaderFault::Magic},
        HeaderCase{"header size", [](FileBytes& f) { f.Header().headerSize = 33, f.Reseal(); },
                   HeaderFault::HeaderSize},
        HeaderCase{"word 4", [](FileBytes& f) { f.Header().fixed4 = 2, f.Reseal(); },
                   HeaderFault::Fixed4},
        HeaderCase{"word 6", [](FileBytes& f) { f.Header().fixed6 = 0, f.Reseal(); },
                   HeaderFault::Fixed6},
        HeaderCase{"total below the image",
                   [](FileBytes& f) { f.Header().totalSize = 32831, f.Reseal(); },
                   HeaderFault::TotalTooSmall},
        HeaderCase{"key entry count",
                   [](FileBytes& f) { f.Header().keyEntryCount = 2047, f.Reseal(); },
                   HeaderFault::KeyEntryCount},
        HeaderCase{"101 macros",
                   [](FileBytes& f) {
                       f.Header().macroCount = 101;
                       f.Header().totalSize = static_cast<uint32_t>(TotalFileSize(101, 0));
                       f.Reseal();
                   },
                   HeaderFault::MacroCount},
        HeaderCase{"flag 2", [](FileBytes& f) { f.Header().flag = 2, f.Reseal(); },
                   HeaderFault::Flag},
        HeaderCase{"total disagrees, all else right",
                   [](FileBytes& f) { f.Header().totalSize += 2, f.Reseal(); },
                   HeaderFault::TotalMismatch},
        HeaderCase{"checksum", [](FileBytes& f) { f.Header().checksum ^= 1; },
                   HeaderFault::Checksum}));

TEST_F(ProfileFileTest, LimitsOfTheHeaderChecksAreAccepted) {
    EXPECT_EQ(Validate(MakeFile(100, 0)), 1);
    EXPECT_EQ(Validate(MakeFile(0, 0, 1)), 1);
    EXPECT_EQ(Validate(MakeFile(0, 6)), 1);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(ProfileFileTest, MissingShortOrUnopenableFilesFailWithoutAMessage) {
    EXPECT_EQ(ValidateProfileFile(File("none.bvx"), prompts), 0);
    FileBytes f = MakeFile(0, 0);
    f.bytes.resize(32831);
    EXPECT_EQ(Validate(f), 0);
    std::filesystem::create_directory(File("folder.bvx"));
    EXPECT_EQ(ValidateProfileFile(File("folder.bvx"), prompts), kValidateCannotOpen);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(ProfileFileTest, APipeIsRefusedWithoutWaitingForAWriter) {
    ASSERT_EQ(::mkfifo(File("pipe.bvx").c_str(), 0600), 0);
    auto validate = std::async(std::launch::async,
                               [&] { return ValidateProfileFile(File("pipe.bvx"), prompts); });
    auto load = std::async(std::launch::async, [&] { return LoadProfileFile(File("pipe.bvx")); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    const bool validated = validate.wait_until(deadline) == std::future_status::ready;
    const bool loaded = load.wait_until(deadline) == std::future_status::ready;
    // Whatever still waits is let go by a writer that comes and leaves.
    if (!validated || !loaded)
        ::close(::open(File("pipe.bvx").c_str(), O_WRONLY | O_NONBLOCK));
    EXPECT_TRUE(validated);
    EXPECT_TRUE(loaded);
    EXPECT_EQ(validate.get(), kValidateCannotOpen);
    EXPECT_EQ(load.get(), 0);
    EXPECT_NE(Store().image, nullptr);
}

TEST_F(ProfileFileTest, OnlyTheMinimumLengthIsComparedWithTheFile) {
    // A header that promises a macro the file does not hold still validates...
    FileBytes f = MakeFile(1, 0);
    f.bytes.resize(kImageSize);
    EXPECT_EQ(Validate(f), 1);
    // ...but it does not load, and the store keeps what it had.
    Entry(1, 0x1E) = {.kind = 2, .value = 0x30};
    LoadFault fault{};
    EXPECT_EQ(LoadProfileFile(File("p.bvx"), &fault), 0);
    EXPECT_EQ(fault, LoadFault::Short);
    EXPECT_EQ(Entry(1, 0x1E).value, 0x30u);
}

struct LoadCase {
    const char* what;
    std::function<FileBytes()> make;
    LoadFault fault;
};

class UnsafeFileTest : public ProfileFileTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(UnsafeFileTest, IsRefusedAndTheStoreStaysUsable) {
    WriteBytes(File("bad.bvx"), GetParam().make().bytes);

    // With content in the store: the content stays.
    Entry(0, 0x10) = {.kind = 8, .value = 3};
    ASSERT_EQ(SetEntryText(512 + 7, u"kept"), 1);
    Entry(1, 7).kind = 6;
    LoadFault fault{};
    EXPECT_EQ(LoadProfileFile(File("bad.bvx"), &fault), 0);
    EXPECT_EQ(fault, GetParam().fault) << GetParam().what;
    ASSERT_NE(Store().image, nullptr);
    EXPECT_EQ(Entry(0, 0x10).kind, 8);
    EXPECT_EQ(Store().texts->entries[512 + 7].View(), u"kept");

    // Released first, as a replacement does: a default profile instead of none.
    EXPECT_EQ(ReplaceStoreFromFile(File("bad.bvx")), 0);
    ASSERT_NE(Store().image, nullptr);
    EXPECT_EQ(Entry(0, 0x10).kind, 0);
    EXPECT_EQ(Entry(0, 256).code, 0x0301);
    EXPECT_EQ(Store().macroCount, 0);
    EXPECT_EQ(Store().textBytes, 0u);
}

INSTANTIATE_TEST_SUITE_P(Files, UnsafeFileTest,
                         ::testing::Values(LoadCase{"missing macro bytes",
                                                    [] {
                                                        FileBytes f = MakeFile(2, 0);
                                                        f.bytes.resize(f.bytes.size() - 1);
                                                        return f;
                                                    },
                                                    LoadFault::Short},
                                           LoadCase{"missing text bytes",
                                                    [] {
                                                        FileBytes f = MakeFile(0, 8);
                                                        f.bytes.resize(f.bytes.size() - 2);
                                                        return f;
                                                    },
                                                    LoadFault::Short},
                                           LoadCase{"shorter than the image",
                                                    [] {
                                                        FileBytes f = MakeFile(0, 0);
                                                        f.bytes.resize(100);
                                                        return f;
                                                    },
                                                    LoadFault::Short},
                                           LoadCase{"text offset outside the block",
                                                    [] {
                                                        FileBytes f = MakeFile(0, 4);
                                                        f.EntryAt(9) = {.kind = 3, .value = 4};
                                                        return f;
                                                    },
                                                    LoadFault::TextOffset},
                                           LoadCase{"text without its terminator",
                                                    [] {
                                                        FileBytes f = MakeFile(0, 4);
                                                        f.bytes[kImageSize] = 'a';
                                                        f.bytes[kImageSize + 2] = 'b';
                                                        f.EntryAt(9) = {.kind = 6, .value = 0};
                                                        return f;
                                                    },
                                                    LoadFault::TextUnterminated},
                                           LoadCase{"a text entry with no text block",
                                                    [] {
                                                        FileBytes f = MakeFile(0, 0);
                                                        f.EntryAt(1500) = {.kind = 3, .value = 0};
                                                        return f;
                                                    },
                                                    LoadFault::TextOffset},
                                           LoadCase{"a macro with 2001 actions",
                                                    [] {
                                                        FileBytes f = MakeFile(1, 0);
                                                        f.Macro(0).actionCount = 2001;
                                                        return f;
                                                    },
                                                    LoadFault::ActionCount},
                                           LoadCase{"two entries sharing one text",
                                                    [] {
                                                        FileBytes f = MakeFile(0, 4);
                                                        f.bytes[kImageSize] = 'a';
                                                        f.EntryAt(9) = {.kind = 3, .value = 0};
                                                        f.EntryAt(700) = {.kind = 6, .value = 0};
                                                        return f;
                                                    },
                                                    LoadFault::TextsOverlap},
                                           LoadCase{"a text starting inside another",
                                                    [] {
                                                        FileBytes f = MakeFile(0, 8);
                                                        f.bytes[kImageSize] = 'a';
                                                        f.bytes[kImageSize + 2] = 'b';
                                                        f.bytes[kImageSize + 4] = 'c';
                                                        f.EntryAt(9) = {.kind = 3, .value = 0};
                                                        f.EntryAt(10) = {.kind = 3, .value = 2};
                                                        return f;
                                                    },
                                                    LoadFault::TextsOverlap},
                                           LoadCase{"101 macros",
                                                    [] {
                                                        FileBytes f = MakeFile(101, 0);
                                                        return f;
                                                    },
                                                    LoadFault::MacroCount}));

TEST_F(ProfileFileTest, LoadingTakesMemoryWithinASmallMultipleOfTheFile) {
    struct Case {
        const char* what;
        FileBytes file;
        bool loads;
    };
    // Every entry of the first two blocks points at one long text: each would get its own
    // copy, a hundred times the file.
    FileBytes shared = MakeFile(0, 16 * 1024);
    for (size_t i = 0; i < 8 * 1024 - 1; ++i)
        shared.bytes[kImageSize + 2 * i] = 'x';
    for (size_t n = 0; n < 1024; ++n)
        shared.EntryAt(n) = {.kind = 3, .value = 0};
    // The largest regular content: 100 macros and many distinct texts.
    FileBytes full = MakeFile(100, 64 * 1024);
    for (size_t n = 0; n < 1024; ++n) {
        full.EntryAt(n) = {.kind = 6, .value = static_cast<uint32_t>(n * 64)};
        for (size_t i = 0; i < 31; ++i)
            full.TextByte(n * 64 + 2 * i) = 'y';
    }
    // A header that promises more than the file holds.
    FileBytes promising = MakeFile(100, 1 << 20);
    promising.bytes.resize(kImageSize + 100);
    Case cases[] = {{"texts shared by 1024 entries", std::move(shared), false},
                    {"100 macros and 1024 texts", std::move(full), true},
                    {"a short file promising 1 MiB of text", std::move(promising), false}};
    allocation::Ceiling ceiling(64 << 20);
    for (Case& c : cases) {
        WriteBytes(File("m.bvx"), c.file.bytes);
        allocation::StartMeasuring();
        const int loaded = LoadProfileFile(File("m.bvx"));
        const size_t peak = allocation::PeakSinceStart();
        EXPECT_EQ(loaded, c.loads ? 1 : 0) << c.what;
        EXPECT_LE(peak, 2 * c.file.bytes.size() + 64 * 1024) << c.what;
    }
}

TEST_F(ProfileFileTest, ANameThatIsNotUtf8IsShownNotThrown) {
    const std::filesystem::path odd = dir_ / std::string("bad\xff\xfe name.bvx");
    FileBytes f = MakeFile(0, 0);
    f.Header().magic = 0x1234;
    WriteBytes(odd, f.bytes);
    HeaderFault fault{};
    EXPECT_EQ(ValidateProfileFile(odd, prompts, &fault), 0);
    EXPECT_EQ(fault, HeaderFault::Magic);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_NE(prompts.messages[0].find(u"bad\uFFFD\uFFFD name.bvx"), std::u16string::npos);

    // A valid file under such a name saves and loads.
    Entry(0, 0x1E) = {.kind = 2, .value = 0x30};
    ASSERT_EQ(SaveProfileFile(true, odd), 1);
    ResetStoreToDefault();
    EXPECT_EQ(ValidateProfileFile(odd, prompts), 1);
    ASSERT_EQ(LoadProfileFile(odd), 1);
    EXPECT_EQ(Entry(0, 0x1E).value, 0x30u);
}

TEST_F(ProfileFileTest, MissingFileLoadsNothing) {
    LoadFault fault{};
    EXPECT_EQ(LoadProfileFile(File("none.bvx"), &fault), 0);
    EXPECT_EQ(fault, LoadFault::Missing);
    EXPECT_NE(Store().image, nullptr);
}

TEST_F(ProfileFileTest, TwoTextsAreWrittenInEntryOrderAndReadBackIntoTheirSlots) {
    // entry 700 is entry 188 of block 1
    ASSERT_EQ(SetEntryText(700, u"calc"), 1);
    ASSERT_EQ(SetEntryText(3, u"Hi"), 1);
    Entry(1, 188) = {.kind = 3, .value = 999};
    Entry(0, 3) = {.kind = 6, .value = 999};
    ASSERT_EQ(SaveProfileFile(true, File("texts.bvx")), 1);

    const std::vector<uint8_t> file = ReadBytes(File("texts.bvx"));
    const uint32_t textBytes = 6 + 10;
    ASSERT_EQ(file.size(), kImageSize + textBytes);
    const std::vector<uint8_t> block(file.begin() + kImageSize, file.end());
    EXPECT_EQ(block,
              (std::vector<uint8_t>{'H', 0, 'i', 0, 0, 0, 'c', 0, 'a', 0, 'l', 0, 'c', 0, 0, 0}));
    ProfileFileHeader header;
    std::memcpy(&header, file.data(), sizeof header);
    EXPECT_EQ(header.textBytes, textBytes);
    EXPECT_EQ(header.totalSize, kImageSize + textBytes);
    EXPECT_EQ(CheckFileHeader(header), HeaderFault::None);
    // the entries carry their offsets
    keys::KeyEntry e3, e700;
    std::memcpy(&e3, file.data() + 0x40 + 3 * 16, 16);
    std::memcpy(&e700, file.data() + 0x40 + 700 * 16, 16);
    EXPECT_EQ(e3.value, 0u);
    EXPECT_EQ(e700.value, 6u);

    ResetStoreToDefault();
    ASSERT_EQ(LoadProfileFile(File("texts.bvx")), 1);
    EXPECT_EQ(Store().texts->entries[3].View(), u"Hi");
    EXPECT_EQ(Store().texts->entries[700].View(), u"calc");
    EXPECT_EQ(Store().texts->entries[3].length, 6u);
    EXPECT_EQ(Store().textBytes, textBytes);
    size_t filled = 0;
    for (const TextSlot& slot : Store().texts->entries)
        filled += slot.length != 0;
    EXPECT_EQ(filled, 2u);
}

TEST_F(ProfileFileTest, TextsOfEntriesThatCarryNoneAreLeftOut) {
    // A slot whose entry has another kind is not written; an entry that should carry a
    // text but has none gets an empty one, so the file loads back.
    ASSERT_EQ(SetEntryText(20, u"stray"), 1);
    Entry(0, 20).kind = 2;
    Entry(0, 21).kind = 3;
    ASSERT_EQ(SaveProfileFile(true, File("t.bvx")), 1);
    const std::vector<uint8_t> file = ReadBytes(File("t.bvx"));
    EXPECT_EQ(file.size(), kImageSize + 2u);
    ResetStoreToDefault();
    ASSERT_EQ(LoadProfileFile(File("t.bvx")), 1);
    EXPECT_EQ(Entry(0, 21).kind, 3);
    EXPECT_EQ(Store().texts->entries[20].length, 0u);
    EXPECT_EQ(Store().texts->entries[21].View(), u"");
}

TEST_F(ProfileFileTest, StoreRoundTripsThroughAFileByteForByte) {
    // Every kind of entry, marks carried unchanged, macros and texts.
    for (uint16_t kind = 0; kind <= 8; ++kind)
        Entry(kind % 3, 0x10 + kind) = {.kind = kind, .code = 5, .value = kind * 3u, .mark = 77};
    Entry(1, 0x1E) = {.kind = 4, .code = 9, .value = 2};
    ASSERT_EQ(SetEntryText(0x10 + 3, u"C:\\Program Files\\tool.exe"), 1);
    ASSERT_EQ(SetEntryText(0x10 + 6, u"text block \u4e2d\u6587"), 1);
    Store().macros.reset(new macros::MacroRecord[2]());
    Store().macroCount = 2;
    for (uint16_t i = 0; i < 2; ++i) {
        macros::MacroRecord& m = Store().macros[i];
        macros::SetName(m, i == 0 ? u"First" : u"Second");
        m.cycles = static_cast<uint8_t>(3 + i);
        m.playMode = 2;
        m.id = static_cast<uint16_t>(i + 1);
        m.actionCount = 2;
        m.actions[0] = {120, 0x1E, 0};
        m.actions[1] = {0, 0x1E, 1};
    }
    ASSERT_EQ(SaveProfileFile(true, File("a.bvx")), 1);
    const std::vector<uint8_t> first = ReadBytes(File("a.bvx"));
    EXPECT_EQ(ValidateProfileFile(File("a.bvx"), prompts), 1);

    ResetStoreToDefault();
    ASSERT_EQ(LoadProfileFile(File("a.bvx")), 1);
    EXPECT_EQ(Store().macroCount, 2);
    EXPECT_EQ(Entry(1, 0x1E).code, 9);
    EXPECT_EQ(Entry(2, 0x10 + 8).mark, 77u);
    EXPECT_EQ(macros::NameOf(Store().macros[1]), u"Second");
    EXPECT_EQ(Store().texts->entries[0x10 + 6].View(), u"text block \u4e2d\u6587");
    ASSERT_EQ(SaveProfileFile(true, File("b.bvx")), 1);
    EXPECT_EQ(ReadBytes(File("b.bvx")), first);
}

TEST_F(ProfileFileTest, ReadOnlyFilesValidateAndLoad) {
    ASSERT_EQ(SaveProfileFile(true, File("ro.bvx")), 1);
    std::filesystem::permissions(File("ro.bvx"), std::filesystem::perms::owner_read);
    EXPECT_EQ(ValidateProfileFile(File("ro.bvx"), prompts), 1);
    EXPECT_EQ(LoadProfileFile(File("ro.bvx")), 1);
}

TEST_F(ProfileFileTest, AFailedSaveLeavesTheOldFileAndNoTemporaryFile) {
    ASSERT_EQ(SaveProfileFile(true, File("keep.bvx")), 1);
    const std::vector<uint8_t> before = ReadBytes(File("keep.bvx"));
    // A folder in the way of the rename: the write fails after the data went out.
    std::filesystem::create_directory(File("busy.bvx"));
    std::filesystem::create_directory(File("busy.bvx") / "inside");
    Entry(0, 1).kind = 1;
    EXPECT_EQ(SaveProfileFile(true, File("busy.bvx")), 0);
    EXPECT_EQ(SaveProfileFile(true, File("no-such-folder") / "x.bvx"), 0);
    EXPECT_EQ(ReadBytes(File("keep.bvx")), before);
    size_t entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) {
        ++entries;
        EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
    }
    EXPECT_EQ(entries, 2u);
}

TEST_F(ProfileFileTest, SavingThroughALinkRewritesTheFileItNamesWithItsPermissions) {
    ASSERT_EQ(SaveProfileFile(true, File("real.bvx")), 1);
    std::filesystem::permissions(File("real.bvx"), std::filesystem::perms(0600));
    std::filesystem::create_symlink("real.bvx", File("link.bvx"));
    Entry(0, 0x1E) = {.kind = 2, .value = 0x30};

    ASSERT_EQ(SaveProfileFile(true, File("link.bvx")), 1);

    EXPECT_TRUE(std::filesystem::is_symlink(File("link.bvx")));
    EXPECT_EQ(std::filesystem::status(File("real.bvx")).permissions(),
              std::filesystem::perms(0600));
    ResetStoreToDefault();
    ASSERT_EQ(LoadProfileFile(File("real.bvx")), 1);
    EXPECT_EQ(Entry(0, 0x1E).value, 0x30u);
}

TEST_F(ProfileFileTest, SnapshotIsRewrittenOnlyWhenItExists) {
    ASSERT_EQ(EnsureUserDataFolder(), 1);
    EXPECT_EQ(SaveProfileSnapshot(true), 0);
    EXPECT_FALSE(std::filesystem::exists(SnapshotPath(0)));
    ASSERT_EQ(CreateDefaultProfile(SnapshotPath(2), 0, false), 1);
    Entry(0, 0x1E) = {.kind = 2, .value = 0x30};
    EXPECT_EQ(SaveProfileSnapshot(true), 1);
    ResetStoreToDefault();
    ASSERT_EQ(LoadProfileFile(SnapshotPath(1)), 1);
    EXPECT_EQ(Entry(0, 0x1E).value, 0x30u);
}

TEST_F(ProfileFileTest, UserDataFolderAndSnapshotPath) {
    EXPECT_EQ(UserDataFolder(), dir_ / "Brisvane");
    EXPECT_EQ(SnapshotPath(0), dir_ / "Brisvane" / "$Profile0");
    EXPECT_EQ(SnapshotPath(2), SnapshotPath(0));
    std::filesystem::path created;
    SetUserDataFolderCreatedHook([&](const std::filesystem::path& p) { created = p; });
    EXPECT_EQ(EnsureUserDataFolder(), 1);
    EXPECT_EQ(created, UserDataFolder());
    created.clear();
    EXPECT_EQ(EnsureUserDataFolder(), 1); // already there: no second placing
    EXPECT_TRUE(created.empty());
    SetUserDataFolderCreatedHook({});
}

TEST_F(ProfileFileTest, RandomlyDamagedFilesNeverLeaveAnUnusableStore) {
    // A file with a macro and a text, damaged at random in its header, entries, macro and
    // text block: every load either succeeds with a store that saves again, or fails and
    // leaves the store as it was.
    macros::MacroRecord* m = new macros::MacroRecord[1]();
    Store().macros.reset(m);
    Store().macroCount = 1;
    m->id = 1;
    m->cycles = 1;
    m->actionCount = 1;
    macros::SetName(*m, u"M");
    Entry(0, 7).kind = 3;
    ASSERT_EQ(SetEntryText(7, u"tool"), 1);
    ASSERT_EQ(SaveProfileFile(true, File("good.bvx")), 1);
    const std::vector<uint8_t> good = ReadBytes(File("good.bvx"));
    // Where damage matters: the header, entry 7, the macro's counts and the text block.
    const std::vector<size_t> spots = {8,
                                       9,
                                       14,
                                       15,
                                       16,
                                       17,
                                       0x40 + 7 * 16,
                                       0x40 + 7 * 16 + 4,
                                       0x40 + 7 * 16 + 5,
                                       kImageSize + 508,
                                       kImageSize + 509,
                                       kImageSize + 498,
                                       kImageSize + 499};

    uint32_t seed = 777;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (int round = 0; round < 150; ++round) {
        std::vector<uint8_t> bytes = good;
        for (int k = 1 + next() % 3; k > 0; --k) {
            const size_t at = next() % 2 ? spots[next() % spots.size()]
                                         : good.size() - 1 - next() % (good.size() - kImageSize);
            bytes[at] = static_cast<uint8_t>(next() >> 16);
        }
        if (next() % 5 == 0)
            bytes.resize(kImageSize + next() % (bytes.size() - kImageSize));
        WriteBytes(File("bad.bvx"), bytes);

        ResetStoreToDefault();
        Entry(1, 1) = {.kind = 1};
        if (LoadProfileFile(File("bad.bvx")) == 1) {
            ASSERT_LE(Store().macroCount, kMaxFileMacros);
            for (auto& r : Store().Macros())
                ASSERT_LE(r.actionCount, macros::kMaxActions);
            ASSERT_EQ(SaveProfileFile(true, File("again.bvx")), 1);
            ASSERT_EQ(LoadProfileFile(File("again.bvx")), 1);
        } else {
            ASSERT_NE(Store().image, nullptr);
            ASSERT_EQ(Entry(1, 1).kind, 1);
        }
    }
}

namespace {

size_t AddressSpaceInUse() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmSize:", 0) == 0)
            return std::stoull(line.substr(7)) * 1024;
    return 0;
}

// Runs work in a child whose address space may grow by at most extra bytes; its exit code,
// or 128 + the signal that ended it.
int RunLimited(size_t extra, const std::function<bool()>& work) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const rlimit limit{AddressSpaceInUse() + extra, AddressSpaceInUse() + extra};
        ::setrlimit(RLIMIT_AS, &limit);
        ::_exit(work() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

// The largest legal inputs need little more than their own size: the largest profile file
// (100 full macros and 1024 texts) loads, and the largest macro area a keyboard can hold
// (100 macros in 255 x 128 bytes) decodes, with the address space held close to that; with
// too little they fail cleanly instead of ending the program.
TEST_F(ProfileFileTest, LargestInputsFitAnAddressSpaceLimit) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers reserve their shadow memory up front";
#endif
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    GTEST_SKIP() << "the sanitizers reserve their shadow memory up front";
#endif
#endif
    FileBytes file = MakeFile(100, 64 * 1024);
    for (size_t i = 0; i < 100; ++i) {
        macros::MacroRecord& m = file.Macro(i);
        m.actionCount = macros::kMaxActions;
        for (uint16_t a = 0; a < macros::kMaxActions; ++a)
            m.actions[a] = {10, 0x1E, static_cast<uint16_t>(a % 2)};
    }
    for (size_t n = 0; n < 1024; ++n) {
        file.EntryAt(n) = {.kind = 6, .value = static_cast<uint32_t>(n * 64)};
        for (size_t i = 0; i < 31; ++i)
            file.TextByte(n * 64 + 2 * i) = 'y';
    }
    WriteBytes(File("largest.bvx"), file.bytes);

    // 100 macros sharing the largest macro space.
    constexpr uint32_t kSpace = 255 * 128;
    std::vector<uint8_t> area(kSpace, 0);
    const uint32_t perMacro = (kSpace - 16 - 200) / 100 / 4 - 1;
    {
        std::vector<std::unique_ptr<macros::MacroRecord>> list;
        for (int i = 0; i < 100; ++i) {
            list.push_back(macros::CreateMacroRecord(u"", list));
            list.back()->actionCount = static_cast<uint16_t>(perMacro);
        }
        std::vector<macros::MacroRecord> flat(100);
        for (int i = 0; i < 100; ++i)
            std::memcpy(&flat[i], list[i].get(), sizeof(macros::MacroRecord));
        ASSERT_EQ(macros::PackMacros(area, kSpace, false, flat), 1);
    }

    const auto work = [&] {
        if (LoadProfileFile(File("largest.bvx")) != 1)
            return false;
        const uint16_t count = macros::AreaMacroCount(area);
        std::unique_ptr<macros::MacroRecord[]> records(new (std::nothrow)
                                                           macros::MacroRecord[count]);
        return records && macros::UnpackMacros({records.get(), count}, area) == 1;
    };
    const size_t need = 2 * file.bytes.size() + 100 * sizeof(macros::MacroRecord);
    EXPECT_EQ(RunLimited(need + (4 << 20), work), 0) << "needs more than " << need;
    EXPECT_EQ(RunLimited(file.bytes.size() / 2, work), 1) << "did not fail cleanly";
}
