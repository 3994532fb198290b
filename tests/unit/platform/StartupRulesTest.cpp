#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/MainWindowChannel.h"
#include "platform/StartupRules.h"

namespace {

struct FakeServices : platform::StartupServices {
    pid_t running = 0;
    bool lockExists = false;
    int sendResult = 1;
    std::vector<std::string> calls;

    pid_t FindRunningCopy() override {
        calls.push_back("find");
        return running;
    }
    int SendToMainWindow(pid_t pid, int choice) override {
        calls.push_back((choice == platform::kChoiceKill ? "kill " : "open ") +
                        std::to_string(pid));
        return sendResult;
    }
    bool InstanceLockExists() override {
        calls.push_back("lock");
        return lockExists;
    }
    void StartDaemon() override { calls.push_back("daemon"); }
};

struct Case {
    const char* name;
    std::vector<std::string> args;
    pid_t running;
    bool lockExists;
    bool run;
    bool autoOpenDone;
    std::vector<std::string> calls;
};
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class StartupRulesTest : public ::testing::TestWithParam<Case> {};

TEST_P(StartupRulesTest, Decision) {
    const Case& c = GetParam();
    FakeServices services;
    services.running = c.running;
    services.lockExists = c.lockExists;
    const auto d = platform::ApplySingleInstanceRule(c.args, services);
    EXPECT_EQ(d.run, c.run);
    EXPECT_EQ(d.autoOpenDone, c.autoOpenDone);
    EXPECT_EQ(services.calls, c.calls);
}

using V = std::vector<std::string>;
INSTANTIATE_TEST_SUITE_P(
    Cases, StartupRulesTest,
    ::testing::Values(
        Case{"FirstCopyStartsTheDaemon", {}, 0, false, true, false, V{"lock", "daemon"}},
        Case{"StartInAnyCase", {"/START"}, 0, false, true, true, V{"lock", "daemon"}},
        Case{"KillEndsTheRunningCopy",
             {"/kill", "/start"},
             42,
             true,
             false,
             false,
             V{"find", "kill 42"}},
        Case{"StartThenKill", {"/Start", "/Kill"}, 42, true, false, true, V{"find", "kill 42"}},
        Case{"KillWithNothingFoundGoesOn",
             {"/Kill"},
             0,
             false,
             true,
             false,
             V{"find", "lock", "daemon"}},
        Case{"LookalikesAreIgnored",
             {"/Startx", "Start", "-kill", "/Kil"},
             42,
             false,
             true,
             false,
             V{"lock", "daemon"}},
        Case{"SecondStartShowsTheRunningCopy",
             {},
             42,
             true,
             false,
             false,
             V{"lock", "find", "open 42"}},
        Case{
            "LockWithoutAProcessRunsAlone", {}, 0, true, true, false, V{"lock", "find", "daemon"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StartupRulesTest, KillEndsEvenWhenOnlyItselfIsFound) {
    FakeServices services;
    services.running = 7; // the starting process, which has no window yet
    services.sendResult = 0;
    const auto d = platform::ApplySingleInstanceRule({"/kill"}, services);
    EXPECT_FALSE(d.run);
}

} // namespace
