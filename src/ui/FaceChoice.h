#pragma once

// Which of an image button's faces is drawn.

namespace ui {

enum class Face { Normal, Hover, Pressed, Disabled, Latched, ColourUnmarked, ColourMarked };

struct FaceState {
    bool disabled = false;
    bool colourKey = false; // colour-key mode on
    bool marked = false;    // colour-key mode: the marked surface
    bool pressed = false;
    bool hover = false;
    bool latched = false;
};

// Disabled beats everything, then colour-key mode, pressed, hover and latched.
constexpr Face ChooseFace(const FaceState& s) {
    if (s.disabled)
        return Face::Disabled;
    if (s.colourKey)
        return s.marked ? Face::ColourMarked : Face::ColourUnmarked;
    if (s.pressed)
        return Face::Pressed;
    if (s.hover)
        return Face::Hover;
    if (s.latched)
        return Face::Latched;
    return Face::Normal;
}

} // namespace ui
