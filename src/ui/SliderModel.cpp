#include "ui/SliderModel.h"

#include <algorithm>
#include <cmath>

namespace ui {

void SliderModel::SetRange(int minimum, int maximum) {
    min_ = std::min(minimum, maximum);
    max_ = std::max(minimum, maximum);
    pos_ = std::clamp(pos_, min_, max_);
}

void SliderModel::SetPosition(int position) {
    pos_ = std::clamp(position, min_, max_);
}

void SliderModel::SetEnabled(bool enabled) {
    enabled_ = enabled;
    if (!enabled)
        dragging_ = false;
}

void SliderModel::SetTrack(int width, int leftMargin, int rightMargin) {
    width_ = width;
    left_ = leftMargin;
    right_ = rightMargin;
}

int SliderModel::PositionAt(int x) const {
    const int span = width_ - left_ - right_;
    if (span <= 0 || max_ == min_)
        return min_;
    const double steps = double(x - left_) * (max_ - min_) / span;
    return min_ + static_cast<int>(std::lround(steps));
}

int SliderModel::ThumbCentre() const {
    const int span = width_ - left_ - right_;
    if (max_ == min_)
        return left_;
    return left_ + static_cast<int>(std::lround(double(pos_ - min_) * span / (max_ - min_)));
}

std::optional<int> SliderModel::MoveTo(int x) {
    const int under = PositionAt(x);
    if (under == pos_)
        return std::nullopt;
    SetPosition(under);
    return pos_;
}

std::optional<int> SliderModel::Press(int x) {
    if (!enabled_)
        return std::nullopt;
    dragging_ = true;
    return MoveTo(x);
}

std::optional<int> SliderModel::Drag(int x) {
    if (!dragging_)
        return std::nullopt;
    return MoveTo(x);
}

std::optional<int> SliderModel::Release() {
    if (!dragging_)
        return std::nullopt;
    dragging_ = false;
    return pos_;
}

std::optional<int> SliderModel::Key(SliderKey key) {
    if (!enabled_)
        return std::nullopt;
    switch (key) {
    case SliderKey::Left:
    case SliderKey::Up:
        SetPosition(pos_ - line_);
        break;
    case SliderKey::Right:
    case SliderKey::Down:
        SetPosition(pos_ + line_);
        break;
    case SliderKey::PageUp:
        SetPosition(pos_ - page_);
        break;
    case SliderKey::PageDown:
        SetPosition(pos_ + page_);
        break;
    case SliderKey::Home:
        pos_ = min_;
        break;
    case SliderKey::End:
        pos_ = max_;
        break;
    }
    return pos_;
}

} // namespace ui
