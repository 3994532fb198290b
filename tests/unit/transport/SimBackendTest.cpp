// The sim backend against the real virtual keyboard: it finds a keyboard by watching for its
// socket, never by trying again on a timer.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "FakeEvents.h"
#include "VkbdProcess.h"
#include "lib/SimBackend.h"

namespace {

using namespace std::chrono_literals;
using transport_test::RecordingEvents;
using transport_test::TempFolder;
using transport_test::VirtualKeyboardProcess;

// Only the directory watch can find the keyboard: the timed retry is an hour away.
olvask::SimOptions WatchOnly() {
    olvask::SimOptions options;
    options.helloWait = 1s;
    options.retryPause = 20ms;
    options.unwatchedRetry = std::chrono::hours(1);
    return options;
}

// A keyboard whose socket lies in directories that it makes itself when it starts.
TEST(SimBackend, FindsAKeyboardWhoseSocketFolderDoesNotExistYet) {
    TempFolder folder;
    const std::filesystem::path nest = folder.Path() / "run" / "user";
    const std::string socket = (nest / "k.sock").string();
    RecordingEvents events;
    olvask::SimBackend backend({socket}, WatchOnly());
    ASSERT_TRUE(backend.Start(events));
    EXPECT_TRUE(events.WaitFor([&] { return events.arrived.empty(); }, 0ms));

    VirtualKeyboardProcess keyboard(socket, folder.Path() / "state");
    ASSERT_TRUE(keyboard.Start());
    ASSERT_TRUE(events.WaitFor([&] { return events.arrived.size() == 1; }));

    // The folder goes with the keyboard, and both come back.
    keyboard.Stop();
    ASSERT_TRUE(events.WaitFor([&] { return events.left.size() == 1; }));
    std::filesystem::remove_all(folder.Path() / "run");
    ASSERT_TRUE(keyboard.Start());
    EXPECT_TRUE(events.WaitFor([&] { return events.arrived.size() == 2; }));
    backend.Stop();
}

} // namespace
