// brisvane-cli: profile files, and the keyboard's key maps, macros and active profile,
// for users and scripts.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "Describe.h"
#include "Doctor.h"
#include "KeyboardLink.h"
#include "macros/Download.h"
#include "platform/AppPaths.h"
#include "profiles/AtomicFile.h"
#include "profiles/CurrentProfile.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileStore.h"
#include "profiles/Snapshot.h"
#include "ui/Language.h"
#include "ui/Prompts.h"
#include "ui/Utf.h"

namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1; // an invalid file, or the keyboard refused or failed
constexpr int kExitUsage = 2;  // wrong command line
constexpr int kExitNoKeyboard = 3;

constexpr const char* kHelp = R"(brisvane-cli: profile files and the keyboard's key maps and macros

Usage:
  brisvane-cli new FILE             write an empty profile file (every key default, no macros)
  brisvane-cli validate FILE        check a profile file as an import does
  brisvane-cli show FILE            print a profile file: its header, every key that is not
                                    default, every macro with its actions
  brisvane-cli snapshot FILE        write the keyboard's key maps and macros as a profile file
  brisvane-cli download FILE [--all]
                                    send a profile file's macros and the key map of the
                                    active on-board profile (--all: of all three profiles)
  brisvane-cli profile [N]          print the active on-board profile (0, 1 or 2), or make
                                    N the active one
  brisvane-cli doctor [--json]      check what the keyboard and the program need (the udev
                                    rule, the keyboard and its nodes, the login seat, the
                                    notification area, the session, autostart, the documents
                                    folder, a sandbox) and say for each problem the command
                                    that mends it; --json for bug reports
  brisvane-cli --help               this text

The keyboard's three on-board profiles are numbered 0, 1 and 2.
The keyboard is reached through libolvask.so beside this program; set OLVASK_BACKEND=sim
and OLVASK_VKBD_SOCKET=PATH to use the virtual keyboard olvask-vkbd instead.

Exit codes: 0 done; 1 the file is invalid or the keyboard refused or failed (doctor: a
problem was found); 2 wrong usage; 3 no keyboard found.
)";

// Messages of the model go to standard error (unless quiet, where the tool says better what
// went wrong); questions are answered No.
class ConsolePrompts : public ui::Prompts {
public:
    explicit ConsolePrompts(bool quiet = false) : quiet_(quiet) {}
    bool AskYesNo(std::u16string_view text) override {
        if (!quiet_)
            std::cerr << ui::ToUtf8(text) << " [no]\n";
        return false;
    }
    void Inform(std::u16string_view text, ui::MessageKind) override {
        if (!quiet_)
            std::cerr << ui::ToUtf8(text) << "\n";
    }
    std::optional<std::filesystem::path> ChooseFile(const ui::FileChoice&) override {
        return std::nullopt;
    }

private:
    bool quiet_;
};

std::filesystem::path ProgramFolder() {
    std::error_code error;
    auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path() : self.parent_path();
}

int Fail(const std::string& message, int code = kExitFailed) {
    std::cerr << "brisvane-cli: " << message << "\n";
    return code;
}

int Usage(const std::string& message) {
    return Fail(message + " (see brisvane-cli --help)", kExitUsage);
}

