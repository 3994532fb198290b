#include "ui/CReportCtrl.h"

#include "ui/SkinPalette.h"

#include <QHeaderView>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>

namespace ui {

namespace {

// Draws the grid lines, and check boxes that read well on the skin's dark fields.
class GridDelegate : public QStyledItemDelegate {
public:
    GridDelegate(const CReportCtrl* list, QObject* parent)
        : QStyledItemDelegate(parent), list_(list) {}
    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        const bool box = opt.features & QStyleOptionViewItem::HasCheckIndicator;
        const QRect boxRect = box ? opt.widget->style()->subElementRect(
                                        QStyle::SE_ItemViewItemCheckIndicator, &opt, opt.widget)
                                  : QRect();
        const bool checked = opt.checkState == Qt::Checked;
        opt.features &= ~QStyleOptionViewItem::HasCheckIndicator;
        opt.widget->style()->drawControl(QStyle::CE_ItemViewItem, &opt, p, opt.widget);
        p->save();
        if (box) {
            p->setRenderHint(QPainter::Antialiasing);
            const QRectF r = QRectF(boxRect).adjusted(1.5, 1.5, -1.5, -1.5);
            p->setPen(QPen(checked ? QColor(255, 160, 90) : QColor(112, 118, 128), 1));
            p->setBrush(checked ? QColor(206, 100, 28) : QColor(24, 27, 32));
            p->drawRoundedRect(r, 2, 2);
            if (checked) {
                QPainterPath tick;
                tick.moveTo(r.left() + r.width() * 0.22, r.center().y());
                tick.lineTo(r.left() + r.width() * 0.42, r.bottom() - r.height() * 0.24);
                tick.lineTo(r.right() - r.width() * 0.2, r.top() + r.height() * 0.26);
                p->setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                p->setBrush(Qt::NoBrush);
                p->drawPath(tick);
            }
            p->setRenderHint(QPainter::Antialiasing, false);
        }
        if (list_->GridLines()) {
            p->setPen(QColor(44, 48, 56));
            p->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
            p->drawLine(option.rect.topRight(), option.rect.bottomRight());
        }
        p->restore();
    }

private:
    const CReportCtrl* list_;
};

constexpr int kDataRole = Qt::UserRole + 1;

} // namespace

CReportCtrl::CReportCtrl(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setColumnCount(0);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    setItemDelegate(new GridDelegate(this, this));
    ApplySkinPalette(*this);
    rows_.SetCheckCallback([this](int row) { CheckChanged(row); });
    connect(this, &QTreeWidget::itemSelectionChanged, this, &CReportCtrl::Pull);
    connect(this, &QTreeWidget::currentItemChanged, this, &CReportCtrl::Pull);
    connect(this, &QTreeWidget::itemChanged, this, &CReportCtrl::ItemChanged);
}

int CReportCtrl::InsertColumn(int column, const QString& header, Qt::Alignment alignment,
                              int width) {
    column = std::clamp(column, 0, columnCount());
    QTreeWidgetItem* head = headerItem();
    const int count = columnCount();
    setColumnCount(count + 1);
    // Move later headers, widths and cells one place to the right.
    for (int c = count; c > column; --c) {
        head->setText(c, head->text(c - 1));
        head->setTextAlignment(c, Qt::Alignment(head->textAlignment(c - 1)));
        setColumnWidth(c, columnWidth(c - 1));
        for (int r = 0; r < topLevelItemCount(); ++r)
            topLevelItem(r)->setText(c, topLevelItem(r)->text(c - 1));
    }
    head->setText(column, header);
    head->setTextAlignment(column, alignment | Qt::AlignVCenter);
    setColumnWidth(column, width);
    for (int r = 0; r < topLevelItemCount(); ++r) {
        topLevelItem(r)->setText(column, QString());
        topLevelItem(r)->setTextAlignment(column, alignment | Qt::AlignVCenter);
    }
    return column;
}

bool CReportCtrl::DeleteColumn(int column) {
    const int count = columnCount();
    if (column < 0 || column >= count)
        return false;
    QTreeWidgetItem* head = headerItem();
    for (int c = column; c + 1 < count; ++c) {
        head->setText(c, head->text(c + 1));
        setColumnWidth(c, columnWidth(c + 1));
        for (int r = 0; r < topLevelItemCount(); ++r)
            topLevelItem(r)->setText(c, topLevelItem(r)->text(c + 1));
    }
    setColumnCount(count - 1);
    Push();
    return true;
}

