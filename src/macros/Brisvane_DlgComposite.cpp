#include "macros/Brisvane_DlgComposite.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QShowEvent>
#include <QStandardPaths>
#include <QUrl>

#include "device/Transport.h"
#include "macros/KeyCapture.h"
#include "macros/MacroSpaceGauge.h"
#include "macros/MacroTabControls.h"
#include "profiles/CurrentProfile.h"
#include "ui/CPngButton.h"
#include "ui/CReportCtrl.h"
#include "ui/ColorStatic.h"
#include "ui/MainView.h"
#include "ui/Prompts.h"
#include "ui/SkinLayout.h"
#include "ui/SkinPalette.h"
#include "ui/SkinRect.h"
#include "ui/SkinSurface.h"

namespace macros {

namespace {

QString Q(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

int CurrentBlock() {
    const int cached = profiles::CachedCurrentProfile();
    return cached >= 0 ? cached : profiles::GetCurrentProfile();
}

// The image buttons, their layout keys and whether they take the macro set.
struct ImageEntry {
    int id;
    const char16_t* key;
    bool macroSet;
};
constexpr ImageEntry kImageEntries[] = {
    {Brisvane_DlgComposite::kTabPicture, u"CONTROL_MASK", false},
    {Brisvane_DlgComposite::kTitle, u"CONTROL_TITLE", false},
    {Brisvane_DlgComposite::kOsk, u"CONTROL_OSK", false},
    {Brisvane_DlgComposite::kClear, u"CONTROL_CLEAR", false},
    {Brisvane_DlgComposite::kTabMedia, u"CONTROL_MEDIA", false},
    {Brisvane_DlgComposite::kTabMacro, u"CONTROL_MACRO", false},
    {Brisvane_DlgComposite::kTabKey, u"CONTROL_KEY", false},
    {Brisvane_DlgComposite::kTabFunction, u"CONTROL_FUNCTION", false},
    {Brisvane_DlgComposite::kOk, u"CONTROL_OK", false},
    {Brisvane_DlgComposite::kCancel, u"CONTROL_CANCEL", false},
    {Brisvane_DlgComposite::kMacroDelete, u"FUNC_MACRO_DELETE", true},
    {Brisvane_DlgComposite::kMacroAdd, u"FUNC_MACRO_ADD", true},
    {Brisvane_DlgComposite::kMoveTop, u"FUNC_MACRO_UP_TOP", true},
    {Brisvane_DlgComposite::kMoveUp, u"FUNC_MACRO_UP", true},
    {Brisvane_DlgComposite::kMoveDown, u"FUNC_MACRO_DOWN", true},
    {Brisvane_DlgComposite::kMoveBottom, u"FUNC_MACRO_DOWN_BOTTOM", true},
    {Brisvane_DlgComposite::kDeleteAction, u"FUNC_MACRO_DELETE2", true},
    {Brisvane_DlgComposite::kClearActions, u"FUNC_MACRO_CLEAR", true},
    {Brisvane_DlgComposite::kRecord, u"FUNC_MACRO_RECORD", true},
};

// Controls placed without faces.
constexpr std::pair<int, const char16_t*> kPlacedEntries[] = {
    {Brisvane_DlgComposite::kRecordDelays, u"FUNC_MACRO_RECORD_DELAY"},
    {Brisvane_DlgComposite::kActionList, u"FUNC_MACRO_LIST2"},
    {Brisvane_DlgComposite::kCycles, u"FUNC_MACRO_CYCLES"},
    {Brisvane_DlgComposite::kCyclesLabel, u"FUNC_MACRO_CYCLES_PROMPT"},
    {Brisvane_DlgComposite::kKeyLabel, u"TISHI_SINGLE_STATIC"},
    {Brisvane_DlgComposite::kMacroLabel, u"MARCO_NAME_SETTING"},
    {Brisvane_DlgComposite::kSettingLabel, u"KEY_SETTING"},
    {Brisvane_DlgComposite::kMediaLabel, u"MEDIA_SETTING_TISHI"},
    {Brisvane_DlgComposite::kFunctionLabel, u"FUNCTION_KEY_SETTING_TISHI"},
    {Brisvane_DlgComposite::kRecordDelaysLabel, u"FUNC_MACRO_RECORD_DELAY2"},
    {Brisvane_DlgComposite::kKeyEdit, u"FUNC_KEY_INPUT"},
    {Brisvane_DlgComposite::kMediaList, u"FUNC_MEDIA_SELECT"},
    {Brisvane_DlgComposite::kMacroList, u"FUNC_MACRO_LIST"},
    {Brisvane_DlgComposite::kFunctionList, u"FUNC_FUNCTION_SELECT"},
};

// What the macro tab shows besides its label.
constexpr int kMacroTabControls[] = {
    Brisvane_DlgComposite::kMacroList,
    Brisvane_DlgComposite::kMacroAdd,
    Brisvane_DlgComposite::kMacroDelete,
    Brisvane_DlgComposite::kActionList,
    Brisvane_DlgComposite::kRecord,
    Brisvane_DlgComposite::kDeleteAction,
    Brisvane_DlgComposite::kClearActions,
    Brisvane_DlgComposite::kMoveTop,
    Brisvane_DlgComposite::kMoveUp,
    Brisvane_DlgComposite::kMoveDown,
    Brisvane_DlgComposite::kMoveBottom,
    Brisvane_DlgComposite::kRecordDelays,
    Brisvane_DlgComposite::kRecordDelaysLabel,
    Brisvane_DlgComposite::kCycles,
    Brisvane_DlgComposite::kCyclesLabel,
    Brisvane_DlgComposite::kMacroSpace,
};

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kDisabledText = 0x787878; // a button without a macro to act on
constexpr uint32_t kCentredLine = 0x25;
constexpr uint32_t kLabelColour = 0xE4E4E4; // RGB(228, 228, 228)

} // namespace

Brisvane_DlgComposite::Brisvane_DlgComposite(QWidget* parent, ui::MainView& main,
                                             ui::Prompts& prompts, ui::AppSettings* settings,
                                             CompositeFiles files,
                                             std::function<QWidget*(int)> buttonOf,
                                             std::function<int()> currentBlock)
    : ui::CBaseDialog(parent, files.layout, files.skinFolder),
      model_(*this, main, prompts, settings, currentBlock ? std::move(currentBlock) : CurrentBlock),
      main_(main), prompts_(prompts), files_(std::move(files)), buttonOf_(std::move(buttonOf)),
      capture_(std::make_unique<::KeyCapture>(this)) {
    CreateControls();
}

Brisvane_DlgComposite::~Brisvane_DlgComposite() {
    capture_->Ungrab();
    capture_->Stop();
}

void Brisvane_DlgComposite::CreateControls() {
    for (const ImageEntry& e : kImageEntries) {
        auto* button = new ui::CPngButton(this);
        buttons_[e.id] = button;
        controls_[e.id] = button;
    }
    auto* apply = new ui::CPngButton(this);
    buttons_[kApply] = apply;
    controls_[kApply] = apply;
    // The skin gives Apply no place: OK applies as well.
    apply->hide();
    buttons_[kTabPicture]->setAttribute(Qt::WA_TransparentForMouseEvents);

    for (int id : {kSettingLabel, kMacroLabel, kKeyLabel, kMediaLabel, kFunctionLabel, kCyclesLabel,
                   kRecordDelaysLabel}) {
        auto* label = new ui::ColorStatic(this);
        label->SetTextColor(kLabelColour);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setAttribute(Qt::WA_TranslucentBackground);
        controls_[id] = label;
    }
    keyEdit_ = new QLineEdit(this);
    keyEdit_->setReadOnly(true);
    keyEdit_->setAlignment(Qt::AlignCenter);
    keyEdit_->setFocusPolicy(Qt::NoFocus);
    controls_[kKeyEdit] = keyEdit_;
    mediaList_ = new QComboBox(this);
    functionList_ = new QComboBox(this);
    macroList_ = new QComboBox(this);
    controls_[kMediaList] = mediaList_;
    controls_[kFunctionList] = functionList_;
    controls_[kMacroList] = macroList_;
    cycles_ = new QLineEdit(this);
    controls_[kCycles] = cycles_;
    actions_ = new ui::CReportCtrl(this);
    controls_[kActionList] = actions_;
    recordDelays_ = new QCheckBox(this);
    controls_[kRecordDelays] = recordDelays_;
    gauge_ = new MacroSpaceGauge(this);
    controls_[kMacroSpace] = gauge_;
    for (QWidget* w : {static_cast<QWidget*>(keyEdit_), static_cast<QWidget*>(mediaList_),
                       static_cast<QWidget*>(functionList_), static_cast<QWidget*>(macroList_),
                       static_cast<QWidget*>(cycles_)})
        ui::ApplySkinPalette(*w);

    auto click = [this](int id, auto fn) {
        connect(buttons_[id], &QAbstractButton::clicked, this, fn);
    };
    click(kOk, [this] { OnOK(); });
    click(kCancel, [this] { reject(); });
    click(kApply, [this] { model_.ApplyAssignment(); });
    click(kTabKey, [this] { model_.TabClicked(Tab::Key); });
    click(kTabMacro, [this] { model_.TabClicked(Tab::Macro); });
    click(kTabMedia, [this] { model_.TabClicked(Tab::Media); });
    click(kTabFunction, [this] { model_.TabClicked(Tab::Function); });
    click(kClear, [this] { model_.Clear(); });
    click(kOsk, [this] { StartOnScreenKeyboard(); });
    connect(mediaList_, &QComboBox::currentIndexChanged, this, [this](int row) {
        if (!filling_ && row >= 0)
            model_.MediaRowChosen(row);
    });
    connect(functionList_, &QComboBox::currentIndexChanged, this, [this](int row) {
        if (!filling_ && row >= 0)
            model_.FunctionRowChosen(row);
    });
    macroControls_ = new MacroTabControls(
        model_.Macros(),
        {macroList_, actions_, cycles_, recordDelays_, gauge_, buttons_[kMacroAdd],
         buttons_[kMacroDelete], buttons_[kRecord], buttons_[kDeleteAction],
         buttons_[kClearActions], buttons_[kMoveTop], buttons_[kMoveUp], buttons_[kMoveDown],
         buttons_[kMoveBottom]},
        [this](std::u16string_view key) { return Text(key); }, this);
}

void Brisvane_DlgComposite::LoadImageSets() {
    if (setsLoaded_)
        return;
    const QSize client = ClientSize();
    auto load = [&](const char* name) { return ui::SkinSurface(files_.skinFolder / name, client); };
    key_ = {load("key_normal.jpg"), load("key_over.jpg"), load("key_down.jpg"), nullptr};
    key_.disable = key_.normal;
    macro_ = {load("macro_normal.jpg"), load("macro_over.jpg"), load("macro_down.jpg"),
              load("macro_disable.jpg")};
    macroOnly_ = {load("macro2_normal.jpg"), load("macro2_over.jpg"), load("macro2_down.jpg"),
                  load("macro2_disable.jpg")};
    media_ = {load("media_normal.jpg"), load("media_over.jpg"), load("media_down.jpg"), nullptr};
    media_.disable = media_.normal;
    function_ = {load("function_normal.jpg"), load("function_over.jpg"), load("function_down.jpg"),
                 nullptr};
    function_.disable = function_.normal;
    setsLoaded_ = true;
}

void Brisvane_DlgComposite::PlaceControls() {
    auto faces = [](const ImageSet& s) -> ui::SkinFaces {
        return {s.normal, s.over, s.down, s.disable, s.down};
    };
    for (const ImageEntry& e : kImageEntries) {
        ui::CPngButton* button = buttons_[e.id];
        button->setEnabled(true);
        button->SetLatched(false, false);
        ui::PlaceImageButton(*button, files_.layout, ui::kButtonInfo, e.key,
                             faces(e.macroSet ? macro_ : key_));
        button->show();
    }
    for (const auto& [id, key] : kPlacedEntries)
        ui::PlaceControl(*controls_[id], files_.layout, ui::kButtonInfo, key);
    // Skins made before the gauge have no place for it: beside the on-screen keyboard button.
    const ui::SkinRect space =
        ui::ReadSkinRect(files_.layout, ui::kButtonInfo, u"FUNC_MACRO_SPACE");
    gauge_->setGeometry(space.w > 0 ? QRect(space.x, space.y, space.w, space.h)
                                    : QRect(64, 387, 200, 28));
    // The title is a picture, not a button.
    buttons_[kTitle]->setEnabled(false);
}

void Brisvane_DlgComposite::ApplyFonts() {
    for (const auto& [id, button] : buttons_) {
        button->SetText(true, id == kRecord ? 8 : 9, "Tahoma", kWhite, kCentredLine);
        button->SetDisabledTextColour(kDisabledText);
    }
    QFont label("Tahoma");
    label.setPointSizeF(10.8);
    for (int id : {kSettingLabel, kMacroLabel, kKeyLabel, kMediaLabel, kFunctionLabel, kCyclesLabel,
                   kRecordDelaysLabel})
        controls_[id]->setFont(label);
    QFont big("Verdana");
    big.setPointSize(18);
    keyEdit_->setFont(big);
    QFont list("Verdana");
    list.setPointSize(12);
    for (QComboBox* c : {mediaList_, functionList_, macroList_})
        c->setFont(list);
}

QString Brisvane_DlgComposite::Text(std::u16string_view key) const {
    return Q(CompositeText(files_.languageFile, key));
}

void Brisvane_DlgComposite::ApplyTexts() {
    const bool only = model_.MacroOnly();
    const std::pair<int, const char16_t*> captions[] = {
        {kTabKey, u"SINGLE_KEY"},        {kTabMacro, u"MACRO_SETTING"}, {kTabMedia, u"MULTI_MEDIA"},
        {kTabFunction, u"FUNCTION_KEY"}, {kMoveTop, u"A_TOP"},          {kMoveUp, u"A_UP"},
        {kMoveDown, u"A_DOWN"},          {kMoveBottom, u"A_BOTTOM"},    {kRecord, u"A_RECORD"},
        {kDeleteAction, u"A_DELETE"},    {kClearActions, u"A_CLEAR"},   {kOk, u"MACRO_OK"},
        {kCancel, u"MACRO_CANCLE"},
    };
    for (const auto& [id, key] : captions)
        buttons_[id]->setText(Text(key));
    if (only)
        for (int id : {kTabKey, kTabMedia, kTabFunction})
            buttons_[id]->setText(QString());
    buttons_[kApply]->setText(Text(u"PROFILE_APPLY"));

    const std::pair<int, const char16_t*> labels[] = {
        {kKeyLabel, u"SINGLE_STATIC"},
        {kMacroLabel, u"MACRO_NAME_SETTING"},
        {kMediaLabel, u"MEDIA_EDIT_TISHI"},
        {kFunctionLabel, u"FUNCTION_TISHI"},
        {kCyclesLabel, u"MACRO_CYCLES"},
        {kRecordDelaysLabel, u"RECORD_DELAY"},
        {kSettingLabel, only ? u"MACRO_EDIT_TISHI" : u"KEY_SETTING_TISHI"},
    };
    for (const auto& [id, key] : labels)
        static_cast<ui::ColorStatic*>(controls_[id])->SetWindowText(Text(key));

    buttons_[kClear]->SetTooltip(Text(u"COMPOSITE_PROMPT_CLEAR"), true);
    buttons_[kOsk]->SetTooltip(Text(u"COMPOSITE_PROMPT_OSK"), true);
}

bool Brisvane_DlgComposite::OnInitDialog() {
    ui::CBaseDialog::OnInitDialog();
    LoadImageSets();
    PlaceControls();
    ApplyFonts();

    filling_ = true;
    mediaList_->clear();
    for (const std::u16string& row : MediaRows())
        mediaList_->addItem(Q(row));
    functionList_->clear();
    for (const std::u16string& row : FunctionRows())
        functionList_->addItem(Q(row));
    cycles_->setText(QStringLiteral("1"));
    filling_ = false;
    macroControls_->SetUpColumns();

    model_.Initialise();
    if (model_.MacroOnly()) {
        const ui::SkinFaces only{macroOnly_.normal, macroOnly_.over, macroOnly_.down,
                                 macroOnly_.disable, macroOnly_.down};
        for (int id : {kTabKey, kTabMedia, kTabFunction, kTitle, kClear})
            buttons_[id]->SetFaceSurfaces(only.normal, only.hover, only.pressed, only.disabled,
                                          only.latched);
    }
    ApplyTexts();
    PlaceBesideButton();
    return true;
}

void Brisvane_DlgComposite::PlaceBesideButton() {
    QWidget* button = buttonOf_ ? buttonOf_(model_.ButtonId()) : nullptr;
    if (!button)
        return;
    const QPoint origin = button->mapToGlobal(QPoint(0, 0));
    QScreen* screen = button->screen();
    if (!screen)
        return;
    const QRect s = screen->geometry();
    const Rect r = PlaceBeside({origin.x(), origin.y(), button->width(), button->height()}, width(),
                               height(), {s.x(), s.y(), s.width(), s.height()});
    move(r.x, r.y);
}

int Brisvane_DlgComposite::OpenForKey(int buttonId) {
    if (model_.OpenForKey(buttonId, device::LayerB()) < 0)
        return -1;
    main_.SetKeyButtonEditing(buttonId, true);
    return exec();
}

bool Brisvane_DlgComposite::CloseIfOpen() {
    if (model_.OpenCount() > 0)
        reject();
    return true;
}

void Brisvane_DlgComposite::OnOK() {
    model_.ApplyAssignment();
    model_.CloseEditor();
    ui::CBaseDialog::OnOK();
}

void Brisvane_DlgComposite::reject() {
    if (model_.OpenCount() > 0)
        model_.CloseEditor();
    ReleasePictures();
    QDialog::reject();
}

bool Brisvane_DlgComposite::OnKeyMessage(uint8_t virtualKey, uint32_t lParam, uint32_t timeMs) {
    return model_.KeyMessage(virtualKey, lParam, timeMs);
}

void Brisvane_DlgComposite::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept(); // neither closes the dialog
        return;
    case Qt::Key_F1:
        if (!model_.Macros().Recording())
            OpenHelp();
        event->accept();
        return;
    default:
        ui::CBaseDialog::keyPressEvent(event);
    }
}

