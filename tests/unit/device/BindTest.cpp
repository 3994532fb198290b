#include <gtest/gtest.h>

#include <unistd.h>

#include "device/Exchange.h"
#include "device/Transport.h"

namespace {

// Runs the binding in a child process and exits with its result, offset to stay positive.
void BindAndExit(const char* folder) {
    _exit(device::BindTransport(folder) + 10);
}

struct BindCase {
    const char* folder;
    int result;
};
void PrintTo(const BindCase& c, std::ostream* os) {
    *os << c.folder;
}

class BindTest : public ::testing::TestWithParam<BindCase> {};

TEST_P(BindTest, ResultOfBindingTheLibraryInTheProgramFolder) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const BindCase c = GetParam();
    EXPECT_EXIT(BindAndExit(c.folder), ::testing::ExitedWithCode(c.result + 10), "");
}

INSTANTIATE_TEST_SUITE_P(
    Folders, BindTest,
    ::testing::Values(BindCase{FAKE_OLVASK_DIR "/ok", device::kBindOk},
                      BindCase{FAKE_OLVASK_DIR "/none", device::kBindNoLibrary},
                      BindCase{FAKE_OLVASK_DIR "/missing", device::kBindMissingEntry},
                      BindCase{FAKE_OLVASK_DIR "/refuses", device::kBindInitRefused}),
    [](const auto& info) {
        const std::string folder = info.param.folder;
        return folder.substr(folder.rfind('/') + 1);
    });

TEST(BindTest, UnboundLinkCountsNoKeyboardAndSendsNothing) {
    EXPECT_FALSE(device::TransportBound());
    EXPECT_EQ(device::GetDeviceCount(), 0);
    const uint8_t report[64] = {0x04};
    EXPECT_EQ(device::SendReport(report), 0);
}

} // namespace
