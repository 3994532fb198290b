#pragma once

// The rows of the report list: their check marks under the three check modes, their state
// bits, and which row is selected when one is deleted. The list control shows what this
// holds; the check-change callback hears of every change of a check, whoever made it.

#include <cstdint>
#include <functional>
#include <vector>

namespace ui {

// Row state bits, as the list's users name them.
inline constexpr uint32_t kRowAny = 0x01;
inline constexpr uint32_t kRowSelected = 0x02;
inline constexpr uint32_t kRowUnselected = 0x04;
inline constexpr uint32_t kRowChecked = 0x08;
inline constexpr uint32_t kRowUnchecked = 0x10;
inline constexpr uint32_t kRowFocused = 0x20;
inline constexpr uint32_t kRowUnfocused = 0x40;

enum class CheckMode { None = 0, Boxes = 1, Single = 2 };

class ReportRows {
public:
    using CheckCallback = std::function<void(int row)>;

    // Leaving the single-check mode keeps the checks; entering it keeps only the first one.
    void SetCheckMode(CheckMode mode);
    CheckMode Mode() const { return mode_; }
    void SetCheckCallback(CheckCallback callback) { callback_ = std::move(callback); }

    int Count() const { return static_cast<int>(rows_.size()); }
    // Inserts an unchecked, unselected row at `row` (kept within 0..Count); returns its index.
    int Insert(int row);
    // Removes a row. With selectNeighbour, the row after it (or the one before it when it is
    // the last) is selected first. Returns false for a row that does not exist.
    bool Remove(int row, bool selectNeighbour);
    void Clear();

    // Applies each bit of `state` to the row (-1: every row): selected/unselected,
    // checked/unchecked, focused/unfocused. Checking a row in single-check mode unchecks every
    // other row. Only one row has the focus. Returns false for a row that does not exist.
    bool SetState(int row, uint32_t state);
    // True when the row has every state named (kRowAny: any row that exists).
    bool HasState(int row, uint32_t state) const;
    // The first row after `after` (-1: from the start) that has the state; -1 for none.
    int NextRow(int after, uint32_t state) const;

    bool Checked(int row) const { return HasState(row, kRowChecked); }
    bool Selected(int row) const { return HasState(row, kRowSelected); }

private:
    struct Row {
        bool checked = false;
        bool selected = false;
        bool focused = false;
    };
    bool Valid(int row) const { return row >= 0 && row < Count(); }
    void SetCheck(int row, bool on, std::vector<int>& changed);
    void Notify(const std::vector<int>& changed) const;

    std::vector<Row> rows_;
    CheckMode mode_ = CheckMode::None;
    CheckCallback callback_;
};

} // namespace ui
