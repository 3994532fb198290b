#pragma once

// The bitmap slider's behaviour: range, position, steps, and what the mouse and the keys do.
// Every input that moves the slider reports the position that its owner is to be told.

#include <optional>

namespace ui {

enum class SliderKey { Left, Right, Up, Down, PageUp, PageDown, Home, End };

class SliderModel {
public:
    void SetRange(int minimum, int maximum);
    int Minimum() const { return min_; }
    int Maximum() const { return max_; }
    // Kept within the range.
    void SetPosition(int position);
    int Position() const { return pos_; }
    void SetLineStep(int step) { line_ = step; }
    void SetPageStep(int step) { page_ = step; }
    void SetEnabled(bool enabled);
    bool Enabled() const { return enabled_; }
    bool Dragging() const { return dragging_; }

    // The track: the control's width and the margins at which the thumb's centre stops.
    void SetTrack(int width, int leftMargin, int rightMargin);
    // The position under x, not limited to the range: a mouse past the end gives a position
    // past the end.
    int PositionAt(int x) const;
    // Where the thumb's centre stands for the present position.
    int ThumbCentre() const;

    // Left button down: starts dragging (when enabled); a position under the mouse that
    // differs from the present one is taken and reported.
    std::optional<int> Press(int x);
    // Mouse move while dragging: as Press.
    std::optional<int> Drag(int x);
    // Left button up: stops dragging and reports the final position, whether it moved or not.
    std::optional<int> Release();
    // A key moves by the line or page step or to an end, and always reports.
    std::optional<int> Key(SliderKey key);

private:
    std::optional<int> MoveTo(int x);

    int min_ = 0;
    int max_ = 100;
    int pos_ = 0;
    int line_ = 1;
    int page_ = 10;
    bool enabled_ = true;
    bool dragging_ = false;
    int width_ = 0;
    int left_ = 0;
    int right_ = 0;
};

} // namespace ui
