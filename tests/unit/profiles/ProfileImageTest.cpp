#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "profiles/ProfileFile.h"
#include "profiles/ProfileImage.h"
#include "support/StoreFixture.h"

using namespace profiles;

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> list) {
    std::vector<uint8_t> out;
    for (int b : list)
        out.push_back(static_cast<uint8_t>(b));
    return out;
}

const std::vector<uint8_t> kKeyTableHeader =
    Bytes({0x4B, 0x48, 0x20, 0x00, 0x20, 0x80, 0x00, 0x00, 0x04, 0x00, 0x00,
           0x02, 0x00, 0x00, 0x00, 0x00, 0x45, 0x0C, 0x15, 0x65, 0x4F, 0x1C,
           0x0E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});

} // namespace

TEST(FileHeader, TwoMacrosAndFortyTextBytes) {
    auto image = std::make_unique<ProfileImage>();
    std::memset(static_cast<void*>(image.get()), 0xCC, sizeof(ProfileImage));
    BuildFileHeader(*image, 2, 40, 0);
    std::vector<uint8_t> header(32);
    std::memcpy(header.data(), image.get(), 32);
    // total 32,832 + 2 x 16,512 + 40 = 65,896; the checksum of bytes 0..30 comes last
    EXPECT_EQ(header, Bytes({0x46, 0x44, 0x20, 0x00, 0x03, 0x00, 0x01, 0x00, 0x68, 0x01, 0x01,
                             0x00, 0x00, 0x08, 0x02, 0x00, 0x28, 0x00, 0x00, 0x00, 0x00, 0x00,
                             0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x4A}));
    // the rest of the image is not touched
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(image.get())[32], 0xCC);
}

TEST(FileHeader, FlagEntersTheChecksum) {
    auto image = std::make_unique<ProfileImage>();
    BuildFileHeader(*image, 0, 0, 1);
    EXPECT_EQ(image->header.flag, 1);
    EXPECT_EQ(image->header.checksum, 0x77);
    EXPECT_EQ(CheckFileHeader(image->header), HeaderFault::None);
}

class DefaultProfileTest : public StoreTest {};

TEST_F(DefaultProfileTest, FileIsTheHeaderTheKeyTableHeaderAndFourDefaultBlocks) {
    ASSERT_EQ(CreateDefaultProfile(File("default.bvx"), 0, false), 1);
    const std::vector<uint8_t> file = ReadBytes(File("default.bvx"));
    ASSERT_EQ(file.size(), 32832u);

    std::vector<uint8_t> expected(32832, 0);
    const auto header = Bytes({0x46, 0x44, 0x20, 0x00, 0x03, 0x00, 0x01, 0x00, 0x40, 0x80, 0x00,
                               0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                               0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x76});
    std::copy(header.begin(), header.end(), expected.begin());
    std::copy(kKeyTableHeader.begin(), kKeyTableHeader.end(), expected.begin() + 32);
    for (size_t block = 0; block < 4; ++block) {
        for (int n = 1; n <= 9; ++n) {
            // entries 256..264 carry 0x0301..0x0309, entries 265..273 0x1301..0x1309
            const size_t a = 0x40 + block * 512 * 16 + (255 + n) * 16 + 2;
            const size_t b = 0x40 + block * 512 * 16 + (264 + n) * 16 + 2;
            expected[a] = static_cast<uint8_t>(n);
            expected[a + 1] = 0x03;
            expected[b] = static_cast<uint8_t>(n);
            expected[b + 1] = 0x13;
        }
    }
    EXPECT_EQ(file, expected);
}

TEST_F(DefaultProfileTest, InMemoryBecomesTheStoresImage) {
    ReleaseProfileStore();
    ASSERT_EQ(Store().image, nullptr);
    ASSERT_EQ(CreateDefaultProfile({}, 0, true), 1);
    ASSERT_NE(Store().image, nullptr);
    EXPECT_EQ(Store().image->header.totalSize, 32832u);
    EXPECT_EQ(Entry(2, 273).code, 0x1309);
    EXPECT_EQ(Entry(2, 256).kind, 0);
}

TEST_F(DefaultProfileTest, ReleasingTheStoreKeepsTheTextTable) {
    ASSERT_EQ(SetEntryText(5, u"notepad"), 1);
    Entry(0, 5).kind = 3;
    ASSERT_EQ(Store().textBytes, 16u);
    const TextTable* table = Store().texts.get();
    ReleaseProfileStore();
    EXPECT_EQ(Store().texts.get(), table);
    EXPECT_EQ(Store().texts->entries[5].length, 0u);
    EXPECT_EQ(Store().texts->entries[5].text, nullptr);
    EXPECT_EQ(Store().textBytes, 0u);
    EXPECT_EQ(Store().image, nullptr);
    EXPECT_EQ(Store().macroCount, 0);
}

TEST_F(DefaultProfileTest, EntryTextsKeepTheTextBytesInStep) {
    ASSERT_EQ(SetEntryText(10, u"abc"), 1);
    ASSERT_EQ(SetEntryText(11, u"de"), 1);
    EXPECT_EQ(Store().textBytes, 8u + 6u);
    ASSERT_EQ(SetEntryText(10, u"x"), 1);
    EXPECT_EQ(Store().textBytes, 4u + 6u);
    ASSERT_EQ(SetEntryText(11, u""), 1);
    EXPECT_EQ(Store().textBytes, 4u);
    EXPECT_EQ(Store().texts->entries[10].View(), u"x");
    EXPECT_EQ(SetEntryText(2048, u"out of range"), 0);
}
