#include "ui/FaceChoice.h"

#include <gtest/gtest.h>

namespace {

using ui::Face;
using ui::FaceState;

struct FaceCase {
    FaceState state;
    Face expected;
};

TEST(FaceChoiceTest, FollowsThePriorityOrder) {
    const FaceCase cases[] = {
        {{}, Face::Normal},
        {{.latched = true}, Face::Latched},
        {{.hover = true, .latched = true}, Face::Hover},
        {{.pressed = true, .hover = true, .latched = true}, Face::Pressed},
        {{.colourKey = true, .pressed = true, .hover = true}, Face::ColourUnmarked},
        {{.colourKey = true, .marked = true, .pressed = true}, Face::ColourMarked},
        {{.disabled = true, .pressed = true, .latched = true}, Face::Disabled},
        {{.disabled = true, .colourKey = true, .marked = true}, Face::Disabled},
        {{.marked = true}, Face::Normal}, // the marked flag alone changes nothing
    };
    for (const FaceCase& c : cases)
        EXPECT_EQ(ui::ChooseFace(c.state), c.expected);
}

} // namespace
