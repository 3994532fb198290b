#include "ui/CaptionFormat.h"

#include <gtest/gtest.h>

namespace {

using namespace ui;

TEST(CaptionFormatTest, ReadsTheDrawTextFlags) {
    // 0x25: centred both ways on one line (the main window's captions).
    EXPECT_EQ(PlacementOfFormat(0x25),
              (CaptionPlacement{HorizontalPlace::Centre, VerticalPlace::Middle, true, false, true,
                                false}));
    // 0x24: left-aligned, vertically centred (the version text).
    EXPECT_EQ(PlacementOfFormat(0x24).horizontal, HorizontalPlace::Left);
    EXPECT_EQ(PlacementOfFormat(0x24).vertical, VerticalPlace::Middle);
    // Vertical placement needs a single line; word breaks need several.
    EXPECT_EQ(PlacementOfFormat(0x04 | 0x10).vertical, VerticalPlace::Top);
    EXPECT_TRUE(PlacementOfFormat(0x10).wordBreak);
    EXPECT_FALSE(PlacementOfFormat(0x30).wordBreak);
    EXPECT_EQ(PlacementOfFormat(0x2A).horizontal, HorizontalPlace::Right);
    EXPECT_EQ(PlacementOfFormat(0x2A).vertical, VerticalPlace::Bottom);
    EXPECT_FALSE(PlacementOfFormat(0x825).mnemonic);
    EXPECT_TRUE(PlacementOfFormat(0x8000).ellipsis);
}

TEST(CaptionFormatTest, ScalesPointSizesAndWeighsRotatedCaptions) {
    EXPECT_EQ(FontPixelHeight(9, 96), 12);
    EXPECT_EQ(FontPixelHeight(8, 96), 11); // 10.67 rounds up
    EXPECT_EQ(FontPixelHeight(18, 120), 30);
    EXPECT_EQ(CaptionWeight(false), 400);
    EXPECT_EQ(CaptionWeight(true), 956);
}

} // namespace