// What a failed download left on the keyboard: the writes it confirmed stay there.
std::string DescribeFailedDownload(const macros::DownloadReport& report) {
    using Held = macros::DownloadReport::Held;
    switch (report.held) {
    case Held::None:
        break;
    case Held::NoCopy:
    case Held::NoMemory:
        return "out of memory; nothing was sent";
    case Held::ProfileUnknown:
        return "the keyboard does not tell its active profile; nothing was sent";
    case Held::NoLayout:
        return "the keyboard's default layout is not known; nothing was sent";
    case Held::NoSpace:
        return "the macros do not fit the keyboard's macro space; nothing was sent";
    }
    std::string reached, failed;
    auto add = [&](int8_t outcome, const std::string& part) {
        if (outcome == macros::DownloadReport::kNotSent)
            return;
        std::string& list = outcome == macros::DownloadReport::kWritten ? reached : failed;
        list += (list.empty() ? "" : ", ") + part;
    };
    add(report.macroArea, "the macro area");
    for (size_t page = 0; page < report.keyMaps.size(); ++page)
        add(report.keyMaps[page], "the key map of profile " + std::to_string(page));
    add(report.end, "the end of the transfer");
    if (failed.empty()) {
        // Every write was confirmed; the read-back found what the keyboard did not keep.
        std::string differs, unread;
        auto judge = [&](int8_t kept, const std::string& part) {
            if (kept == macros::DownloadReport::kDiffers)
                differs += (differs.empty() ? "" : ", ") + part;
            else if (kept == macros::DownloadReport::kUnread)
                unread += (unread.empty() ? "" : ", ") + part;
        };
        judge(report.macroAreaKept, "the macro area");
        for (size_t page = 0; page < report.keyMapsKept.size(); ++page)
            judge(report.keyMapsKept[page], "the key map of profile " + std::to_string(page));
        std::string text = "the keyboard confirmed every write but did not keep them all";
        if (!differs.empty())
            text += "\n  read back different: " + differs;
        if (!unread.empty())
            text += "\n  could not be read back: " + unread;
        return text;
    }
    std::string text = "the download failed midway\n  reached the keyboard: " +
                       (reached.empty() ? std::string("nothing") : reached) +
                       "\n  failed: " + failed;
    if (report.end != macros::DownloadReport::kWritten)
        text += "\n  without the end of the transfer the keyboard may not keep what it took";
    return text;
}

// Checks the file as an import does, then loads it into the store.
int LoadFile(const std::filesystem::path& file) {
    ConsolePrompts prompts(true);
    profiles::HeaderFault fault{};
    int error = 0;
    const int valid = profiles::ValidateProfileFile(file, prompts, &fault, &error);
    if (valid == profiles::kValidateCannotOpen)
        return Fail(file.string() + ": cannot be opened: " + profiles::DescribeFileError(error));
    if (valid == profiles::kValidateNoMemory)
        return Fail(file.string() + ": out of memory");
    if (valid != 1) {
        std::error_code error;
        if (!std::filesystem::exists(file, error))
            return Fail(file.string() + ": no such file");
        if (fault == profiles::HeaderFault::None)
            return Fail(file.string() + ": not a profile file (shorter than 32,832 bytes or " +
                        "larger than 4 GiB)");
        return Fail(file.string() + ": " + std::string(profiles::DescribeHeaderFault(fault)));
    }
    profiles::LoadFault loadFault{};
    if (profiles::LoadProfileFile(file, &loadFault, &error) != 1) {
        std::string why(profiles::DescribeLoadFault(loadFault));
        if (loadFault == profiles::LoadFault::CannotOpen)
            why += ": " + profiles::DescribeFileError(error);
        return Fail(file.string() + ": " + why);
    }
    return kExitDone;
}

int New(const std::filesystem::path& file) {
    int error = 0;
    if (profiles::CreateDefaultProfile(file, 0, false, &error) != 1)
        return Fail(file.string() + ": cannot be written: " + profiles::DescribeFileError(error));
    return kExitDone;
}

int Validate(const std::filesystem::path& file) {
    if (int code = LoadFile(file))
        return code;
    auto& store = profiles::GetProfileStore();
    std::cout << file.string() << ": valid profile file, " << store.macroCount << " macros, "
              << store.textBytes << " text bytes\n";
    return kExitDone;
}

int Show(const std::filesystem::path& file) {
    if (int code = LoadFile(file))
        return code;
    std::cout << cli::DescribeStore();
    return kExitDone;
}

int Connect() {
    const std::string problem = cli::ConnectKeyboard(ProgramFolder());
    if (problem.empty())
        return kExitDone;
    return Fail(problem, problem == "no keyboard found" ? kExitNoKeyboard : kExitFailed);
}