int CReportCtrl::InsertItem(int row, const QString& text) {
    row = rows_.Insert(row);
    auto* item = new QTreeWidgetItem;
    item->setText(0, text);
    for (int c = 0; c < columnCount(); ++c)
        item->setTextAlignment(c, Qt::Alignment(headerItem()->textAlignment(c)));
    pushing_ = true;
    insertTopLevelItem(row, item);
    pushing_ = false;
    Push();
    return row;
}

bool CReportCtrl::DeleteItem(int row, bool selectNeighbour) {
    if (!rows_.Remove(row, selectNeighbour))
        return false;
    pushing_ = true;
    delete takeTopLevelItem(row);
    pushing_ = false;
    Push();
    return true;
}

void CReportCtrl::DeleteAllItems() {
    rows_.Clear();
    pushing_ = true;
    clear();
    pushing_ = false;
}

bool CReportCtrl::SetItemText(int row, int column, const QString& text) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item || column < 0 || column >= columnCount())
        return false;
    pushing_ = true;
    item->setText(column, text);
    pushing_ = false;
    return true;
}

QString CReportCtrl::GetItemText(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(column) : QString();
}

bool CReportCtrl::SetItemData(int row, quintptr data) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item)
        return false;
    pushing_ = true;
    item->setData(0, kDataRole, QVariant::fromValue(data));
    pushing_ = false;
    return true;
}

quintptr CReportCtrl::GetItemData(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->data(0, kDataRole).value<quintptr>() : 0;
}

bool CReportCtrl::SetItemStates(int row, uint32_t state) {
    const bool done = rows_.SetState(row, state);
    Push();
    return done;
}

bool CReportCtrl::ExamItemStates(int row, uint32_t state) const {
    return rows_.HasState(row, state);
}

int CReportCtrl::GetFirstItem(uint32_t state, int after) const {
    return rows_.NextRow(after, state);
}

void CReportCtrl::SetCheckboxeStyle(CheckMode mode) {
    rows_.SetCheckMode(mode);
    Push();
}

void CReportCtrl::SetGridLines(bool on) {
    gridLines_ = on;
    viewport()->update();
}

void CReportCtrl::SetCellsEditable(bool on) {
    editable_ = on;
    Push();
}

void CReportCtrl::CheckChanged(int row) {
    Push();
    if (userCallback_)
        userCallback_(row);
}

void CReportCtrl::ItemChanged(QTreeWidgetItem* item, int column) {
    if (pushing_ || column != 0 || rows_.Mode() == CheckMode::None)
        return;
    const int row = indexOfTopLevelItem(item);
    const bool checked = item->checkState(0) == Qt::Checked;
    if (row >= 0 && checked != rows_.Checked(row))
        rows_.SetState(row, checked ? kRowChecked : kRowUnchecked);
}

void CReportCtrl::Pull() {
    if (pushing_)
        return;
    const QTreeWidgetItem* current = currentItem();
    for (int r = 0; r < topLevelItemCount(); ++r) {
        const QTreeWidgetItem* item = topLevelItem(r);
        uint32_t state = item->isSelected() ? kRowSelected : kRowUnselected;
        state |= item == current ? kRowFocused : kRowUnfocused;
        rows_.SetState(r, state);
    }
}

void CReportCtrl::Push() {
    pushing_ = true;
    const bool boxes = rows_.Mode() != CheckMode::None;
    for (int r = 0; r < topLevelItemCount(); ++r) {
        QTreeWidgetItem* item = topLevelItem(r);
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (boxes)
            flags |= Qt::ItemIsUserCheckable;
        if (editable_)
            flags |= Qt::ItemIsEditable;
        item->setFlags(flags);
        if (boxes)
            item->setCheckState(0, rows_.Checked(r) ? Qt::Checked : Qt::Unchecked);
        else
            item->setData(0, Qt::CheckStateRole, QVariant());
        item->setSelected(rows_.Selected(r));
        if (rows_.HasState(r, kRowFocused) && currentItem() != item)
            setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
    }
    pushing_ = false;
}

} // namespace ui