void Brisvane_DlgComposite::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}

void Brisvane_DlgComposite::showEvent(QShowEvent* event) {
    ui::CBaseDialog::showEvent(event);
    // The key tab was chosen before the window was on screen, when it could not grab yet.
    if (capture_->Active())
        capture_->Grab(this);
}

void Brisvane_DlgComposite::OpenHelp() {
    QDesktopServices::openUrl(
        QUrl::fromLocalFile(QString::fromStdString(files_.helpPage.string())));
}

void Brisvane_DlgComposite::StartOnScreenKeyboard() {
    QString path;
    const std::string program = ChooseOnScreenKeyboard([&path](std::string_view name) {
        path = QStandardPaths::findExecutable(QString::fromUtf8(name.data(), name.size()));
        return !path.isEmpty();
    });
    if (program.empty() || !QProcess::startDetached(path, {}))
        prompts_.Inform(CompositeText(files_.languageFile, u"COMPOSITE_OSK_MISSING"),
                        ui::MessageKind::Plain);
}

const Brisvane_DlgComposite::ImageSet& Brisvane_DlgComposite::SetOfTab(Tab tab) const {
    switch (tab) {
    case Tab::Macro:
        return macro_;
    case Tab::Media:
        return media_;
    case Tab::Function:
        return function_;
    case Tab::Key:
        break;
    }
    return key_;
}

