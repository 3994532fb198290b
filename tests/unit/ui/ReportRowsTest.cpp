#include "ui/ReportRows.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace ui;

class ReportRowsTest : public ::testing::Test {
protected:
    void Fill(int count, CheckMode mode) {
        rows.SetCheckMode(mode);
        for (int i = 0; i < count; ++i)
            rows.Insert(i);
        rows.SetCheckCallback([this](int row) { calls.push_back(row); });
    }
    std::vector<int> Checked() const {
        std::vector<int> out;
        for (int r = rows.NextRow(-1, kRowChecked); r >= 0; r = rows.NextRow(r, kRowChecked))
            out.push_back(r);
        return out;
    }
    ReportRows rows;
    std::vector<int> calls;
};

TEST_F(ReportRowsTest, SingleCheckMovesTheCheckAndReportsBothRows) {
    Fill(3, CheckMode::Single);
    rows.SetState(0, kRowChecked);
    EXPECT_EQ(calls, std::vector<int>{0});
    calls.clear();
    rows.SetState(2, kRowChecked);
    EXPECT_EQ(Checked(), std::vector<int>{2});
    EXPECT_EQ(calls, (std::vector<int>{2, 0})); // the new check, then the one it cleared
    calls.clear();
    rows.SetState(2, kRowChecked); // already checked: no change, no call
    EXPECT_TRUE(calls.empty());
    rows.SetState(2, kRowUnchecked);
    EXPECT_TRUE(Checked().empty());
    EXPECT_EQ(calls, std::vector<int>{2});
}

TEST_F(ReportRowsTest, CheckBoxesAreIndependent) {
    Fill(3, CheckMode::Boxes);
    rows.SetState(0, kRowChecked);
    rows.SetState(2, kRowChecked);
    EXPECT_EQ(Checked(), (std::vector<int>{0, 2}));
    EXPECT_EQ(calls, (std::vector<int>{0, 2}));
    calls.clear();
    rows.SetState(-1, kRowUnchecked);
    EXPECT_TRUE(Checked().empty());
    EXPECT_EQ(calls, (std::vector<int>{0, 2}));
}

TEST_F(ReportRowsTest, CheckingAllInSingleModeChecksOneRow) {
    Fill(3, CheckMode::Single);
    rows.SetState(2, kRowChecked);
    calls.clear();
    rows.SetState(-1, kRowChecked);
    EXPECT_EQ(Checked(), std::vector<int>{0});
    EXPECT_EQ(calls, (std::vector<int>{0, 2}));
}

TEST_F(ReportRowsTest, EnteringSingleModeKeepsTheFirstCheck) {
    Fill(4, CheckMode::Boxes);
    rows.SetState(1, kRowChecked);
    rows.SetState(3, kRowChecked);
    calls.clear();
    rows.SetCheckMode(CheckMode::Single);
    EXPECT_EQ(Checked(), std::vector<int>{1});
    EXPECT_EQ(calls, std::vector<int>{3});
}

TEST_F(ReportRowsTest, FindsRowsByState) {
    Fill(4, CheckMode::Boxes);
    rows.SetState(1, kRowSelected | kRowChecked);
    rows.SetState(3, kRowSelected | kRowFocused);
    EXPECT_EQ(rows.NextRow(-1, kRowSelected), 1);
    EXPECT_EQ(rows.NextRow(1, kRowSelected), 3);
    EXPECT_EQ(rows.NextRow(3, kRowSelected), -1);
    EXPECT_EQ(rows.NextRow(-1, kRowSelected | kRowUnchecked), 3);
    EXPECT_EQ(rows.NextRow(-1, kRowUnselected), 0);
    EXPECT_EQ(rows.NextRow(0, kRowAny), 1);
    EXPECT_TRUE(rows.HasState(3, kRowFocused));
    rows.SetState(0, kRowFocused); // the focus is one row's only
    EXPECT_FALSE(rows.HasState(3, kRowFocused));
    EXPECT_EQ(rows.NextRow(-1, kRowFocused), 0);
    EXPECT_FALSE(rows.HasState(4, kRowAny));
    EXPECT_FALSE(rows.SetState(4, kRowChecked));
}

TEST_F(ReportRowsTest, DeletingSelectsTheNextRowOrThePreviousAtTheEnd) {
    Fill(3, CheckMode::Boxes);
    rows.SetState(0, kRowSelected);
    ASSERT_TRUE(rows.Remove(0, true));
    EXPECT_EQ(rows.Count(), 2);
    EXPECT_EQ(rows.NextRow(-1, kRowSelected), 0); // the old row 1, now first
    rows.SetState(-1, kRowUnselected);
    rows.SetState(1, kRowSelected);
    ASSERT_TRUE(rows.Remove(1, true));
    EXPECT_EQ(rows.NextRow(-1, kRowSelected), 0); // the one before the last
    ASSERT_TRUE(rows.Remove(0, true));
    EXPECT_EQ(rows.Count(), 0);
    EXPECT_FALSE(rows.Remove(0, true));
}

TEST_F(ReportRowsTest, InsertingKeepsOtherRowsStates) {
    Fill(2, CheckMode::Boxes);
    rows.SetState(1, kRowChecked);
    EXPECT_EQ(rows.Insert(0), 0);
    EXPECT_EQ(rows.Insert(99), 3); // kept within the list
    EXPECT_EQ(Checked(), std::vector<int>{2});
}

} // namespace
