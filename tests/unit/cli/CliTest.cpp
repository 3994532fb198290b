// brisvane-cli as a user or a script runs it: exit codes, what it prints, the files it
// writes and what reaches the virtual keyboard.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>

#include "macros/MacroList.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileStore.h"
#include "support/FakeMainView.h"
#include "support/StoreFixture.h"
#include "support/VirtualKeyboard.h"

namespace {

struct CliRun {
    int code;
    std::string out; // standard output and standard error together
};

const std::filesystem::path kBuild = BRISVANE_BUILD_ROOT;

} // namespace

class Cli : public StoreTest {
protected:
    void TearDown() override {
        keyboard_.reset();
        StoreTest::TearDown();
    }

    CliRun RunCli(const std::string& args) {
        std::string line = "cd '" + dir_.string() + "' && ";
        // Without a virtual keyboard the socket names nothing: no keyboard is found.
        const std::filesystem::path socket = keyboard_ ? keyboard_->Socket() : dir_ / "none.sock";
        line += "OLVASK_BACKEND=sim OLVASK_VKBD_SOCKET='" + socket.string() + "' ";
        line += "'" + (kBuild / "brisvane-cli").string() + "' " + args + " 2>&1";
        FILE* pipe = ::popen(line.c_str(), "r");
        CliRun run{-1, {}};
        std::array<char, 4096> buffer;
        size_t n;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
            run.out.append(buffer.data(), n);
        int status = ::pclose(pipe);
        run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }
    void StartKeyboard() {
        keyboard_ = std::make_unique<VirtualKeyboard>(kBuild / "olvask-vkbd", dir_);
        ASSERT_TRUE(keyboard_->Start(4));
    }

    // A profile with macros, texts and several kinds of key entries, saved as name.
    void WriteRichProfile(const std::string& name) {
        macros::MacroList list;
        list.push_back(macros::CreateMacroRecord(u"Copy", list));
        auto& m = *list.back();
        m.cycles = 2;
        m.actions[0] = {50, 0x1D, 0};
        m.actions[1] = {30, 0x2E, 1};
        m.actionCount = 2;
        FakeMainView quiet;
        macros::CommitMacroList(list, quiet);
        Entry(0, 0x1E) = {.kind = 4, .code = 5, .value = 1};
        Entry(1, 0x30) = {.kind = 2, .value = 0x2E};
        Entry(2, 0x01) = {.kind = 7, .value = 1};
        Entry(2, 256) = {.kind = 1, .code = 0x0301};
        Entry(0, 5) = {.kind = 3};
        ASSERT_EQ(profiles::SetEntryText(5, u"notepad"), 1);
        ASSERT_EQ(profiles::SaveProfileFile(true, File(name)), 1);
    }

    std::unique_ptr<VirtualKeyboard> keyboard_;
};

TEST_F(Cli, HelpNamesEveryCommand) {
    CliRun run = RunCli("--help");
    EXPECT_EQ(run.code, 0);
    for (const char* word : {"new FILE", "validate FILE", "show FILE", "snapshot FILE",
                             "download FILE [--all]", "profile [N]", "Exit codes"})
        EXPECT_NE(run.out.find(word), std::string::npos) << word;
}

TEST_F(Cli, WrongUsageExitsWithTwo) {
    for (const char* args : {"", "frobnicate", "new", "new a b", "download a --some", "profile 3",
                             "profile 1 2", "show --all"}) {
        CliRun run = RunCli(args);
        EXPECT_EQ(run.code, 2) << args << ": " << run.out;
        EXPECT_NE(run.out.find("--help"), std::string::npos) << args;
    }
}

TEST_F(Cli, NewWritesAnEmptyProfileThatValidates) {
    CliRun run = RunCli("new empty.bvx");
    ASSERT_EQ(run.code, 0) << run.out;
    ASSERT_EQ(profiles::CreateDefaultProfile(File("reference.bvx"), 0, false), 1);
    EXPECT_EQ(ReadBytes(File("empty.bvx")), ReadBytes(File("reference.bvx")));
    run = RunCli("validate empty.bvx");
    EXPECT_EQ(run.code, 0);
    EXPECT_NE(run.out.find("valid profile file, 0 macros"), std::string::npos) << run.out;
}

