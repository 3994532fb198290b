#pragma once

// A report-style list with columns, optional check boxes (none, one per row, or a single
// check among all rows), per-row data and a callback for every change of a check, made by
// the user or by a call. Row states use the bits of ReportRows.

#include "ui/ReportRows.h"

#include <QTreeWidget>

#include <cstdint>
#include <functional>

namespace ui {

class CReportCtrl : public QTreeWidget {
    Q_OBJECT
public:
    explicit CReportCtrl(QWidget* parent = nullptr);

    // Alignment: Qt::AlignLeft, AlignHCenter or AlignRight. Returns the column's index.
    int InsertColumn(int column, const QString& header, Qt::Alignment alignment, int width);
    bool DeleteColumn(int column);
    int GetColumnCount() const { return columnCount(); }

    // Returns the new row's index (kept within 0..count).
    int InsertItem(int row, const QString& text);
    // Deleting can first select the next row (or the previous one for the last row).
    bool DeleteItem(int row, bool selectNeighbour = true);
    void DeleteAllItems();
    int GetItemCount() const { return rows_.Count(); }
    bool SetItemText(int row, int column, const QString& text);
    QString GetItemText(int row, int column) const;
    bool SetItemData(int row, quintptr data);
    quintptr GetItemData(int row) const;

    bool SetItemStates(int row, uint32_t state);
    bool ExamItemStates(int row, uint32_t state) const;
    int GetFirstItem(uint32_t state, int after = -1) const;

    void SetCheckboxeStyle(CheckMode mode);
    CheckMode GetCheckboxeStyle() const { return rows_.Mode(); }
    void SetCheckChangeCallback(std::function<void(int row)> callback) {
        userCallback_ = std::move(callback);
    }
    void SetGridLines(bool on);
    bool GridLines() const { return gridLines_; }
    // Cells that the view's item delegates may edit in place.
    void SetCellsEditable(bool on);

private:
    void Pull(); // the user changed selection or focus in the view
    void Push(); // the view shows what the rows hold
    void CheckChanged(int row);
    void ItemChanged(QTreeWidgetItem* item, int column);

    ReportRows rows_;
    std::function<void(int)> userCallback_;
    bool gridLines_ = false;
    bool editable_ = false;
    bool pushing_ = false;
};

} // namespace ui
