#include "macros/MacroTabControls.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>
#include <QTimer>

#include "keys/KeyCodes.h"
#include "macros/MacroSpaceGauge.h"
#include "macros/MacroTab.h"
#include "ui/CPngButton.h"
#include "ui/CReportCtrl.h"
#include "ui/SkinPalette.h"
#include "ui/TextTable.h"

namespace macros {

namespace {

QString Q(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

enum Column { kKeyColumn = 0, kStateColumn = 1, kDelayColumn = 2 };

bool Same(const MacroAction& a, const MacroAction& b) {
    return a.delayMs == b.delayMs && a.keyCode == b.keyCode && a.state == b.state;
}

// The in-place editors of the action list: digits for a delay, the key selection list for a
// key, the two state texts for a state. The model takes the result once the editor is gone.
class ActionCellEditors : public QStyledItemDelegate {
public:
    ActionCellEditors(MacroTab& tab, QObject* parent) : QStyledItemDelegate(parent), tab_(tab) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        if (index.column() == kDelayColumn) {
            // A delay is edited, not recorded: a running recording stops first.
            tab_.BeginDelayEdit();
            auto* edit = new QLineEdit(parent);
            edit->setValidator(
                new QRegularExpressionValidator(QRegularExpression("[0-9]{0,9}"), edit));
            ui::ApplySkinPalette(*edit);
            return edit;
        }
        auto* list = new QComboBox(parent);
        ui::ApplySkinPalette(*list);
        if (index.column() == kKeyColumn) {
            for (uint16_t p = 0; p < keys::kListSize; ++p)
                list->addItem(Q(keys::KeyNameAtListPosition(p)));
            list->setMaxVisibleItems(16);
        } else {
            list->addItem(Q(kPressText));
            list->addItem(Q(kReleaseText));
        }
        // A choice ends the edit; the list opens at once.
        connect(list, &QComboBox::activated, list, [this, list] {
            auto* self = const_cast<ActionCellEditors*>(this);
            emit self->commitData(list);
            emit self->closeEditor(list);
        });
        QTimer::singleShot(0, list, [list] { list->showPopup(); });
        return list;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        const int row = index.row();
        if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
            edit->setText(index.data().toString());
            edit->selectAll();
        } else if (auto* list = qobject_cast<QComboBox*>(editor)) {
            const auto& rows = tab_.Editor().Rows();
            if (row < 0 || static_cast<size_t>(row) >= rows.size())
                return;
            if (index.column() == kKeyColumn) {
                const uint16_t p = tab_.Editor().KeyChoiceOf(row);
                list->setCurrentIndex(p == keys::kNotListed ? -1 : p);
            } else {
                list->setCurrentIndex(rows[static_cast<size_t>(row)].state == kStateRelease ? 1
                                                                                            : 0);
            }
        }
    }

    // The model changes after the editor has closed: a message box about the delay, or the
    // list redrawn, must not run inside the view's commit.
    void setModelData(QWidget* editor, QAbstractItemModel*,
                      const QModelIndex& index) const override {
        const int row = index.row();
        MacroTab* tab = &tab_;
        if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
            const std::u16string text = edit->text().toStdU16String();
            QTimer::singleShot(0, parent(), [tab, row, text] { tab->EditDelay(row, text); });
        } else if (auto* list = qobject_cast<QComboBox*>(editor)) {
            const int choice = list->currentIndex();
            if (choice < 0)
                return;
            const bool key = index.column() == kKeyColumn;
            QTimer::singleShot(0, parent(), [tab, row, choice, key] {
                if (key)
                    tab->EditKey(row, static_cast<uint16_t>(choice));
                else
                    tab->EditState(row, static_cast<uint16_t>(choice));
            });
        }
    }

private:
    MacroTab& tab_;
};

} // namespace

MacroTabControls::MacroTabControls(MacroTab& tab, const Controls& controls,
                                   std::function<QString(std::u16string_view)> windowText,
                                   QObject* parent)
    : QObject(parent), tab_(tab), c_(controls), windowText_(std::move(windowText)) {
    c_.macroList->setEditable(true);
    c_.macroList->setInsertPolicy(QComboBox::NoInsert);
    // What a macro record can hold, so that the box never shows more than is kept.
    c_.macroList->lineEdit()->setMaxLength(kMaxNameLength);
    c_.actions->setSelectionMode(QAbstractItemView::SingleSelection);
    c_.actions->SetCellsEditable(true);
    c_.actions->setEditTriggers(QAbstractItemView::SelectedClicked);
    c_.actions->setItemDelegate(new ActionCellEditors(tab_, this));
    c_.actions->header()->setSectionResizeMode(QHeaderView::Fixed);
    c_.record->installEventFilter(this);
    Connect();
}

