#include "DeviceFixture.h"

#include <chrono>
#include <functional>

#include "device/CommandReport.h"
#include "device/Commands.h"
#include "device/Exchange.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Report(const char* prefix) {
    Bytes r = Hex(prefix);
    r.resize(64, 0);
    return r;
}

Bytes Sent(const Fake& fake, int i) {
    auto w = fake.Write(i);
    return Bytes(w.begin(), w.end());
}

struct GoldenCase {
    const char* name;
    std::function<int32_t()> call;
    const char* wire; // the rest of the report is zero
};
void PrintTo(const GoldenCase& c, std::ostream* os) {
    *os << c.name;
}

class CommandGoldenTest : public DeviceTest, public ::testing::WithParamInterface<GoldenCase> {};

TEST_P(CommandGoldenTest, RequestOnTheWire) {
    const GoldenCase& c = GetParam();
    EXPECT_EQ(c.call(), 1);
    ASSERT_EQ(fake.WriteCount(), 1);
    EXPECT_EQ(Sent(fake, 0), Report(c.wire));
}

std::array<uint8_t, 48> Counting48() {
    std::array<uint8_t, 48> a{};
    for (int i = 0; i < 48; ++i)
        a[i] = static_cast<uint8_t>(i);
    return a;
}

const std::string kConfigData = [] {
    std::string s;
    char hex[4];
    for (int i = 0; i < 48; ++i) {
        std::snprintf(hex, sizeof hex, "%02X ", i);
        s += hex;
    }
    return s;
}();
const std::string kWriteConfigWire = "04 9C 04 04 30 00 00 00 " + kConfigData;

INSTANTIATE_TEST_SUITE_P(
    Builders, CommandGoldenTest,
    ::testing::Values(GoldenCase{"BeginTransfer", [] { return device::BeginTransfer(); },
                                 "04 01 00 01 00 00 00 00"},
                      GoldenCase{"EndTransfer", [] { return device::EndTransfer(); },
                                 "04 02 00 02 00 00 00 00"},
                      GoldenCase{"ReadConfig",
                                 [] {
                                     std::array<uint8_t, 48> c{};
                                     return device::ReadConfig(c);
                                 },
                                 "04 33 00 03 30 00 00 00"},
                      GoldenCase{"WriteConfig",
                                 [] {
                                     const auto c = Counting48();
                                     return device::WriteConfig(c);
                                 },
                                 kWriteConfigWire.c_str()},
                      GoldenCase{"ReadParams",
                                 [] {
                                     std::array<uint8_t, 56> out{};
                                     return device::ReadParams(out, 3, 84);
                                 },
                                 "04 5C 00 05 03 54 00 00"},
                      GoldenCase{"WriteParams",
                                 [] {
                                     const uint8_t d[] = {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x99};
                                     return device::WriteParams(d, 5, 42);
                                 },
                                 "04 31 04 06 05 2A 00 00 AA BB CC DD EE"},
                      GoldenCase{"ReadKeyColours",
                                 [] {
                                     std::array<uint8_t, 56> out{};
                                     return device::ReadKeyColours(out, 18, 36, 2);
                                 },
                                 "04 AF 00 10 12 8C 01 00"},
                      GoldenCase{"WriteKeyColours",
                                 [] {
                                     const uint8_t d[] = {1, 2, 3};
                                     return device::WriteKeyColours(d, 3, 0, 1);
                                 },
                                 "04 CE 00 11 03 B4 00 00 01 02 03"},
                      GoldenCase{"EnterBootLoader", [] { return device::EnterBootLoader(); },
                                 "04 00 00 EE EE 00 00 00"}),
    [](const auto& info) { return std::string(info.param.name); });

class CommandsTest : public DeviceTest {};

TEST_F(CommandsTest, KeyMapWriteIsTenChunksWithStaleTailInTheLast) {
    std::array<uint8_t, 512> map{};
    for (int i = 0; i < 512; ++i)
        map[i] = static_cast<uint8_t>(i * 7 + 3);
    ASSERT_EQ(device::WriteKeyMap(map, 1), 1);
    ASSERT_EQ(fake.WriteCount(), 10);
    for (int k = 0; k < 10; ++k) {
        const Bytes w = Sent(fake, k);
        const uint32_t length = k < 9 ? 56 : 8;
        const uint32_t position = 512 + 56 * k;
        EXPECT_EQ(w[3], 0x08);
        EXPECT_EQ(w[4], length) << "chunk " << k;
        EXPECT_EQ(w[5] | (w[6] << 8), position) << "chunk " << k;
        EXPECT_EQ(w[1] | (w[2] << 8),
                  device::ReportChecksum(std::span<const uint8_t, 64>(w.data(), 64)));
        for (uint32_t j = 0; j < length; ++j)
            EXPECT_EQ(w[8 + j], map[56 * k + j]);
    }
    // The last report still carries bytes 8..55 of the ninth chunk after its own 8 bytes.
    const Bytes last = Sent(fake, 9);
    for (int j = 8; j < 56; ++j)
        EXPECT_EQ(last[8 + j], map[448 + j]) << "byte " << 8 + j;
}

