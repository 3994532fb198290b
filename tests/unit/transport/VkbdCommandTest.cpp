// The virtual keyboard's firmware, one command report at a time, as it carries a report out
// (how it judges one against the command set is VkbdRulesTest's).

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "vkbd/CommandHandler.h"
#include "vkbd/FactoryContent.h"

namespace {

using vkbd::Report;

Report Request(uint8_t code, uint8_t length, uint16_t position, std::vector<uint8_t> data = {}) {
    Report r{};
    r[0] = 0x04;
    r[3] = code;
    r[4] = length;
    r[5] = static_cast<uint8_t>(position);
    r[6] = static_cast<uint8_t>(position >> 8);
    std::copy(data.begin(), data.end(), r.begin() + 8);
    const uint16_t sum = vkbd::ReportSum(r);
    r[1] = static_cast<uint8_t>(sum);
    r[2] = static_cast<uint8_t>(sum >> 8);
    return r;
}

class FirmwareTest : public ::testing::Test {
protected:
    Report Answer(const Report& request) {
        const vkbd::Outcome outcome = handler.CarryOut(request);
        EXPECT_TRUE(outcome.answer.has_value());
        EXPECT_FALSE(outcome.enterBootLoader);
        return outcome.answer.value_or(Report{});
    }

    vkbd::KeyboardMemory memory{vkbd::FactoryImage()};
    vkbd::CommandHandler handler{memory};
};

struct StatusCase {
    const char* what;
    uint8_t code;
    uint8_t length;
    uint16_t position;
    uint8_t status;
};

// Positions and lengths at the edges of every memory: the program's own accesses all fit.
const StatusCase kStatusCases[] = {
    {"begin transfer", 0x01, 0, 0, 0x00},
    {"end transfer", 0x02, 0, 0, 0x00},
    {"read the whole configuration", 0x03, 0x30, 0, 0x00},
    {"read past the configuration", 0x03, 0x30, 1, 0xFF},
    {"read the third lighting record", 0x05, 56, 84, 0x00},
    {"read the last parameter byte", 0x05, 1, 255, 0x00},
    {"read past the parameters", 0x05, 56, 201, 0xFF},
    {"read more than 56 bytes", 0x05, 57, 0, 0xFF},
    {"write the last parameter byte", 0x06, 1, 255, 0x00},
    {"write past the parameters", 0x06, 2, 255, 0xFF},
    {"read the last chunk of page 2", 0x07, 8, 1528, 0x00},
    {"read a fourth key map page", 0x07, 8, 1536, 0xFF},
    {"write the last chunk of page 1", 0x08, 8, 1016, 0x00},
    {"write a fourth key map page", 0x08, 56, 1536, 0xFF},
    {"read the end of the macro space", 0x09, 4, 16380, 0x00},
    {"read past the macro space", 0x09, 4, 16381, 0xFF},
    {"write the start of the macro area", 0x0A, 56, 0, 0x00},
    {"write past the macro space", 0x0A, 1, 16384, 0xFF},
    {"read the default layout's last chunk", 0x0F, 8, 504, 0x00},
    {"read past the default layout", 0x0F, 16, 504, 0xFF},
    {"read profile 2's last key-light piece", 0x10, 54, 522, 0x00},
    {"read past the key colours", 0x10, 54, 715, 0xFF},
    {"write a key-light byte of profile 1", 0x11, 1, 217, 0x00},
    {"an unknown command", 0x0B, 0, 0, 0xFF},
    {"no command to write the default layout", 0x0E, 1, 0, 0xFF},
};

TEST_F(FirmwareTest, AnswersEveryCommandWithItsStatusAndEchoesTheRequest) {
    for (const StatusCase& c : kStatusCases) {
        SCOPED_TRACE(c.what);
        const Report request = Request(c.code, c.length, c.position);
        const Report answer = Answer(request);
        EXPECT_EQ(answer[0], 0x04);
        EXPECT_EQ(answer[3], c.code);
        EXPECT_EQ(answer[4], c.length);
        EXPECT_EQ(answer[5] | answer[6] << 8, c.position);
        EXPECT_EQ(answer[7], c.status);
        EXPECT_EQ(vkbd::ReportSum(answer), answer[1] | answer[2] << 8);
    }
}

TEST_F(FirmwareTest, ReadsCarryTheMemoryAndWritesChangeIt) {
    const Report config = Answer(Request(0x03, 0x30, 0));
    EXPECT_TRUE(std::equal(config.begin() + 8, config.begin() + 56, memory.Flash().config.begin()));

    EXPECT_EQ(Answer(Request(0x06, 3, 43, {0x04, 0x02, 0x00}))[7], 0x00);
    const Report params = Answer(Request(0x05, 3, 42));
    EXPECT_EQ(std::vector<uint8_t>(params.begin() + 8, params.begin() + 12),
              (std::vector<uint8_t>{0x05, 0x04, 0x02, 0x00})); // only 3 asked for

    EXPECT_EQ(Answer(Request(0x08, 3, 512, {0x02, 0x02, 0x1E}))[7], 0x00);
    const Report keyMap = Answer(Request(0x07, 3, 512));
    EXPECT_EQ(keyMap[8], 0x02);
    EXPECT_EQ(keyMap[10], 0x1E);

    const Report layout = Answer(Request(0x0F, 56, 0));
    EXPECT_TRUE(std::equal(layout.begin() + 8, layout.end(), vkbd::DefaultLayout().begin()));
}

TEST_F(FirmwareTest, WriteConfigSwitchesTheProfileAndKeepsTheKeyboardsOwnBytes) {
    Report read = Answer(Request(0x03, 0x30, 0));
    std::vector<uint8_t> block(read.begin() + 8, read.begin() + 56);
    block[10] = 2;
    block[11] = 0x01; // the macro space is the hardware's
    block[16] = 0x00; // and so is the effect list
    block[5] = 0x5A;  // a byte without a meaning is kept as written
    EXPECT_EQ(Answer(Request(0x04, 0x30, 0, block))[7], 0x00);
    EXPECT_EQ(memory.Flash().config[10], 2);
    EXPECT_EQ(memory.Flash().config[11], vkbd::kDefaultMacroUnits);
    EXPECT_EQ(memory.Flash().config[16], 1);
    EXPECT_EQ(memory.Flash().config[5], 0x5A);

    block[10] = 3; // there is no fourth profile
    EXPECT_EQ(Answer(Request(0x04, 0x30, 0, block))[7], 0xFF);
    EXPECT_EQ(memory.Flash().config[10], 2);
}

TEST_F(FirmwareTest, WritesInABracketBecomePermanentAtItsEnd) {
    const uint64_t before = memory.FlashGeneration();
    Answer(Request(0x01, 0, 0));
    Answer(Request(0x06, 1, 1, {0x04}));
    EXPECT_EQ(memory.Working().params[1], 0x04);
    EXPECT_EQ(memory.Flash().params[1], 0x03);
    const Report readBack = Answer(Request(0x05, 1, 1)); // reads see the working memory
    EXPECT_EQ(readBack[8], 0x04);
    Answer(Request(0x02, 0, 0));
    EXPECT_EQ(memory.Flash().params[1], 0x04);
    EXPECT_EQ(memory.FlashGeneration(), before + 1);

    // Outside a bracket a write is permanent at once.
    Answer(Request(0x11, 1, 0, {0xFF}));
    EXPECT_EQ(memory.Flash().keyColours[0], 0xFF);

    // Power lost in the middle of a bracket: the bracket's writes are gone.
    Answer(Request(0x01, 0, 0));
    Answer(Request(0x06, 1, 2, {0x00}));
    memory.PowerCycle();
    EXPECT_EQ(memory.Working().params[2], 0x01);
    EXPECT_FALSE(memory.TransferOpen());
}

TEST_F(FirmwareTest, AWrongReportChecksumIsAnsweredWithFEAndNothingIsDone) {
    Report request = Request(0x06, 1, 0, {0x09});
    request[1] ^= 0x01;
    const Report answer = Answer(request);
    EXPECT_EQ(answer[3], 0x06);
    EXPECT_EQ(answer[7], 0xFE);
    EXPECT_EQ(memory.Working().params[0], 0x05);
}

TEST_F(FirmwareTest, BootLoaderEntryLeavesWithoutAnAnswer) {
    Report request{};
    request[0] = 0x04;
    request[3] = 0xEE;
    request[4] = 0xEE; // no report checksum on this one
    const vkbd::Outcome outcome = handler.CarryOut(request);
    EXPECT_TRUE(outcome.enterBootLoader);
    EXPECT_FALSE(outcome.answer.has_value());
}

TEST_F(FirmwareTest, ShortReportsArePaddedAndForeignReportIdsIgnored) {
    const Report full = Request(0x01, 0, 0);
    const vkbd::Outcome shortOne = handler.CarryOut(std::span<const uint8_t>(full).first(8));
    ASSERT_TRUE(shortOne.answer.has_value());
    EXPECT_EQ((*shortOne.answer)[7], 0x00);

    Report foreign = full;
    foreign[0] = 0x05;
    EXPECT_FALSE(handler.CarryOut(foreign).answer.has_value());
}

TEST(MacroSpace, NoSpaceRefusesEveryMacroAccessAndTheSpaceFollowsByte11) {
    vkbd::KeyboardMemory memory{vkbd::FactoryImage(0)};
    vkbd::CommandHandler handler{memory};
    EXPECT_EQ((*handler.CarryOut(Request(0x0A, 1, 0, {0xAA})).answer)[7], 0xFF);
    memory.SetMacroUnits(1);
    EXPECT_EQ((*handler.CarryOut(Request(0x0A, 1, 127, {0xAA})).answer)[7], 0x00);
    EXPECT_EQ((*handler.CarryOut(Request(0x0A, 1, 128, {0xAA})).answer)[7], 0xFF);
    EXPECT_EQ(memory.Flash().config[11], 1);
}

} // namespace
