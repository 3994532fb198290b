#pragma once

// The macro tab's controls over MacroTab: the macro list box, the action list with its
// in-place editors, the row buttons, Record, the record-delays check box, the cycle count and
// the space gauge. They forward what the user does and redraw the parts the model names.

#include <QObject>
#include <QString>

#include <functional>
#include <string_view>
#include <vector>

#include "macros/MacroRecord.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace ui {
class CPngButton;
class CReportCtrl;
} // namespace ui

namespace macros {

class MacroSpaceGauge;
class MacroTab;

class MacroTabControls : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QComboBox* macroList = nullptr;
        ui::CReportCtrl* actions = nullptr;
        QLineEdit* cycles = nullptr;
        QCheckBox* recordDelays = nullptr;
        MacroSpaceGauge* gauge = nullptr;
        ui::CPngButton* add = nullptr;
        ui::CPngButton* remove = nullptr;
        ui::CPngButton* record = nullptr;
        ui::CPngButton* deleteAction = nullptr;
        ui::CPngButton* clearActions = nullptr;
        ui::CPngButton* moveTop = nullptr;
        ui::CPngButton* moveUp = nullptr;
        ui::CPngButton* moveDown = nullptr;
        ui::CPngButton* moveBottom = nullptr;
    };
    // windowText gives a caption from the dialog's language file.
    MacroTabControls(MacroTab& tab, const Controls& controls,
                     std::function<QString(std::u16string_view key)> windowText,
                     QObject* parent = nullptr);

    // The action list's columns, in the loaded language; at every opening.
    void SetUpColumns();
    // Redraws the parts (MacroTabPart bits) from the model.
    void Redraw(unsigned parts);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Connect();
    void RedrawNames();
    void RedrawRows();
    void RedrawButtons();
    void RedrawRecording();
    void RedrawGauge();
    void ShowSelectedRow();

    MacroTab& tab_;
    Controls c_;
    std::function<QString(std::u16string_view)> windowText_;
    // The rows the action list shows, to redraw only what changed.
    std::vector<MacroAction> shown_;
    bool filling_ = false;
    // The time of the last click on Record, on the clock of the key events.
    uint32_t recordClickTime_ = 0;
};

} // namespace macros