void Brisvane_DlgComposite::ShowTab(Tab tab) {
    const ImageSet& s = SetOfTab(tab);
    ui::CPngButton* picture = buttons_[kTabPicture];
    picture->SetFaceSurfaces(s.normal, s.normal, s.normal, s.normal, s.normal);

    const bool macro = tab == Tab::Macro;
    for (int id : kMacroTabControls)
        controls_[id]->setVisible(macro);
    controls_[kMacroLabel]->setVisible(macro);
    keyEdit_->setVisible(tab == Tab::Key);
    controls_[kKeyLabel]->setVisible(tab == Tab::Key);
    mediaList_->setVisible(tab == Tab::Media);
    controls_[kMediaLabel]->setVisible(tab == Tab::Media);
    functionList_->setVisible(tab == Tab::Function);
    controls_[kFunctionLabel]->setVisible(tab == Tab::Function);

    const std::pair<Tab, int> tabs[] = {{Tab::Key, kTabKey},
                                        {Tab::Macro, kTabMacro},
                                        {Tab::Media, kTabMedia},
                                        {Tab::Function, kTabFunction}};
    for (const auto& [t, id] : tabs)
        buttons_[id]->SetLatched(t == tab);
}

void Brisvane_DlgComposite::SetKeyText(std::u16string_view text) {
    keyEdit_->setText(Q(text));
}

