#include "ui/MaskRegion.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using ui::PixelRun;

constexpr uint32_t W = 0xFFFFFFFF; // pure white
constexpr uint32_t K = 0xFF000000; // black

std::vector<PixelRun> Runs(const std::vector<uint32_t>& pixels, int width, int height,
                           int stride = 0) {
    return ui::CollectWindowRuns(pixels, width, height, stride ? stride : width, {255, 255, 255},
                                 0);
}

TEST(MaskRegionTest, AllWhiteGivesNoRuns) {
    EXPECT_TRUE(Runs({W, W, W, W, W, W}, 3, 2).empty());
}

TEST(MaskRegionTest, CollectsOneRunPerStretchOfWindowPixels) {
    const std::vector<uint32_t> mask = {
        W, K, K, W, K, //
        K, K, K, K, K, //
        W, W, W, W, W, //
    };
    EXPECT_EQ(Runs(mask, 5, 3), (std::vector<PixelRun>{{1, 0, 2}, {4, 0, 1}, {0, 1, 5}}));
}

TEST(MaskRegionTest, OnlyExactWhiteIsTransparentAtToleranceZero) {
    const uint32_t nearWhite = 0xFFFEFFFF; // 254, 255, 255
    EXPECT_EQ(Runs({W, nearWhite, W}, 3, 1), (std::vector<PixelRun>{{1, 0, 1}}));
    // Alpha is not a colour: a white pixel with any alpha is still white.
    EXPECT_TRUE(Runs({0x00FFFFFF}, 1, 1).empty());
}

TEST(MaskRegionTest, ToleranceWidensTheRangeUpwardsCappedAt255) {
    EXPECT_TRUE(ui::IsTransparent({255, 252, 250}, {250, 250, 250}, 10));
    EXPECT_FALSE(ui::IsTransparent({249, 252, 250}, {250, 250, 250}, 10));
    EXPECT_TRUE(ui::IsTransparent({10, 20, 30}, {10, 20, 30}, 0));
    EXPECT_FALSE(ui::IsTransparent({11, 20, 30}, {10, 20, 30}, 0));
}

TEST(MaskRegionTest, IgnoresRowPaddingAndRefusesShortBuffers) {
    // Width 2 in rows of 3: the third pixel of each row is padding.
    EXPECT_EQ(Runs({K, W, K, W, K, K}, 2, 2, 3), (std::vector<PixelRun>{{0, 0, 1}, {1, 1, 1}}));
    EXPECT_TRUE(Runs({K, K, K}, 2, 2).empty());
}

} // namespace