TEST_F(Cli, InvalidFilesAreNamedWithTheirFault) {
    WriteRichProfile("p.bvx");
    auto bytes = ReadBytes(File("p.bvx"));
    auto damaged = bytes;
    damaged[0x1F] ^= 0xFF;
    WriteBytes(File("checksum.bvx"), damaged);
    damaged = bytes;
    damaged.resize(damaged.size() - 3);
    WriteBytes(File("short.bvx"), damaged);
    WriteBytes(File("tiny.bvx"), {1, 2, 3});
    // Entry 9 made a program entry pointing at the text of entry 5: one text, two copies.
    damaged = bytes;
    const keys::KeyEntry program{.kind = 3, .value = 0};
    std::memcpy(damaged.data() + 0x40 + 9 * sizeof program, &program, sizeof program);
    WriteBytes(File("shared.bvx"), damaged);

    struct Case {
        const char* file;
        const char* says;
    };
    for (Case c : {Case{"checksum.bvx", "checksum"}, Case{"short.bvx", "shorter than its header"},
                   Case{"tiny.bvx", "not a profile file"}, Case{"missing.bvx", "no such file"},
                   Case{"shared.bvx", "texts adding up to more than the text block"}}) {
        for (const char* command : {"validate ", "show ", "download "}) {
            CliRun run = RunCli(command + std::string(c.file));
            EXPECT_EQ(run.code, 1) << command << c.file;
            EXPECT_NE(run.out.find(c.says), std::string::npos) << command << c.file << run.out;
        }
    }
}

TEST_F(Cli, ShowListsChangedKeysAndMacroActions) {
    WriteRichProfile("p.bvx");
    CliRun run = RunCli("show p.bvx");
    ASSERT_EQ(run.code, 0) << run.out;
    for (const char* line :
         {"1 macros", "Profile 0 keys:\n", "A (0x01E): macro id 1 \"Copy\", 5 cycles entered",
          "(0x005): program \"notepad\"", "Profile 1 keys:\n  B (0x030): key C (0x02E)",
          "G1 (layer A): disabled", "Spare block: all default", "\"Copy\": id 1, 2 cycles",
          "press   Ctrl (0x01D), then 50 ms", "release C (0x02E), then 30 ms"})
        EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
    // default entries are not listed
    EXPECT_EQ(run.out.find("default function"), std::string::npos);
}

TEST_F(Cli, WithoutAKeyboardTheKeyboardCommandsExitWithThree) {
    ASSERT_EQ(profiles::CreateDefaultProfile(File("d.bvx"), 0, false), 1);
    for (const char* args : {"snapshot s.bvx", "download d.bvx", "profile"}) {
        CliRun run = RunCli(args);
        EXPECT_EQ(run.code, 3) << args << run.out;
        EXPECT_NE(run.out.find("no keyboard"), std::string::npos) << args;
    }
    EXPECT_FALSE(std::filesystem::exists(File("s.bvx")));
}

TEST_F(Cli, DownloadThenSnapshotGivesTheFileBack) {
    StartKeyboard();
    WriteRichProfile("p.bvx");
    CliRun run = RunCli("download p.bvx --all");
    ASSERT_EQ(run.code, 0) << run.out;
    EXPECT_EQ(keyboard_->Dump("macros")[0], 0xAA);
    run = RunCli("snapshot s.bvx");
    ASSERT_EQ(run.code, 0) << run.out;

    // What the keyboard can hold comes back: keys, macro; not the program text nor the
    // cycle count typed with the macro key.
    run = RunCli("show s.bvx");
    ASSERT_EQ(run.code, 0) << run.out;
    for (const char* line :
         {"A (0x01E): macro id 1 \"Copy\"\n", "B (0x030): key C (0x02E)", "G1 (layer A): disabled",
          "\"Copy\": id 1, 2 cycles", "release C (0x02E), then 30 ms"})
        EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
    EXPECT_EQ(run.out.find("notepad"), std::string::npos);
}

TEST_F(Cli, DownloadWithoutAllSendsOnlyTheActiveProfile) {
    StartKeyboard();
    ASSERT_EQ(RunCli("profile 1").code, 0);
    CliRun run = RunCli("profile");
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "1\n");
    EXPECT_EQ(keyboard_->Dump("config")[10], 1);

    const auto layout = keyboard_->Dump("default-layout");
    for (size_t b = 0; b < 3; ++b)
        Entry(b, 0x1E) = {.kind = 1};
    ASSERT_EQ(profiles::SaveProfileFile(true, File("off.bvx")), 1);
    run = RunCli("download off.bvx");
    ASSERT_EQ(run.code, 0) << run.out;
    EXPECT_EQ(keyboard_->Dump("keymap0"), layout);
    EXPECT_NE(keyboard_->Dump("keymap1"), layout);
    EXPECT_EQ(keyboard_->Dump("keymap2"), layout);
}

