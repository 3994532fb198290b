#include "ui/ReportRows.h"

#include <algorithm>

namespace ui {

void ReportRows::SetCheckMode(CheckMode mode) {
    mode_ = mode;
    if (mode != CheckMode::Single)
        return;
    std::vector<int> changed;
    const int first = NextRow(-1, kRowChecked);
    for (int r = first + 1; first >= 0 && r < Count(); ++r)
        SetCheck(r, false, changed);
    Notify(changed);
}

int ReportRows::Insert(int row) {
    row = std::clamp(row, 0, Count());
    rows_.insert(rows_.begin() + row, Row{});
    return row;
}

bool ReportRows::Remove(int row, bool selectNeighbour) {
    if (!Valid(row))
        return false;
    if (selectNeighbour && Count() > 1)
        SetState(row + 1 < Count() ? row + 1 : row - 1, kRowSelected);
    rows_.erase(rows_.begin() + row);
    return true;
}

void ReportRows::Clear() {
    rows_.clear();
}

void ReportRows::SetCheck(int row, bool on, std::vector<int>& changed) {
    if (rows_[row].checked == on)
        return;
    rows_[row].checked = on;
    changed.push_back(row);
}

void ReportRows::Notify(const std::vector<int>& changed) const {
    if (!callback_)
        return;
    for (int row : changed)
        callback_(row);
}

bool ReportRows::SetState(int row, uint32_t state) {
    if (row == -1) {
        for (int r = 0; r < Count(); ++r)
            SetState(r, state & ~(kRowChecked | kRowFocused));
        // One row at most takes the check in single-check mode, and one the focus.
        if ((state & kRowChecked) && mode_ == CheckMode::Single && Count() > 0) {
            SetState(0, kRowChecked);
        } else if (state & kRowChecked) {
            std::vector<int> changed;
            for (int r = 0; r < Count(); ++r)
                SetCheck(r, true, changed);
            Notify(changed);
        }
        if ((state & kRowFocused) && Count() > 0)
            SetState(0, kRowFocused);
        return true;
    }
    if (!Valid(row))
        return false;
    Row& r = rows_[row];
    if (state & kRowSelected)
        r.selected = true;
    if (state & kRowUnselected)
        r.selected = false;
    if (state & kRowFocused) {
        for (Row& other : rows_)
            other.focused = false;
        r.focused = true;
    }
    if (state & kRowUnfocused)
        r.focused = false;
    std::vector<int> changed;
    if (state & kRowChecked) {
        SetCheck(row, true, changed);
        if (mode_ == CheckMode::Single)
            for (int other = 0; other < Count(); ++other)
                if (other != row)
                    SetCheck(other, false, changed);
    }
    if (state & kRowUnchecked)
        SetCheck(row, false, changed);
    Notify(changed);
    return true;
}

bool ReportRows::HasState(int row, uint32_t state) const {
    if (!Valid(row))
        return false;
    const Row& r = rows_[row];
    if ((state & kRowSelected) && !r.selected)
        return false;
    if ((state & kRowUnselected) && r.selected)
        return false;
    if ((state & kRowChecked) && !r.checked)
        return false;
    if ((state & kRowUnchecked) && r.checked)
        return false;
    if ((state & kRowFocused) && !r.focused)
        return false;
    if ((state & kRowUnfocused) && r.focused)
        return false;
    return true;
}

int ReportRows::NextRow(int after, uint32_t state) const {
    for (int r = std::max(after + 1, 0); r < Count(); ++r)
        if (HasState(r, state))
            return r;
    return -1;
}

} // namespace ui
