#pragma once

// The key assignment dialog: a skinned window over CompositeDialog. It places its controls
// from Skins/Composite.ini, cuts the image buttons' faces from its five image sets, forwards
// clicks, list choices and captured key messages to the model and shows what it says.

#include <QImage>
#include <QPointer>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "macros/CompositeDialog.h"
#include "ui/CBaseDialog.h"

class QComboBox;
class QLineEdit;
class QCheckBox;

namespace ui {
class AppSettings;
class CPngButton;
class CReportCtrl;
class ColorStatic;
class MainView;
class Prompts;
} // namespace ui

class KeyCapture;

namespace macros {

class MacroSpaceGauge;
class MacroTabControls;

// Where the dialog finds its files.
struct CompositeFiles {
    std::filesystem::path layout;       // Skins/Composite.ini
    std::filesystem::path skinFolder;   // Skins
    std::filesystem::path languageFile; // Skins/language.ini
    std::filesystem::path helpPage;     // Help/index.html
};

class Brisvane_DlgComposite : public ui::CBaseDialog, private CompositeView {
    Q_OBJECT
public:
    // Control ids of the dialog (the model and tests name controls by them).
    enum Id : int {
        kOk = 1,
        kCancel = 2,
        kApply = 1015,
        kMacroAdd = 1017,
        kMacroDelete = 1018,
        kActionList = 1019,
        kRecord = 1020,
        kDeleteAction = 1021,
        kClearActions = 1022,
        kMoveTop = 1023,
        kMoveUp = 1024,
        kMoveDown = 1025,
        kMoveBottom = 1026,
        kRecordDelays = 1027,
        kTabKey = 1028,
        kTabMacro = 1029,
        kTabMedia = 1030,
        kTabFunction = 1031,
        kClear = 1032,
        kTabPicture = 1033,
        kCycles = 1125,
        kMacroList = 1126,
        kKeyEdit = 1127,
        kMediaList = 1128,
        kFunctionList = 1129,
        kCyclesLabel = 1130,
        kTitle = 1131,
        kOsk = 1132,
        kRecordDelaysLabel = 1133,
        kMacroSpace = 1134,
        kSettingLabel = 1199,
        kMacroLabel = 1200,
        kKeyLabel = 1201,
        kMediaLabel = 1202,
        kFunctionLabel = 1203,
    };

    // buttonOf finds the main window's button of a control id (for the placement);
    // currentBlock gives the current on-board profile (by default the keyboard's); settings
    // keep the record-delays option.
    Brisvane_DlgComposite(QWidget* parent, ui::MainView& main, ui::Prompts& prompts,
                          ui::AppSettings* settings, CompositeFiles files,
                          std::function<QWidget*(int id)> buttonOf,
                          std::function<int()> currentBlock = {});
    ~Brisvane_DlgComposite() override;

    // Opens the dialog modally for a button of the keyboard view; -1 (nothing opens) for an
    // id that edits no entry, else the dialog's result.
    int OpenForKey(int buttonId);
    // At exit: an open dialog is cancelled. Always true (closing may go on).
    bool CloseIfOpen();
    int OpenCount() const { return model_.OpenCount(); }
    // The keyboard's macro space became known or changed: an open macro tab shows it.
    void SpaceChanged() { model_.Macros().SpaceChanged(); }

    bool OnInitDialog() override;
    void OnOK() override;
    void reject() override;

    // A key message from the capture and its event's time; true when swallowed.
    bool OnKeyMessage(uint8_t virtualKey, uint32_t lParam, uint32_t timeMs = 0);

    // For tests.
    CompositeDialog& Model() { return model_; }
    QWidget* Control(int id) const;
    ui::CPngButton* ImageButton(int id) const;
    QString KeyText() const;
    // The image set whose pictures the tab picture shows.
    const QImage* TabPictureSurface() const;
    bool Capturing() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    struct ImageSet {
        const QImage* normal = nullptr;
        const QImage* over = nullptr;
        const QImage* down = nullptr;
        const QImage* disable = nullptr;
    };

    // CompositeView
    void ShowTab(Tab tab) override;
    void SetKeyText(std::u16string_view text) override;
    void SetApplyEnabled(bool enabled) override;
    void SetCapture(bool on) override;
    void SelectMediaRow(int row) override;
    void SelectFunctionRow(int row) override;
    void SetMacroOnly(bool on) override;
    void MacroTabChanged(unsigned parts) override;

    void CreateControls();
    void LoadImageSets();
    void PlaceControls();
    void ApplyFonts();
    void ApplyTexts();
    void PlaceBesideButton();
    void StartOnScreenKeyboard();
    void OpenHelp();
    QString Text(std::u16string_view key) const;
    const ImageSet& SetOfTab(Tab tab) const;

    CompositeDialog model_;
    ui::MainView& main_;
    ui::Prompts& prompts_;
    CompositeFiles files_;
    std::function<QWidget*(int)> buttonOf_;
    std::unique_ptr<::KeyCapture> capture_;

    ImageSet key_, macro_, macroOnly_, media_, function_;
    bool setsLoaded_ = false;

    std::map<int, ui::CPngButton*> buttons_;
    std::map<int, QWidget*> controls_;
    QLineEdit* keyEdit_ = nullptr;
    QComboBox* mediaList_ = nullptr;
    QComboBox* functionList_ = nullptr;
    QComboBox* macroList_ = nullptr;
    QLineEdit* cycles_ = nullptr;
    ui::CReportCtrl* actions_ = nullptr;
    QCheckBox* recordDelays_ = nullptr;
    MacroSpaceGauge* gauge_ = nullptr;
    MacroTabControls* macroControls_ = nullptr;
    bool filling_ = false; // lists being filled: their signals are not the user's
};

} // namespace macros