void MacroTabControls::Connect() {
    connect(c_.macroList, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!filling_ && index >= 0)
            tab_.Select(index);
    });
    connect(c_.macroList->lineEdit(), &QLineEdit::textEdited, this,
            [this](const QString& text) { tab_.NameTyped(text.toStdU16String()); });
    connect(c_.actions, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (!filling_)
            tab_.SelectRow(c_.actions->GetFirstItem(ui::kRowSelected));
    });
    connect(c_.cycles, &QLineEdit::textEdited, this, [this](const QString& text) {
        const QString shown = Q(tab_.CyclesTyped(text.toStdU16String()));
        if (shown != text)
            c_.cycles->setText(shown);
    });
    connect(c_.recordDelays, &QCheckBox::clicked, this,
            [this](bool checked) { tab_.SetRecordDelays(checked); });

    auto click = [this](ui::CPngButton* button, auto fn) {
        connect(button, &QAbstractButton::clicked, this, fn);
    };
    click(c_.add, [this] { tab_.Add(); });
    click(c_.remove, [this] { tab_.Delete(); });
    click(c_.record, [this] { tab_.ToggleRecording(recordClickTime_); });
    click(c_.deleteAction, [this] { tab_.DeleteRow(); });
    click(c_.clearActions, [this] { tab_.ClearRows(); });
    auto move = [this](void (MacroTab::*op)()) {
        return [this, op] {
            (tab_.*op)();
            c_.actions->setFocus();
        };
    };
    click(c_.moveTop, move(&MacroTab::MoveTop));
    click(c_.moveUp, move(&MacroTab::MoveUp));
    click(c_.moveDown, move(&MacroTab::MoveDown));
    click(c_.moveBottom, move(&MacroTab::MoveBottom));
}

// Record takes the click's own time: the pause before the first key is measured on the same
// clock as the keys.
bool MacroTabControls::eventFilter(QObject* watched, QEvent* event) {
    if (watched == c_.record &&
        (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::MouseButtonPress))
        recordClickTime_ = static_cast<uint32_t>(static_cast<QMouseEvent*>(event)->timestamp());
    return false;
}

void MacroTabControls::SetUpColumns() {
    ui::CReportCtrl& list = *c_.actions;
    filling_ = true;
    list.DeleteAllItems();
    while (list.GetColumnCount() > 0)
        list.DeleteColumn(0);
    list.InsertColumn(kKeyColumn, Q(ui::TextOf(ui::TextKey::MACRO_KEYS_TISHI)), Qt::AlignLeft, 40);
    list.InsertColumn(kStateColumn, Q(ui::TextOf(ui::TextKey::MACRO_ACTION_TISHI)), Qt::AlignLeft,
                      50);
    list.InsertColumn(kDelayColumn, Q(ui::TextOf(ui::TextKey::MACRO_DELAY_MS)), Qt::AlignLeft, 76);
    shown_.clear();
    filling_ = false;
}

void MacroTabControls::Redraw(unsigned parts) {
    if (parts & kPartNames)
        RedrawNames();
    if (parts & kPartRows)
        RedrawRows();
    if (parts & kPartCycles) {
        const QString text = Q(tab_.Editor().CyclesText());
        if (c_.cycles->text() != text)
            c_.cycles->setText(text);
    }
    if (parts & (kPartButtons | kPartRecording))
        RedrawButtons();
    if (parts & kPartRecording)
        RedrawRecording();
    if (parts & kPartGauge)
        RedrawGauge();
}

