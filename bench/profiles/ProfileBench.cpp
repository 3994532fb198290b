// How long the profile operations take: packing the macro area, saving and loading a file
// with 100 full macros, and against the virtual keyboard (1 ms answer latency, as a
// full-speed USB keyboard answers) an Apply, an import's download and a snapshot with a
// full macro area.

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

#include "device/Commands.h"
#include "device/Exchange.h"
#include "device/Transport.h"
#include "device/TransportCallback.h"
#include "macros/Download.h"
#include "macros/MacroArea.h"
#include "macros/MacroList.h"
#include "profiles/Connection.h"
#include "profiles/CurrentProfile.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileStore.h"
#include "profiles/Snapshot.h"
#include "support/VirtualKeyboard.h"
#include "ui/MainView.h"
#include "ui/Prompts.h"

namespace {

using Clock = std::chrono::steady_clock;

// Median of runs, in milliseconds.
double Measure(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

class NoPrompts : public ui::Prompts {
public:
    bool AskYesNo(std::u16string_view) override { return false; }
    void Inform(std::u16string_view text, ui::MessageKind) override {
        ++messages;
        (void)text;
    }
    std::optional<std::filesystem::path> ChooseFile(const ui::FileChoice&) override { return {}; }
    int messages = 0;
};

class NoView : public ui::MainView {
public:
    void ResetKeyButton(uint32_t) override {}
    void RefreshKeyView() override {}
    void RefreshKeyTooltips() override {}
    void SetKeyButtonEditing(int, bool) override {}
    void SetApplyPending(bool) override {}
    bool ApplyPending() const override { return false; }
    void ShowBusy(bool) override {}
    bool KeyEditorOpen() const override { return false; }
    bool ProfileManagerApplyEnabled() const override { return false; }
    void ProfileManagerSwitched(int) override {}
    void RebuildProfileMenu() override {}
};

// count macros of actions each, committed to the store.
void FillMacros(size_t count, uint16_t actions) {
    macros::MacroList list;
    for (size_t i = 0; i < count; ++i) {
        list.push_back(macros::CreateMacroRecord(u"Benchmark macro", list));
        auto& m = *list.back();
        m.actionCount = actions;
        for (uint16_t j = 0; j < actions; ++j)
            m.actions[j] = {static_cast<uint32_t>(10 * j % 40000), 0x1E,
                            static_cast<uint16_t>(j % 2)};
    }
    NoView view;
    macros::CommitMacroList(list, view);
}

} // namespace

int main() {
    const std::filesystem::path build = BRISVANE_BUILD_ROOT;
    std::string pattern = (std::filesystem::temp_directory_path() / "bench-XXXXXX").string();
    const std::filesystem::path dir = ::mkdtemp(pattern.data());
    profiles::InitProfileStore();

    // Model only: the largest file the format allows (100 macros of 2000 actions).
    FillMacros(100, 2000);
    const double save = Measure(9, [&] { profiles::SaveProfileFile(true, dir / "big.bvx"); });
    const double load = Measure(9, [&] { profiles::LoadProfileFile(dir / "big.bvx"); });
    std::printf("profile file with 100 macros of 2000 actions (%ju bytes)\n",
                static_cast<uintmax_t>(std::filesystem::file_size(dir / "big.bvx")));
    std::printf("  save (written, flushed, renamed)  %8.2f ms\n", save);
    std::printf("  load (read and checked)           %8.2f ms\n", load);

    // A full macro area: 255 x 128 = 32,640 bytes, filled by 8 macros of 1018 actions.
    profiles::ResetStoreToDefault();
    FillMacros(8, 1018);
    auto& store = profiles::GetProfileStore();
    const auto sizes = macros::MeasureMacroArea(store.Macros());
    std::vector<uint8_t> area(sizes.withoutNames);
    const double pack = Measure(101, [&] {
        macros::PackMacros(area, static_cast<uint16_t>(area.size()), false, store.Macros());
    });
    std::printf("macro area of %u bytes (%u with names)\n", sizes.withoutNames, sizes.withNames);
    std::printf("  pack                              %8.3f ms\n", pack);

    VirtualKeyboard keyboard(build / "olvask-vkbd", dir);
    ::setenv("OLVASK_BACKEND", "sim", 1);
    ::setenv("OLVASK_VKBD_SOCKET", keyboard.Socket().c_str(), 1);
    if (!keyboard.Start(255, 1)) {
        std::printf("virtual keyboard did not start\n");
        return 1;
    }
    device::IgnoredTransportEvents events;
    int32_t count = 0;
    if (device::OpenDeviceLink(build, events, &count) != device::kBindOk || count < 1) {
        std::printf("no virtual keyboard reached\n");
        return 1;
    }
    // The wire floor of an operation: each report waits for the keyboard's answer (1 ms
    // here), plus the fixed pause after closing a transfer.
    const auto commands = [&] {
        const std::string status = keyboard.Control("status").second;
        const size_t at = status.find("commands received: ");
        return at == std::string::npos ? 0L : std::atol(status.c_str() + at + 19);
    };
    const auto floorOf = [&](const std::function<void()>& work, int transfers) {
        const long before = commands();
        work();
        return static_cast<double>(commands() - before) +
               transfers * static_cast<double>(device::ExchangeTimes().endTransferDelay.count());
    };
    const double connect = Measure(5, [&] { profiles::ReadKeyboardOnConnection(); });
    const double connectFloor = floorOf([&] { profiles::ReadKeyboardOnConnection(); }, 0);
    NoPrompts prompts;
    const double apply = Measure(5, [&] { profiles::PrepareDownloadCopy(false, prompts); });
    const double applyFloor = floorOf([&] { profiles::PrepareDownloadCopy(false, prompts); }, 1);
    const double all = Measure(5, [&] { profiles::PrepareDownloadCopy(true, prompts); });
    // What the download's read-back costs: the area and one key map read again.
    std::vector<uint8_t> back(sizes.withoutNames); // names do not fit: they are dropped
    std::array<uint8_t, 512> map{};
    const double readBack = Measure(5, [&] {
        device::ReadMacroArea(back, static_cast<uint32_t>(back.size()));
        device::ReadKeyMap(map, 0);
    });
    const double snapshot =
        Measure(5, [&] { profiles::SnapshotKeyboardToFile(dir / "snapshot.bvx"); });
    profiles::ResetStoreToDefault();
    const double applyEmpty = Measure(5, [&] { profiles::PrepareDownloadCopy(false, prompts); });
    std::printf("against the virtual keyboard, 1 ms answer latency\n");
    std::printf("  apply, no macros (16-byte area + 1 key map)  %8.1f ms\n", applyEmpty);
    std::printf("  apply, full macro area + 1 key map           %8.1f ms\n", apply);
    std::printf("    of which the read-back that verifies it    %8.1f ms (apply %.2fx "
                "without it)\n",
                readBack, apply / (apply - readBack));
    std::printf("    wire floor %.0f ms: apply takes %.3fx the floor\n", applyFloor,
                apply / applyFloor);
    std::printf("  connection's read of the keyboard            %8.1f ms\n", connect);
    std::printf("    wire floor %.0f ms: the read takes %.3fx the floor\n", connectFloor,
                connect / connectFloor);
    std::printf("  import download, full area + 3 key maps      %8.1f ms\n", all);
    std::printf("  snapshot of the keyboard, full area          %8.1f ms\n", snapshot);
    std::printf("  (names dropped, with their message, in %d of the downloads)\n",
                prompts.messages);
    keyboard.Stop();
    std::filesystem::remove_all(dir);
    return 0;
}
