#include "ui/SliderModel.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using ui::SliderKey;
using ui::SliderModel;

// Five positions 0..4 over a track whose thumb stops 10 pixels from each edge of a
// 90-pixel control: position p sits at x = 10 + 17.5 p.
SliderModel FiveSteps() {
    SliderModel s;
    s.SetRange(0, 4);
    s.SetTrack(90, 10, 10);
    return s;
}

TEST(SliderModelTest, MapsPixelsToPositionsBeyondTheEnds) {
    const SliderModel s = FiveSteps();
    EXPECT_EQ(s.PositionAt(10), 0);
    EXPECT_EQ(s.PositionAt(28), 1);
    EXPECT_EQ(s.PositionAt(80), 4);
    EXPECT_EQ(s.PositionAt(110), 6);
    EXPECT_EQ(s.PositionAt(-20), -2);
}

TEST(SliderModelTest, DraggingPastTheEndKeepsReportingTheEnd) {
    SliderModel s = FiveSteps();
    EXPECT_EQ(s.Press(45), std::optional<int>(2));
    EXPECT_TRUE(s.Dragging());
    EXPECT_EQ(s.Drag(45), std::nullopt); // still over position 2: nothing to tell
    EXPECT_EQ(s.Drag(80), std::optional<int>(4));
    EXPECT_EQ(s.Drag(80), std::nullopt);
    EXPECT_EQ(s.Drag(100), std::optional<int>(4)); // past the end
    EXPECT_EQ(s.Drag(130), std::optional<int>(4));
    EXPECT_EQ(s.Position(), 4);
    EXPECT_EQ(s.Release(), std::optional<int>(4)); // once more on release
    EXPECT_FALSE(s.Dragging());
    EXPECT_EQ(s.Drag(10), std::nullopt); // no longer dragging
    EXPECT_EQ(s.Release(), std::nullopt);
}

TEST(SliderModelTest, ReleaseReportsEvenWithoutAMove) {
    SliderModel s = FiveSteps();
    s.SetPosition(1);
    EXPECT_EQ(s.Press(28), std::nullopt);
    EXPECT_EQ(s.Release(), std::optional<int>(1));
}

TEST(SliderModelTest, KeysStepAndAlwaysReport) {
    SliderModel s = FiveSteps();
    s.SetPageStep(2);
    s.SetPosition(1);
    EXPECT_EQ(s.Key(SliderKey::Right), std::optional<int>(2));
    EXPECT_EQ(s.Key(SliderKey::Down), std::optional<int>(3));
    EXPECT_EQ(s.Key(SliderKey::PageDown), std::optional<int>(4)); // kept within the range
    EXPECT_EQ(s.Key(SliderKey::End), std::optional<int>(4));      // unchanged, still told
    EXPECT_EQ(s.Key(SliderKey::PageUp), std::optional<int>(2));
    EXPECT_EQ(s.Key(SliderKey::Up), std::optional<int>(1));
    EXPECT_EQ(s.Key(SliderKey::Left), std::optional<int>(0));
    EXPECT_EQ(s.Key(SliderKey::Left), std::optional<int>(0));
    EXPECT_EQ(s.Key(SliderKey::End), std::optional<int>(4));
    EXPECT_EQ(s.Key(SliderKey::Home), std::optional<int>(0));
}

TEST(SliderModelTest, DisabledSliderIgnoresInput) {
    SliderModel s = FiveSteps();
    s.SetEnabled(false);
    EXPECT_EQ(s.Press(80), std::nullopt);
    EXPECT_FALSE(s.Dragging());
    EXPECT_EQ(s.Key(SliderKey::End), std::nullopt);
    EXPECT_EQ(s.Position(), 0);
    // Disabling in the middle of a drag ends it without a report.
    s.SetEnabled(true);
    s.Press(45);
    s.SetEnabled(false);
    EXPECT_EQ(s.Release(), std::nullopt);
}

TEST(SliderModelTest, RangeChangesKeepThePositionInside) {
    SliderModel s = FiveSteps();
    s.SetPosition(9);
    EXPECT_EQ(s.Position(), 4);
    s.SetRange(10, 2); // given backwards
    EXPECT_EQ(s.Minimum(), 2);
    EXPECT_EQ(s.Maximum(), 10);
    EXPECT_EQ(s.Position(), 4);
    s.SetRange(6, 10);
    EXPECT_EQ(s.Position(), 6);
}

} // namespace