TEST_F(Cli, MacrosBeyondTheKeyboardsSpaceAreRefused) {
    StartKeyboard(); // 512 bytes of macro space
    macros::MacroList list;
    list.push_back(macros::CreateMacroRecord(u"Long", list));
    list.back()->actionCount = 200; // 4 + 800 bytes
    FakeMainView quiet;
    macros::CommitMacroList(list, quiet);
    ASSERT_EQ(profiles::SaveProfileFile(true, File("long.bvx")), 1);
    CliRun run = RunCli("download long.bvx --all");
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.out.find("do not fit"), std::string::npos) << run.out;
    EXPECT_EQ(keyboard_->Dump("macros")[0], 0);
}

TEST_F(Cli, ANameThatIsNotUtf8WorksAndADamagedOneIsNamed) {
    const std::string odd = "odd\xff\xfe.bvx";
    CliRun run = RunCli("new '" + odd + "'");
    ASSERT_EQ(run.code, 0) << run.out;
    run = RunCli("validate '" + odd + "'");
    EXPECT_EQ(run.code, 0) << run.out;

    auto bytes = ReadBytes(File(odd));
    bytes[0] ^= 0xFF;
    WriteBytes(File(odd), bytes);
    for (const char* command : {"validate ", "show ", "download "}) {
        run = RunCli(command + ("'" + odd + "'"));
        EXPECT_EQ(run.code, 1) << command << run.out;
        EXPECT_NE(run.out.find(odd + ": not a profile file (wrong magic number)"),
                  std::string::npos)
            << command << run.out;
    }
}

TEST_F(Cli, FailedWritesNameTheirReason) {
    StartKeyboard();
    std::filesystem::create_directory(File("folder.bvx"));
    ASSERT_EQ(::mkfifo(File("pipe.bvx").c_str(), 0600), 0);
    struct Case {
        const char* file;
        const char* reason;
    };
    for (Case c : {Case{"folder.bvx", "Is a directory"}, Case{"pipe.bvx", "not a regular file"},
                   Case{"none/x.bvx", "No such file or directory"}}) {
        for (const char* command : {"new ", "snapshot "}) {
            CliRun run = RunCli(command + std::string(c.file));
            EXPECT_EQ(run.code, 1) << command << c.file;
            EXPECT_NE(run.out.find(std::string(c.file) + ": cannot be written: " + c.reason),
                      std::string::npos)
                << command << c.file << ": " << run.out;
        }
    }
    EXPECT_TRUE(std::filesystem::is_fifo(File("pipe.bvx")));
    EXPECT_TRUE(std::filesystem::is_empty(File("folder.bvx")));
    CliRun run = RunCli("validate pipe.bvx");
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.out.find("pipe.bvx: cannot be opened: not a regular file"), std::string::npos)
        << run.out;
}

TEST_F(Cli, ADownloadFailingMidwayTellsWhatReachedTheKeyboard) {
    StartKeyboard();
    WriteRichProfile("p.bvx");
    // The connection reads the default layout (10 reports) and the configuration (1); the
    // download sends begin (1), the macro area (1), then 10 reports per key map: the
    // keyboard leaves the bus at the first report of profile 1's key map.
    ASSERT_EQ(keyboard_->Control("fault vanish-after 23").first, 0);
    CliRun run = RunCli("download p.bvx --all");
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.out.find("the download failed midway\n"
                           "  reached the keyboard: the macro area, the key map of profile 0\n"
                           "  failed: the key map of profile 1, the key map of profile 2, the "
                           "end of the transfer\n"
                           "  without the end of the transfer the keyboard may not keep what it "
                           "took"),
              std::string::npos)
        << run.out;
}

TEST_F(Cli, ADownloadTheKeyboardDidNotKeepNamesThePart) {
    StartKeyboard();
    WriteRichProfile("p.bvx");
    // The macro area is one report; the next write is the first of profile 0's key map.
    ASSERT_EQ(keyboard_->Control("fault corrupt 1").first, 0);
    CliRun run = RunCli("download p.bvx --all");
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.out.find("the keyboard confirmed every write but did not keep them all\n"
                           "  read back different: the key map of profile 0"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(RunCli("download p.bvx --all").code, 0);
}
