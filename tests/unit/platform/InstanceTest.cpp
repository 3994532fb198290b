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

// A window at the other end of the socket: what it does with one request, and how long the
// sender took.
struct FakeWindow {
    const char* name;
    bool acknowledge; // sends the acknowledgement as soon as it has read the request
    int handlingMs;   // then handles it this long
    bool answer;      // then answers (else drops the connection)
    int expected;     // SendWindowMessage's result
    int minMs, maxMs; // bounds of the sender's wait
};

void PrintTo(const FakeWindow& w, std::ostream* os) {
    *os << w.name;
}

class SendTest : public ::testing::TestWithParam<FakeWindow> {};

TEST_P(SendTest, WaitsForAnAcknowledgedRequestAndGivesUpOnASilentOne) {
    const FakeWindow& w = GetParam();
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
        EXPECT_EQ(::recv(c, got.data(), got.size(), MSG_WAITALL), 8);
        if (w.acknowledge)
            ::send(c, platform::kRequestRead.data(), 4, MSG_NOSIGNAL);
        std::this_thread::sleep_for(std::chrono::milliseconds(w.handlingMs));
        if (w.answer)
            ::send(c, platform::kRequestDone.data(), 4, MSG_NOSIGNAL);
        ::close(c);
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(platform::SendWindowMessage(path, platform::UM_KILL, platform::kTagKill,
                                          std::chrono::milliseconds(200)),
              w.expected);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    EXPECT_GE(took.count(), w.minMs);
    EXPECT_LT(took.count(), w.maxMs);
    window.join();
    ::close(server);
    fs::remove(path);
    const auto request = platform::DecodeRequest(got.data(), got.size());
    EXPECT_EQ(request->message, platform::UM_KILL);
    EXPECT_EQ(request->tag, platform::kTagKill);
}

// The acknowledgement time-out is 200 ms here; a handler may take far longer.
INSTANTIATE_TEST_SUITE_P(
    Windows, SendTest,
    ::testing::Values(FakeWindow{"AnsweredAfterALongHandling", true, 600, true, 1, 600, 5000},
                      FakeWindow{"EndedWhileHandling", true, 300, false, 1, 300, 5000},
                      FakeWindow{"NeverReadsTheRequest", false, 1000, true, 0, 200, 900},
                      FakeWindow{"DropsTheRequestUnread", false, 0, false, 0, 0, 190}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MainWindowChannelTest, NoSocketMeansNoMarkedWindow) {
    fs::remove(platform::MainWindowSocketPath(getpid()));
    EXPECT_EQ(platform::SendToMainWindow(getpid(), platform::kChoiceOpen), 0);
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