int Snapshot(const std::filesystem::path& file) {
    if (int code = Connect())
        return code;
    if (profiles::GetCurrentProfile() < 0)
        return Fail("the keyboard does not tell its active profile");
    profiles::SnapshotFault fault{};
    int error = 0;
    if (profiles::SnapshotKeyboardToFile(file, &fault, &error) == 1)
        return kExitDone;
    if (fault == profiles::SnapshotFault::Write)
        return Fail(file.string() + ": cannot be written: " + profiles::DescribeFileError(error));
    return Fail("no snapshot written to " + file.string() + ": " +
                std::string(profiles::DescribeSnapshotFault(fault)));
}

int Download(const std::filesystem::path& file, bool all) {
    if (int code = LoadFile(file))
        return code;
    if (int code = Connect())
        return code;
    if (!all && profiles::GetCurrentProfile() < 0)
        return Fail("the keyboard does not tell its active profile; nothing was sent");
    ConsolePrompts prompts;
    macros::DownloadReport report;
    if (profiles::PrepareDownloadCopy(all, prompts, &report) != 1)
        return Fail(DescribeFailedDownload(report));
    return kExitDone;
}

int Profile(const char* number) {
    int wanted = -1;
    if (number) {
        const std::string_view text(number);
        if (text.size() != 1 || text[0] < '0' || text[0] > '2')
            return Usage("the profile number must be 0, 1 or 2");
        wanted = text[0] - '0';
    }
    if (int code = Connect())
        return code;
    if (wanted < 0) {
        const int current = profiles::GetCurrentProfile();
        if (current < 0)
            return Fail("the keyboard does not tell its active profile");
        std::cout << current << "\n";
        return kExitDone;
    }
    profiles::SetCurrentProfile(wanted);
    if (profiles::CachedCurrentProfile() != wanted)
        return Fail("the keyboard did not take the profile");
    return kExitDone;
}

int Run(int argc, char** argv);

} // namespace

int main(int argc, char** argv) {
    // No failure may end the tool without its reason.
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        return Fail(std::string("internal error: ") + e.what());
    } catch (...) {
        return Fail("internal error");
    }
}

namespace {

int Run(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.empty())
        return Usage("no command given");
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::cout << kHelp;
        return kExitDone;
    }
    if (args[0] == "doctor") {
        if (args.size() > 2 || (args.size() == 2 && args[1] != "--json"))
            return Usage("doctor takes only --json");
        return cli::RunDoctor(args.size() == 2);
    }
    if (profiles::InitProfileStore() != 1)
        return Fail("out of memory");
    ui::SetPersonalLanguageFile(platform::PersonalLanguageFile());
    ui::LoadLanguageTable(ui::LanguageFileIn(ProgramFolder()));

    const std::string_view command = args[0];
    auto needFile = [&](size_t extra) -> bool {
        return args.size() >= 2 && args.size() <= 2 + extra && !args[1].starts_with("--");
    };
    if (command == "new" || command == "validate" || command == "show" || command == "snapshot") {
        if (!needFile(0))
            return Usage(std::string(command) + " takes one FILE");
        const std::filesystem::path file(args[1]);
        if (command == "new")
            return New(file);
        if (command == "validate")
            return Validate(file);
        if (command == "show")
            return Show(file);
        return Snapshot(file);
    }
    if (command == "download") {
        if (!needFile(1) || (args.size() == 3 && args[2] != "--all"))
            return Usage("download takes FILE and an optional --all");
        return Download(std::filesystem::path(args[1]), args.size() == 3);
    }
    if (command == "profile") {
        if (args.size() > 2)
            return Usage("profile takes at most one number");
        return Profile(args.size() == 2 ? argv[2] : nullptr);
    }
    return Usage("unknown command '" + std::string(command) + "'");
}

} // namespace
