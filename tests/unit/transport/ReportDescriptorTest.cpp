// Which report ids the collections of a node use.

#include <gtest/gtest.h>

#include "common/ReportDescriptor.h"
#include "lib/ReportRouter.h"
#include "vkbd/FactoryContent.h"

namespace {

using olvask::Usage;

// A typical second interface of a keyboard: system control (id 2), consumer control (id 3)
// with a nested logical collection, and a vendor collection (id 4) whose usage is given
// with a four-byte usage, inside Push/Pop.
const std::vector<uint8_t> kTwoPageInterface = {
    0x05, 0x01, 0x09, 0x80, 0xA1, 0x01, 0x85, 0x02, 0x19, 0x81, 0x29, 0x83, 0x75, 0x01, 0x95, 0x03,
    0x81, 0x02, 0x95, 0x05, 0x81, 0x01, 0xC0, 0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x03, 0x09,
    0x36, 0xA1, 0x02, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0xC0, 0xC0, 0xA4, 0x0B, 0x92, 0x00, 0x1C,
    0xFF, 0xA1, 0x01, 0x85, 0x04, 0x75, 0x08, 0x95, 0x3F, 0x81, 0x02, 0x91, 0x02, 0xB4, 0xC0,
};

TEST(ReportDescriptor, FindsTheTopLevelCollectionsAndTheirReportIds) {
    const auto layout = olvask::ParseReportDescriptor(kTwoPageInterface);
    ASSERT_TRUE(layout);
    EXPECT_TRUE(layout->numbered);
    ASSERT_EQ(layout->collections.size(), 3u);
    EXPECT_EQ(layout->collections[0].usage, (Usage{0x0001, 0x0080}));
    EXPECT_EQ(layout->collections[0].inputIds, std::vector<uint8_t>{2});
    EXPECT_EQ(layout->collections[1].usage, (Usage{0x000C, 0x0001}));
    EXPECT_EQ(layout->collections[1].inputIds, std::vector<uint8_t>{3});
    EXPECT_EQ(layout->collections[2].usage, (Usage{0xFF1C, 0x0092}));
    EXPECT_EQ(layout->collections[2].inputIds, std::vector<uint8_t>{4});
    EXPECT_EQ(layout->collections[2].outputIds, std::vector<uint8_t>{4});
}

TEST(ReportDescriptor, ReadsTheVirtualKeyboardsOwnDescriptor) {
    const auto layout = olvask::ParseReportDescriptor(vkbd::ReportDescriptor());
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->collections.size(), 3u);
    EXPECT_EQ(layout->collections[0].usage, olvask::kConsumerCollection);
    EXPECT_EQ(layout->collections[1].usage, olvask::kLedCollection);
    EXPECT_EQ(layout->collections[1].outputIds, std::vector<uint8_t>{5});
    EXPECT_TRUE(layout->collections[1].inputIds.empty());
    EXPECT_EQ(layout->collections[2].usage, olvask::kVendorCollection);
}

TEST(ReportDescriptor, RefusesWhatDoesNotHoldTogether) {
    const std::vector<std::vector<uint8_t>> broken = {
        {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01}, // collection never closed
        {0xC0},                               // closed but never opened
        {0x05, 0x0C, 0x26, 0xFF},             // item cut short
        {0xB4},                               // pop without push
        {0xFE, 0x10, 0x00, 0x01},             // long item cut short
    };
    for (const auto& bytes : broken)
        EXPECT_FALSE(olvask::ParseReportDescriptor(bytes));
}

TEST(ReportRouter, RoutesByReportIdOnlyToServedCollections) {
    const auto layout = olvask::ParseReportDescriptor(kTwoPageInterface);
    const olvask::ReportRouter router(layout,
                                      {olvask::kConsumerCollection, olvask::kVendorCollection});
    EXPECT_EQ(router.Route(std::vector<uint8_t>{0x03, 0xFF, 0x02}), olvask::kConsumerCollection);
    EXPECT_EQ(router.Route(std::vector<uint8_t>(64, 0x04)), olvask::kVendorCollection);
    EXPECT_FALSE(router.Route(std::vector<uint8_t>{0x02, 0x01})); // system control: not served
    EXPECT_FALSE(router.Route(std::vector<uint8_t>{0x09, 0x00}));
    EXPECT_FALSE(router.Route(std::vector<uint8_t>{}));
}

TEST(ReportRouter, ANodeWithoutReportIdsSendsEverythingToItsCollection) {
    // Consumer control alone on its interface, no report ids.
    const std::vector<uint8_t> single = {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x75,
                                         0x10, 0x95, 0x01, 0x81, 0x00, 0xC0};
    const olvask::ReportRouter router(olvask::ParseReportDescriptor(single),
                                      {olvask::kConsumerCollection});
    EXPECT_FALSE(router.Numbered());
    EXPECT_EQ(router.Route(std::vector<uint8_t>{0x11, 0x18}), olvask::kConsumerCollection);

    // Without a descriptor only a node with a single collection can be routed.
    const olvask::ReportRouter blind(std::nullopt, {olvask::kVendorCollection});
    EXPECT_EQ(blind.Route(std::vector<uint8_t>{0x04, 0x01}), olvask::kVendorCollection);
    const olvask::ReportRouter lost(std::nullopt,
                                    {olvask::kVendorCollection, olvask::kConsumerCollection});
    EXPECT_FALSE(lost.Route(std::vector<uint8_t>{0x04, 0x01}));
}

} // namespace