TEST_F(CommandsTest, MacroAreaOf57BytesKeepsTheFirstChunkBehindTheSecond) {
    std::vector<uint8_t> area(57);
    for (int i = 0; i < 57; ++i)
        area[i] = static_cast<uint8_t>(0x80 + i);
    ASSERT_EQ(device::WriteMacroArea(area, 57), 1);
    ASSERT_EQ(fake.WriteCount(), 2);
    const Bytes first = Sent(fake, 0), second = Sent(fake, 1);
    EXPECT_EQ(first[4], 56);
    EXPECT_EQ(first[5] | (first[6] << 8), 0);
    EXPECT_EQ(second[4], 1);
    EXPECT_EQ(second[5] | (second[6] << 8), 56);
    EXPECT_EQ(second[8], area[56]);
    for (int j = 1; j < 56; ++j)
        EXPECT_EQ(second[8 + j], area[j]);
    EXPECT_EQ(second[1] | (second[2] << 8),
              device::ReportChecksum(std::span<const uint8_t, 64>(second.data(), 64)));
}

TEST_F(CommandsTest, ChunkedReadsAssembleTheAnswers) {
    // The scripted keyboard answers data byte i of a read with position + i + command code.
    std::array<uint8_t, 512> map{};
    ASSERT_EQ(device::ReadKeyMap(map, 2), 1);
    ASSERT_EQ(fake.WriteCount(), 10);
    for (int k = 0; k < 512; ++k)
        ASSERT_EQ(map[k], static_cast<uint8_t>(1024 + k + 0x07)) << k;

    fake.Reset();
    std::array<uint8_t, 512> layout{};
    ASSERT_EQ(device::ReadDefaultLayout(layout), 1);
    EXPECT_EQ(Sent(fake, 9)[5] | (Sent(fake, 9)[6] << 8), 504);
    for (int k = 0; k < 512; ++k)
        ASSERT_EQ(layout[k], static_cast<uint8_t>(k + 0x0F)) << k;

    fake.Reset();
    std::vector<uint8_t> area(130, 0xAA);
    ASSERT_EQ(device::ReadMacroArea(area, 120), 1);
    EXPECT_EQ(fake.WriteCount(), 3);
    EXPECT_EQ(Sent(fake, 2)[4], 8);
    for (int k = 0; k < 120; ++k)
        ASSERT_EQ(area[k], static_cast<uint8_t>(k + 0x09)) << k;
    EXPECT_EQ(area[120], 0xAA) << "nothing beyond n is written";
}

TEST_F(CommandsTest, NothingIsSentForAPageOutOfRangeOrAnEmptyMacroArea) {
    std::array<uint8_t, 512> map{};
    std::vector<uint8_t> area(8);
    EXPECT_EQ(device::ReadKeyMap(map, 3), device::kCmdBadPage);
    EXPECT_EQ(device::WriteKeyMap(map, 7), device::kCmdBadPage);
    EXPECT_EQ(device::ReadMacroArea(area, 0), 1);
    EXPECT_EQ(device::WriteMacroArea(area, 0), 1);
    EXPECT_EQ(fake.WriteCount(), 0);
}

TEST_F(CommandsTest, SingleReportReadsCopyAll56AnswerBytes) {
    std::array<uint8_t, 56> out{};
    ASSERT_EQ(device::ReadParams(out, 3, 42), 1);
    for (int i = 0; i < 56; ++i)
        EXPECT_EQ(out[i], static_cast<uint8_t>(42 + i + 0x05));

    std::array<uint8_t, 48> config{};
    ASSERT_EQ(device::ReadConfig(config), 1);
    for (int i = 0; i < 48; ++i)
        EXPECT_EQ(config[i], static_cast<uint8_t>(i + 0x03));
}

TEST_F(CommandsTest, RefusalsBecomeTheirCodesAndCopyNothing) {
    for (int i = 0; i < 3; ++i)
        fake.PushAnswer(0, 0xFE, 0, 0, 0);
    std::array<uint8_t, 48> config;
    config.fill(0x5A);
    EXPECT_EQ(device::ReadConfig(config), device::kCmdRefusedFE);
    EXPECT_EQ(fake.WriteCount(), 3);
    for (uint8_t b : config)
        EXPECT_EQ(b, 0x5A);

    fake.Reset();
    for (int i = 0; i < 3; ++i)
        fake.PushAnswer(0, 0xFF, 0, 0, 0);
    EXPECT_EQ(device::BeginTransfer(), device::kCmdRefusedFF);
}

TEST_F(CommandsTest, AChunkThatFailsStopsTheTransferThere) {
    fake.PushAnswer(0, 0, 0, 0, 0);
    fake.PushAnswer(0, 0, 0, 0, 0);
    for (int i = 0; i < 3; ++i)
        fake.PushAnswer(1, 0, 0, 0, 0);
    std::array<uint8_t, 512> map{};
    EXPECT_EQ(device::WriteKeyMap(map, 0), device::kExchangeNoAnswer);
    EXPECT_EQ(fake.WriteCount(), 5);
    EXPECT_EQ(Sent(fake, 4)[5], 112);
}

TEST_F(CommandsTest, EndTransferWaitsBeforeSending) {
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(device::EndTransfer(), 1);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(10));
}

TEST_F(CommandsTest, BootLoaderEntryIsSentWithoutWaitingForAnAnswer) {
    fake.SetDeviceCount(0); // not counted: SendReport bypasses the exchange
    EXPECT_EQ(device::EnterBootLoader(), 1);
    EXPECT_EQ(fake.WriteCount(), 1);
    fake.SetWriteResult(2);
    EXPECT_EQ(device::EnterBootLoader(), 2) << "the library's result is passed on unchanged";
}

} // namespace
