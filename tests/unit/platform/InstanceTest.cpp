#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "platform/InstanceLock.h"
#include "platform/MainWindowChannel.h"
#include "platform/ProcessFinder.h"
#include "platform/WindowMessages.h"

namespace fs = std::filesystem;

namespace {

fs::path TempFolder(const char* name) {
    auto dir = fs::temp_directory_path() / (std::string(name) + "-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

TEST(ProcessFinderTest, FirstMatchInPidOrderIgnoringCase) {
    const auto proc = TempFolder("fakeproc");
    auto process = [&](const char* pid, const char* exe) {
        fs::create_directories(proc / pid);
        fs::create_symlink(exe, proc / pid / "exe");
    };
    process("300", "/usr/bin/BRISVANE");
    process("20", "/opt/x/brisvane (deleted)");
    process("1000", "/usr/bin/brisvane");
    process("7", "/usr/bin/brisvane-cli");
    fs::create_directories(proc / "self");
    fs::create_directories(proc / "12ab");
    EXPECT_EQ(platform::FindProcessByFileName("Brisvane", proc), 20);
    EXPECT_EQ(platform::FindProcessByFileName("brisvane-cli", proc), 7);
    EXPECT_EQ(platform::FindProcessByFileName("pemrode", proc), 0);
    EXPECT_EQ(platform::FindProcessByFileName("brisvane", proc / "missing"), 0);
    fs::remove_all(proc);
}

TEST(ProcessFinderTest, TheCallerIsFoundInTheRealProcessList) {
    const pid_t found = platform::FindProcessByFileName("UNIT_PLATFORM");
    EXPECT_NE(found, 0);
    EXPECT_LE(found, getpid());
}

TEST(InstanceLockTest, SecondOpenSeesTheFirstUntilItCloses) {
    const auto dir = TempFolder("lock");
    const auto file = dir / "Brisvane_Mutex_TQ907 104key.lock";
    platform::InstanceLock first, second, third;
    EXPECT_EQ(first.Open(file), platform::InstanceLock::State::Created);
    EXPECT_EQ(second.Open(file), platform::InstanceLock::State::Exists);
    EXPECT_FALSE(second.Held());
    first.Close();
    EXPECT_EQ(third.Open(file), platform::InstanceLock::State::Created);
    fs::remove_all(dir);
}

TEST(MainWindowChannelTest, RequestCodecIsLittleEndianAndExact) {
    const auto bytes = platform::EncodeRequest({platform::UM_OPEN, platform::kTagOpen});
    EXPECT_EQ(bytes, (std::array<uint8_t, 8>{0x50, 0x53, 0, 0, 'N', 'E', 'P', 'O'}));
    const auto back = platform::DecodeRequest(bytes.data(), bytes.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->message, platform::UM_OPEN);
    EXPECT_EQ(back->tag, platform::kTagOpen);
    EXPECT_FALSE(platform::DecodeRequest(bytes.data(), 7));
}

TEST(MainWindowChannelTest, TagsMustMatchTheirMessage) {
    EXPECT_TRUE(platform::TagMatches(platform::UM_KILL, platform::kTagKill));
    EXPECT_FALSE(platform::TagMatches(platform::UM_KILL, platform::kTagOpen));
    EXPECT_FALSE(platform::TagMatches(0x1234, 0));
    EXPECT_TRUE(platform::TagMatches(platform::UM_LED, 0x004C4544));
}

TEST(MainWindowChannelTest, SendWaitsForTheAnswerOfAMarkedWindow) {
    // No socket: the process has no marked window.
    EXPECT_EQ(platform::SendToMainWindow(getpid(), platform::kChoiceOpen), 0);

    const auto path = platform::MainWindowSocketPath(getpid());
    fs::remove(path);
    const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, path.c_str());
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(server, 1), 0);
    std::array<uint8_t, 8> got{};
    std::thread window([&] {
        const int c = ::accept(server, nullptr, nullptr);
        ASSERT_EQ(::recv(c, got.data(), got.size(), MSG_WAITALL), 8);
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // the handler runs
        const uint8_t done[4] = {};
        ::send(c, done, sizeof done, 0);
        ::close(c);
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(platform::SendToMainWindow(getpid(), platform::kChoiceKill), 1);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    window.join();
    ::close(server);
    fs::remove(path);
    const auto request = platform::DecodeRequest(got.data(), got.size());
    EXPECT_EQ(request->message, platform::UM_KILL);
    EXPECT_EQ(request->tag, platform::kTagKill);
    EXPECT_EQ(fs::status(platform::MainWindowSocketFolder()).permissions() & fs::perms::all,
              fs::perms::owner_all);
}

TEST(MainWindowChannelTest, SocketsOfEndedCopiesAreRemovedAndLiveOnesKept) {
    const auto folder = platform::MainWindowSocketFolder();
    // A pid above the kernel's limit never runs.
    const auto stale = folder / "main-2147483600";
    const auto live = platform::MainWindowSocketPath(getpid());
    const auto other = folder / "notes";
    for (const auto& f : {stale, live, other})
        std::ofstream(f) << "";
    platform::RemoveStaleWindowSockets();
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(live));
    EXPECT_TRUE(fs::exists(other));
    fs::remove(live);
    fs::remove(other);
}

} // namespace