void MacroTabControls::RedrawNames() {
    const MacroList& macros = tab_.Editor().Macros();
    QComboBox& box = *c_.macroList;
    QLineEdit& edit = *box.lineEdit();
    const QString typed = edit.text();
    const int cursor = edit.cursorPosition();
    filling_ = true;
    if (box.count() != static_cast<int>(macros.size())) {
        box.clear();
        for (const auto& m : macros)
            box.addItem(Q(NameOf(*m)));
    } else {
        for (size_t i = 0; i < macros.size(); ++i) {
            const QString name = Q(NameOf(*macros[i]));
            if (box.itemText(static_cast<int>(i)) != name)
                box.setItemText(static_cast<int>(i), name);
        }
    }
    const int current = tab_.Editor().Current();
    if (box.currentIndex() != current)
        box.setCurrentIndex(current);
    // Renaming rewrites the entry under the cursor: the user keeps typing where they were.
    const QString name = current >= 0 ? box.itemText(current) : QString();
    if (edit.text() != name)
        edit.setText(name);
    if (name == typed)
        edit.setCursorPosition(cursor);
    filling_ = false;
}

// Only the rows that changed are rewritten: a recording adds one row at a time to a list that
// may hold two thousand.
void MacroTabControls::RedrawRows() {
    const std::vector<MacroAction>& rows = tab_.Editor().Rows();
    ui::CReportCtrl& list = *c_.actions;
    filling_ = true;
    if (list.GetItemCount() != static_cast<int>(shown_.size())) {
        list.DeleteAllItems();
        shown_.clear();
    }
    size_t prefix = 0;
    while (prefix < rows.size() && prefix < shown_.size() && Same(rows[prefix], shown_[prefix]))
        ++prefix;
    size_t suffix = 0;
    while (suffix < rows.size() - prefix && suffix < shown_.size() - prefix &&
           Same(rows[rows.size() - 1 - suffix], shown_[shown_.size() - 1 - suffix]))
        ++suffix;
    const size_t oldEnd = shown_.size() - suffix;
    const size_t newEnd = rows.size() - suffix;
    // Remove the old middle, insert the new one.
    for (size_t i = oldEnd; i > prefix; --i)
        list.DeleteItem(static_cast<int>(i - 1), false);
    const QColor grey(150, 154, 162);
    for (size_t i = prefix; i < newEnd; ++i) {
        const MacroAction& a = rows[i];
        const int r = list.InsertItem(static_cast<int>(i), Q(keys::GetKeyName(a.keyCode)));
        list.SetItemText(r, kStateColumn, Q(StateText(a.state)));
        list.SetItemText(r, kDelayColumn, QString::number(a.delayMs));
        if (QTreeWidgetItem* item = list.topLevelItem(r)) {
            item->setForeground(kKeyColumn, grey);
            item->setForeground(kStateColumn, grey);
        }
    }
    shown_ = rows;
    ShowSelectedRow();
    filling_ = false;
}

void MacroTabControls::ShowSelectedRow() {
    ui::CReportCtrl& list = *c_.actions;
    const int selected = tab_.Editor().SelectedRow();
    const int was = list.GetFirstItem(ui::kRowSelected);
    if (was == selected)
        return;
    if (was >= 0)
        list.SetItemStates(was, ui::kRowUnselected | ui::kRowUnfocused);
    if (selected >= 0) {
        list.SetItemStates(selected, ui::kRowSelected | ui::kRowFocused);
        if (QTreeWidgetItem* item = list.topLevelItem(selected))
            list.scrollToItem(item);
    }
}

void MacroTabControls::RedrawButtons() {
    const bool listOpen = tab_.ListEnabled();
    c_.macroList->setEnabled(listOpen);
    c_.add->setEnabled(listOpen);
    c_.remove->setEnabled(listOpen);
    const bool rows = tab_.ActionButtonsEnabled();
    for (ui::CPngButton* b : {c_.record, c_.deleteAction, c_.clearActions, c_.moveTop, c_.moveUp,
                              c_.moveDown, c_.moveBottom})
        b->setEnabled(rows);
    if (c_.recordDelays->isChecked() != tab_.RecordDelays())
        c_.recordDelays->setChecked(tab_.RecordDelays());
}

void MacroTabControls::RedrawRecording() {
    const bool on = tab_.Recording();
    c_.record->setText(Q(
        ui::TextOf(on ? ui::TextKey::MACRO_ACTION_STOP_RECORD : ui::TextKey::MACRO_ACTION_RECORD)));
    c_.record->SetLatched(on);
}

void MacroTabControls::RedrawGauge() {
    const SpaceGauge gauge = tab_.Gauge();
    const std::u16string text = GaugeText(
        gauge, [this](std::u16string_view key) { return windowText_(key).toStdU16String(); });
    c_.gauge->Show(gauge, Q(text));
}

} // namespace macros