void Brisvane_DlgComposite::SetApplyEnabled(bool enabled) {
    buttons_[kApply]->setEnabled(enabled);
}

// The one place that talks to the desktop key capture.
void Brisvane_DlgComposite::SetCapture(bool on) {
    if (on) {
        capture_->Start([this](uint8_t virtualKey, uint32_t lParam) {
            return OnKeyMessage(virtualKey, lParam, capture_->EventTime());
        });
        if (isVisible())
            capture_->Grab(this);
    } else {
        capture_->Ungrab();
        capture_->Stop();
    }
}

bool Brisvane_DlgComposite::Capturing() const {
    return capture_->Active();
}

void Brisvane_DlgComposite::SelectMediaRow(int row) {
    filling_ = true;
    mediaList_->setCurrentIndex(row);
    filling_ = false;
}

void Brisvane_DlgComposite::SelectFunctionRow(int row) {
    filling_ = true;
    functionList_->setCurrentIndex(row);
    filling_ = false;
}

void Brisvane_DlgComposite::SetMacroOnly(bool on) {
    for (int id : {kTabKey, kTabMedia, kTabFunction, kClear})
        buttons_[id]->setEnabled(!on);
    if (on)
        for (int id : {kKeyLabel, kMediaLabel, kFunctionLabel})
            controls_[id]->hide();
}

void Brisvane_DlgComposite::MacroTabChanged(unsigned parts) {
    macroControls_->Redraw(parts);
}

QWidget* Brisvane_DlgComposite::Control(int id) const {
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

ui::CPngButton* Brisvane_DlgComposite::ImageButton(int id) const {
    const auto it = buttons_.find(id);
    return it == buttons_.end() ? nullptr : it->second;
}

QString Brisvane_DlgComposite::KeyText() const {
    return keyEdit_->text();
}

const QImage* Brisvane_DlgComposite::TabPictureSurface() const {
    return SetOfTab(model_.ShownTab()).normal;
}

} // namespace macros
