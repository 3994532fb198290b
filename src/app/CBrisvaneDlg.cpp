#include "app/CBrisvaneDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QThread>
#include <QUrl>
#include <thread>

#include "app/AppIcons.h"
#include "app/CAboutDlg.h"
#include "app/CTrayIcon.h"
#include "app/Commands.h"
#include "app/ControlIds.h"
#include "app/MainWindowServer.h"
#include "app/Menus.h"
#include "app/NodeAccessNotice.h"
#include "app/QtKeyPanel.h"
#include "app/QtPrompts.h"
#include "device/Commands.h"
#include "device/Transport.h"
#include "keys/KeyButtons.h"
#include "keys/KeyCodes.h"
#include "keys/KeyEntry.h"
#include "keys/KeyboardView.h"
#include "lighting/CLightingPanel.h"
#include "lighting/UserFiles.h"
#include "macros/Brisvane_DlgComposite.h"
#include "platform/AppPaths.h"
#include "platform/KeyboardAccess.h"
#include "platform/MainWindowChannel.h"
#include "platform/WindowMessages.h"
#include "profiles/CBrisvane_DlgProfile.h"
#include "profiles/Connection.h"
#include "profiles/CurrentProfile.h"
#include "profiles/ProfileSession.h"
#include "profiles/ProfileStore.h"
#include "profiles/StoreKeyData.h"
#include "ui/CPngButton.h"
#include "ui/IniFile.h"
#include "ui/Language.h"
#include "ui/SilentExit.h"
#include "ui/SkinLayout.h"
#include "ui/SkinPalette.h"
#include "ui/SkinRect.h"
#include "ui/SkinSurface.h"
#include "ui/TextTable.h"
#include "update/CBrisvane_DlgUpdate.h"

namespace app {

namespace {

using ui::TextKey;

QString Q(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

QString Text(TextKey key) {
    return Q(ui::TextOf(key));
}

std::filesystem::path LanguageFile() {
    return ui::LanguageFileIn(platform::Paths().appFolder);
}

// The caption colour of a disabled command button: the skin's dim text.
constexpr uint32_t kDisabledCaption = 0x746C68;

// Buttons of the face rows of the skin: which pictures each face comes from.
enum class FaceRow { Plain, Apply, Link, Lock, Flip0, KeyLike, Version };

// The keyboard view's way to the key assignment dialog.
class KeyEditorLink : public keys::KeyEditor {
public:
    explicit KeyEditorLink(std::function<int(int)> open) : open_(std::move(open)) {}
    int OpenForKey(int id) override { return open_(id); }

private:
    std::function<int(int)> open_;
};

} // namespace

CBrisvaneDlg::CBrisvaneDlg(platform::InstanceLock& instanceLock, bool startHidden)
    : ui::CBaseDialog(nullptr, platform::Paths().mainSkinFile, platform::Paths().mainSkinFolder),
      instanceLock_(instanceLock), startHidden_(startHidden) {
    setWindowIcon(AppIcon(kIconNoKeyboard));
    timer1050_.setInterval(50);
    connect(&timer1050_, &QTimer::timeout, this, &CBrisvaneDlg::AnimationTick);
    timer1051_.setSingleShot(true);
    connect(&timer1051_, &QTimer::timeout, this, [this] {
        // The keyboard changed its own lighting: the panel reads it back.
        timer1051_.stop();
        if (lighting_)
            lighting_->Model().OnLightingNotice();
    });

    Connection().autoOpenDone = startHidden;
    SetApplyPending(false);
}

CBrisvaneDlg::~CBrisvaneDlg() {
    closing_ = true;
    device::SetTransportEvents(nullptr);
    // Connection threads may still be reading the keyboard; they hold a reference to us.
    for (int i = 0; i < 400 && connectionThreads_.load() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

int CBrisvaneDlg::DoModal() {
    if (!OnInitDialog())
        return QDialog::Rejected;
    looping_ = true;
    const int result = loop_.exec();
    looping_ = false;
    ReleaseStore();
    return result;
}

void CBrisvaneDlg::done(int result) {
    hide();
    setResult(result);
    if (looping_)
        loop_.exit(result);
}

bool CBrisvaneDlg::OnInitDialog() {
    ui::CBaseDialog::OnInitDialog();
    setWindowFlag(Qt::Tool, true); // not on the task bar while hidden
    Connection().initialised = false;
    Connection().activeProfileCache = -1;
    profiles::ForgetCurrentProfile();

    prompts_ = std::make_unique<QtPrompts>(this, LanguageFile());
    session_ = std::make_unique<profiles::ProfileSession>(*prompts_, *this);
    const auto& paths = platform::Paths();
    keyEditor_ = std::make_unique<macros::Brisvane_DlgComposite>(
        this, *this, *prompts_, &settings_,
        macros::CompositeFiles{paths.compositeSkinFile, paths.compositeSkinFolder, LanguageFile(),
                               paths.helpFolder / "index.html"},
        [this](int id) -> QWidget* { return Button(id); });
    keyData_ = std::make_unique<profiles::StoreKeyData>(*this);
    keyEditorLink_ = std::make_unique<KeyEditorLink>([this](int id) { return OpenKeyEditor(id); });

    int32_t count = 0;
    if (device::OpenDeviceLink(platform::Paths().appFolder, *this, &count) != device::kBindOk)
        ui::EndProgramSilently();
    if (count == 0)
        Connection().autoOpenDone = true;

    if (profiles::InitProfileStore() != 1)
        ui::EndProgramSilently();
    SetApplyPending(false);

    LoadPictures();
    keyPanel_ = std::make_unique<QtKeyPanel>([this](int id) { return Button(id); },
                                             QtKeyPanel::Pictures{pictures_.normal, pictures_.over,
                                                                  pictures_.down, pictures_.disable,
                                                                  pictures_.arrow},
                                             platform::Paths().mainSkinFile);
    keyView_ = std::make_unique<keys::KeyboardView>(*keyPanel_, *keyData_, settings_);
    keyView_->SetEditor(keyEditorLink_.get());
    keyView_->LoadFlip(); // before the arrows are placed; applied once the buttons are there
    linkTarget_ =
        Q(ui::GetPrivateProfileString(u"SCREEN", u"Link", u"https://quandril.example/brisvane", 260,
                                      platform::Paths().mainSkinFile));
    PlaceControls();
    const ui::SkinFaces reportFaces{pictures_.normal, pictures_.over, pictures_.down,
                                    pictures_.normal, pictures_.disable};
    lighting_ = std::make_unique<lighting::CLightingPanel>(
        *this, *keyView_,
        lighting::CLightingPanel::Skin{paths.mainSkinFile, paths.mainSkinFolder, LanguageFile(),
                                       reportFaces},
        lighting::UserFilesFor(paths.skinUserColourPrefix));

    // Another copy may only ask the window to open or to end; the other messages are the
    // window's own.
    server_ = std::make_unique<MainWindowServer>(
        [this](uint32_t message, uint32_t tag) {
            if (message == platform::UM_OPEN || message == platform::UM_KILL)
                HandleMessage(message, tag);
        },
        this);
    server_->Listen();
    setWindowTitle(Text(TextKey::MAIN_CAPTION));

    keyView_->ApplyFlip();
    QMetaObject::invokeMethod(
        this, [this] { HandleMessage(platform::UM_INIT, platform::kTagInit); },
        Qt::QueuedConnection);
    ApplyMainWindowTexts();
    return true;
}

void CBrisvaneDlg::LoadPictures() {
    const auto& skins = platform::Paths().mainSkinFolder;
    const QSize client = ClientSize();
    pictures_.normal = ui::SkinSurface(skins / "main_normal.jpg", client);
    pictures_.over = ui::SkinSurface(skins / "main_over.jpg", client);
    pictures_.down = ui::SkinSurface(skins / "main_down.jpg", client);
    pictures_.disable = ui::SkinSurface(skins / "main_disable.jpg", client);
    pictures_.arrow = ui::SkinSurface(skins / "Arrow.jpg", client);
    pictures_.color0 = ui::SkinSurface(skins / "main_color0.jpg", client);
    pictures_.color1 = ui::SkinSurface(skins / "main_color1.jpg", client);
    for (int k = 1; k <= 10; ++k) {
        QImage frame(
            QString::fromStdString((skins / ("jdt" + std::to_string(k) + ".bmp")).string()));
        busyFrames_.push_back(frame);
    }
}

ui::CPngButton* CBrisvaneDlg::AddButton(int id) {
    auto* button = new ui::CPngButton(this);
    buttons_.emplace_back(id, button);
    return button;
}

ui::CPngButton* CBrisvaneDlg::Button(int id) const {
    for (const auto& [buttonId, button] : buttons_)
        if (buttonId == id)
            return button;
    return nullptr;
}

void CBrisvaneDlg::PlaceControls() {
    const auto& layout = platform::Paths().mainSkinFile;
    const Pictures& p = pictures_;
    auto faces = [&](FaceRow row) -> ui::SkinFaces {
        switch (row) {
        case FaceRow::Plain:
            return {p.normal, p.over, p.down, p.normal, p.normal};
        case FaceRow::Apply:
            return {p.normal, p.over, p.down, p.disable, p.normal};
        case FaceRow::Link:
            return {p.normal, p.over, p.disable, p.normal, p.normal};
        case FaceRow::Lock:
            return {p.normal, p.normal, p.normal, p.normal, p.over};
        case FaceRow::Flip0:
            return {p.normal, p.normal, p.normal, p.normal, p.disable};
        case FaceRow::KeyLike:
            return {p.normal, p.over, p.down, p.normal, p.disable};
        case FaceRow::Version:
            return {p.normal, p.normal, p.normal, p.normal, p.normal};
        }
        return {};
    };
    auto place = [&](std::u16string_view key, int id, FaceRow row) {
        ui::CPngButton* button = AddButton(id);
        ui::PlaceImageButton(*button, layout, ui::kButtonInfo, key, faces(row));
        button->show();
        return button;
    };
    auto onClick = [this](ui::CPngButton* button, auto fn) {
        connect(button, &QAbstractButton::clicked, this, fn);
    };

    onClick(place(u"MIRQEL_LINK", kIdLink, FaceRow::Link),
            [this] { QDesktopServices::openUrl(QUrl(linkTarget_)); });
    Button(kIdLink)->SetTooltip(linkTarget_, true);
    onClick(place(u"FUNC_PROFILES", kIdProfileName, FaceRow::Plain),
            [this] { OpenProfileManager(); });
    place(u"FUNC_MACRO", kIdMacro, FaceRow::Plain);
    onClick(place(u"CONTROL_OK", kIdOk, FaceRow::Plain), [this] { OnOK(); });
    onClick(place(u"CONTROL_CANCEL", kIdCancel, FaceRow::Plain), [this] { reject(); });
    onClick(place(u"CONTROL_HELP", kIdHelp, FaceRow::Plain), [this] { OpenHelp(); });
    onClick(place(u"CONTROL_CLOSE", kIdClose, FaceRow::Plain), [this] { OnCommand(kCmdExit); });
    onClick(place(u"CONTROL_MINIMIZE", kIdMinimise, FaceRow::Plain), [this] { showMinimized(); });
    onClick(place(u"CONTROL_MENU", kIdMenu, FaceRow::Plain), [this] { ShowWindowMenu(); });
    onClick(place(u"CONTROL2_APPLY", kIdApply, FaceRow::Apply),
            [this] { session_->ApplyChanges(); });
    Button(kIdApply)->setEnabled(applyPending_);

    const std::pair<const char16_t*, int> locks[] = {{u"LOCK_CAPS", kIdLockCaps},
                                                     {u"LOCK_NUM", kIdLockNum},
                                                     {u"LOCK_SCROLL", kIdLockScroll},
                                                     {u"LOCK_AB", kIdLayer}};
    for (const auto& [key, id] : locks)
        place(key, id, FaceRow::Lock)->setEnabled(false);
    place(u"FLIP_0", kIdFlip0, FaceRow::Flip0)->setEnabled(false);
    ui::CPngButton* version = place(u"MIRQEL_VER", kIdVersion, FaceRow::Version);
    version->setEnabled(false);
    version->setText(Text(TextKey::MAIN_BUTTON_MIRQEL_VER));
    version->SetText(true, 8, "Verdana", 0xE4E4E4, 0x24);

    for (int id : {kIdFlip1, kIdFlip2})
        onClick(place(id == kIdFlip1 ? u"FLIP_1" : u"FLIP_2", id, FaceRow::KeyLike),
                [this] { keyView_->ToggleFlip(); });
    for (int k = 0; k < 3; ++k) {
        const std::u16string key = u"FUNC_PROFILE" + std::u16string(1, char16_t(u'1' + k));
        onClick(place(key, kIdProfile1 + k, FaceRow::KeyLike), [this, k] { ProfileButton(k); });
    }
    onClick(place(u"FUNC_DEFAULT", kIdDefault, FaceRow::KeyLike), [this] {
        keyView_->RestoreDefaultKeys(*prompts_, [this] { session_->ApplyChanges(); });
    });
    place(u"FUNC_SWITCH", kIdSwitch, FaceRow::KeyLike)->hide();
    Button(kIdSwitch)->setText(Text(TextKey::MAIN_SWITCH_FUNCTION_TEXT));
    place(u"KEY_FN", keys::kFnButtonId, FaceRow::KeyLike);
    for (int n = 1; n <= 9; ++n) {
        ui::CPngButton* g = place(ui::SpecialButtonLayoutKey(n),
                                  keys::kSpecialButtonTable[n - 1].id, FaceRow::KeyLike);
        g->setText(QStringLiteral("G%1").arg(n));
        if (n >= 6)
            g->setEnabled(false);
    }
    for (int n = 1; n <= 6; ++n) {
        const std::u16string key = u"FUNC_D" + std::u16string(1, char16_t(u'0' + n));
        place(key, keys::kFirstDButtonId + n - 1, FaceRow::KeyLike)->setEnabled(false);
    }
    for (const keys::KeyButton& k : keys::kKeyButtons)
        place(ui::KeyButtonLayoutKey(keys::KeyIndexOf(k.code)), k.id, FaceRow::KeyLike);
    for (const auto& [id, button] : buttons_) {
        const auto keyId = static_cast<uint16_t>(id);
        if (keys::IsPictureKey(keyId))
            onClick(button, [this, keyId] { keyView_->KeyButtonClick(keyId); });
        button->SetDrawCallback([this, keyId](ui::CPngButton&, bool normalFaceDrawn) {
            keyView_->ButtonDrawn(keyId, normalFaceDrawn);
        });
    }

    for (bool left : {true, false}) {
        ui::CPngButton* arrow = AddButton(left ? kIdLeftArrow : kIdRightArrow);
        ui::PlaceImageButtonFrom(*arrow, layout, ui::kButtonInfo,
                                 left ? u"LEFT_ARROW" : u"RIGHT_ARROW", u"BUTTONINFO2",
                                 ui::ArrowFaceKey(left, keyView_->Flip()), p.arrow);
        arrow->setEnabled(false);
        arrow->show();
    }

    busyPicture_ = new QLabel(this);
    ui::PlaceControl(*busyPicture_, layout, ui::kButtonInfo, u"CONTROL_JDTStatic");
    busyPicture_->hide();
}

void CBrisvaneDlg::ApplyMainWindowTexts() {
    const auto file = LanguageFile();
    const std::u16string_view section = ui::WindowTextSection(file);
    struct Caption {
        int id;
        const char16_t* key;
        const char16_t* fallback;
    };
    const Caption captions[] = {
        {kIdMacro, u"PROFILE_MACRO", u"Macro"}, {kIdDefault, u"PROFILE_DEFAULT", u"Default"},
        {kIdOk, u"PROFILE_OK", u"OK"},          {kIdCancel, u"PROFILE_CANCLE", u"Cancel"},
        {kIdApply, u"PROFILE_APPLY", u"Apply"},
    };
    for (const Caption& c : captions) {
        ui::CPngButton* button = Button(c.id);
        if (!button)
            continue;
        const auto text = ui::FindPrivateProfileString(section, c.key, 108, file);
        button->setText(Q(text ? *text : std::u16string(c.fallback)));
        button->SetText(true, 9, "Tahoma", 0xFFFFFF, 0x25);
        // A disabled command (Apply while no edit waits) dims its caption with its face.
        button->SetDisabledTextColour(kDisabledCaption);
    }
    for (int k = 0; k < 3; ++k) {
        if (ui::CPngButton* button = Button(kIdProfile1 + k)) {
            button->setText(Q(ProfileName(k, file)));
            button->SetText(true, 9, "Tahoma", 0xFFFFFF, 0x25);
            button->SetDisabledTextColour(kDisabledCaption);
        }
    }
    const std::pair<TextKey, int> tips[] = {{TextKey::MAIN_MINIMIZE_PROMPT, kIdMinimise},
                                            {TextKey::MAIN_MENU_PROMPT, kIdMenu},
                                            {TextKey::MAIN_CLOSE_PROMPT, kIdClose}};
    for (const auto& [key, id] : tips) {
        if (const auto text =
                ui::FindPrivateProfileString(section, ui::TextSlotInfoOf(key).key, 260, file))
            ui::SetText(key, *text);
        if (ui::CPngButton* button = Button(id))
            button->SetTooltip(Text(key), true);
    }
    update();
}

// The keyboard view exists once the pictures are loaded; a keyboard that answers earlier
// finds no buttons to draw yet.
void CBrisvaneDlg::RefreshKeyView() {
    if (keyView_)
        keyView_->RefreshKeyButtons();
}

void CBrisvaneDlg::RefreshKeyTooltips() {
    if (keyView_)
        keyView_->RefreshKeyTooltips();
}

void CBrisvaneDlg::ResetKeyButton(uint32_t globalEntry) {
    if (keyView_)
        keyView_->ResetKeyButton(globalEntry);
}

int CBrisvaneDlg::OpenKeyEditor(int buttonId) {
    if (!keyEditor_ || keyEditor_->OpenCount() != 0)
        return -1;
    return keyEditor_->OpenForKey(buttonId);
}

void CBrisvaneDlg::SetApplyPending(bool pending) {
    applyPending_ = pending;
    if (ui::CPngButton* apply = Button(kIdApply))
        apply->setEnabled(pending);
}

bool CBrisvaneDlg::ApplyPending() const {
    return applyPending_;
}

void CBrisvaneDlg::ShowBusy(bool busy) {
    if (!busyPicture_)
        return;
    if (busy) {
        busyFrame_ = 0;
        AnimationTick();
        busyPicture_->show();
        timer1050_.start();
        // The download that follows runs on this thread: paint the picture first.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    } else {
        QTimer::singleShot(100, this, [this] {
            timer1050_.stop();
            busyPicture_->hide();
        });
    }
}

void CBrisvaneDlg::AnimationTick() {
    if (!busyFrames_.empty() && busyPicture_)
        busyPicture_->setPixmap(QPixmap::fromImage(busyFrames_[busyFrame_]));
    busyFrame_ = (busyFrame_ + 1) % 10;
}

void CBrisvaneDlg::LatchProfileButton(int profile) {
    for (int k = 0; k < 3; ++k)
        if (ui::CPngButton* b = Button(kIdProfile1 + k))
            b->SetLatched(k == profile);
}

void CBrisvaneDlg::ProfileButton(int profile) {
    lighting_->Model().ProfileButton(profile);
    if (profile == profiles::CachedCurrentProfile())
        return;
    if (session_->SwitchProfile(profile) == 0)
        return;
    LatchProfileButton(profiles::CachedCurrentProfile());
}

void CBrisvaneDlg::RebuildProfileMenu(bool create) {
    if (create || !profileMenu_)
        profileMenu_ = std::make_unique<QMenu>();
    ui::ApplySkinPalette(*profileMenu_);
    profileMenu_->clear();
    auto add = [this](const QString& text, int command) {
        QAction* action = profileMenu_->addAction(text);
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, command] {
            // Deferred: the switch rebuilds this very menu.
            QMetaObject::invokeMethod(
                this,
                [this, command] {
                    if (session_->SwitchProfile(command - (kIdProfileMenuFirst + 1)))
                        LatchProfileButton(profiles::CachedCurrentProfile());
                },
                Qt::QueuedConnection);
        });
        return action;
    };
    QList<QAction*> items;
    items << add(Text(TextKey::DEFAULT_PROFILE_NAME), kIdProfileMenuFirst);
    profileMenu_->addSeparator();
    const auto languageFile = LanguageFile();
    for (int i = 0; i < 3; ++i)
        items << add(Q(ProfileName(i, languageFile)), kIdProfileMenuFirst + 1 + i);
    const int current = profiles::CachedCurrentProfile();
    QAction* checked = items.value(current < 0 ? 0 : current + 1);
    if (checked)
        checked->setChecked(true);
    if (ui::CPngButton* name = Button(kIdProfileName)) {
        name->setText(checked ? checked->text() : QString());
        name->SetText(true, 9, "Tahoma", 0xFFFFFF, 0x25);
        name->SetTextRotation(900, true);
        name->SetTooltip(Text(TextKey::PROFILE_TIP) + name->text(), true);
    }
}

void CBrisvaneDlg::RebuildProfileMenu() {
    RebuildProfileMenu(false);
    LatchProfileButton(profiles::CachedCurrentProfile());
}

bool CBrisvaneDlg::ProfileManagerApplyEnabled() const {
    return profileManager_ && profileManager_->ApplyEnabled();
}

void CBrisvaneDlg::ProfileManagerSwitched(int profile) {
    if (profileManager_)
        profileManager_->Switched(profile);
}

void CBrisvaneDlg::OpenProfileManager() {
    const auto& paths = platform::Paths();
    if (!profileManager_)
        profileManager_ = std::make_unique<profiles::CBrisvane_DlgProfile>(
            this, profiles::ProfileManager::Parts{*prompts_, *this, *session_, settings_},
            profiles::ProfileDialogFiles{paths.profileSkinFile, paths.profileSkinFolder,
                                         LanguageFile(), paths.helpFolder / "index.html"},
            [](int profile) { return ProfileName(profile, LanguageFile()); });
    if (profileManager_->Model().OpenCount() == 0)
        profileManager_->Open();
}

void CBrisvaneDlg::OpenUpdate() {
    const auto& paths = platform::Paths();
    if (!update_)
        update_ = std::make_unique<update::CBrisvane_DlgUpdate>(
            this, *prompts_,
            update::UpdateDialogFiles{paths.updateSkinFile, paths.updateSkinFolder, LanguageFile(),
                                      paths.updatePackage},
            [] { return device::EnterBootLoader(); });
    if (!update_->isVisible())
        update_->Open();
}

void CBrisvaneDlg::ShowProfileMenu() {
    if (profileMenu_) {
        activateWindow();
        profileMenu_->exec(QCursor::pos());
    }
}

void CBrisvaneDlg::ShowWindowMenu() {
    QMenu menu;
    ui::ApplySkinPalette(menu);
    const auto labels = MenuLabels(kWindowMenu, LanguageFile());
    for (size_t i = 0; i < kWindowMenu.size(); ++i) {
        const uint32_t command = kWindowMenu[i].command;
        connect(menu.addAction(Q(labels[i])), &QAction::triggered, this,
                [this, command] { OnCommand(command); });
    }
    menu.addSeparator();
    // Language names are shown in their own language, whatever the current one is.
    connect(menu.addAction(QStringLiteral("中文")), &QAction::triggered, this,
            [this] { OnCommand(kCmdChinese); });
    connect(menu.addAction(QStringLiteral("English")), &QAction::triggered, this,
            [this] { OnCommand(kCmdEnglish); });
    menu.exec(QCursor::pos());
}

void CBrisvaneDlg::OnCommand(uint32_t command) {
    switch (command) {
    case kCmdOpen:
        OnOpen();
        break;
    case kCmdAbout:
        OpenAbout();
        break;
    case kCmdExit:
    case kCmdClose:
        OnKill();
        break;
    case kCmdImport:
        session_->ImportProfile();
        RefreshKeyView();
        break;
    case kCmdExport:
        session_->ExportProfile();
        break;
    case kCmdFirmwareUpdate:
        OpenUpdate();
        break;
    case kCmdChinese:
        SelectLanguage(ui::kLanguageChinese);
        break;
    case kCmdEnglish:
        SelectLanguage(ui::kLanguageEnglish);
        break;
    case kCmdProfileMenu:
        ShowProfileMenu();
        break;
    default:
        break;
    }
}

void CBrisvaneDlg::SelectLanguage(uint16_t language) {
    ui::SelectLanguage(LanguageFile(), language);
    ApplyMainWindowTexts();
    RebuildProfileMenu(false); // the profile names and the name button's tooltip
    lighting_->Model().LanguageChanged();
    if (tray_)
        tray_->SetTooltip(Text(TextKey::KEYBOARD_TRAY_DESC));
    update();
}

void CBrisvaneDlg::OpenHelp() {
    const auto page = platform::Paths().helpFolder / "index.html";
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(page.string())));
}

bool CBrisvaneDlg::KeyEditorOpen() const {
    return keyEditor_ && keyEditor_->OpenCount() > 0;
}

void CBrisvaneDlg::SetKeyButtonEditing(int buttonId, bool editing) {
    if (keyView_)
        keyView_->SetEditing(static_cast<uint16_t>(buttonId), editing);
}

void CBrisvaneDlg::OpenAbout() {
    if (about_ && about_->isVisible())
        return;
    if (!about_)
        about_ = std::make_unique<CAboutDlg>(LanguageFile(), linkTarget_, [this] { OpenHelp(); });
    about_->Open();
}

void CBrisvaneDlg::HandleMessage(uint32_t message, uint32_t tag) {
    if (!platform::TagMatches(message, tag))
        return;
    switch (message) {
    case platform::UM_OPEN:
        OnOpen();
        break;
    case platform::UM_KILL:
        OnKill();
        break;
    case platform::UM_INIT:
        OnInit();
        break;
    case platform::UM_PROF:
        OnProf();
        break;
    case platform::UM_LED:
        OnLed();
        break;
    default:
        break;
    }
}

void CBrisvaneDlg::OnOpen() {
    switch (RequestOpen(Connection())) {
    case OpenAnswer::Show:
        if (windowFlags() & Qt::Tool)
            setWindowFlag(Qt::Tool, false); // on the task bar while shown
        showNormal();
        raise();
        activateWindow();
        return;
    case OpenAnswer::Wait:
        return; // the connection thread asks again once it has read the keyboard
    case OpenAnswer::NoDevice:
        break;
    }
    // A box of its own, owned by no window: the main window stays hidden.
    QtPrompts(nullptr, LanguageFile())
        .Inform(ui::TextOf(TextKey::MAIN_NO_DEVICE_PROMPT), ui::MessageKind::Plain);
}

void CBrisvaneDlg::OnKill() {
    hide();
    Shutdown();
    done(QDialog::Rejected);
}

void CBrisvaneDlg::OnInit() {
    tray_ = std::make_unique<CTrayIcon>(LanguageFile());
    connect(tray_.get(), &CTrayIcon::CommandChosen, this, &CBrisvaneDlg::OnCommand);
    const bool created = tray_->Create(this, Text(TextKey::KEYBOARD_TRAY_DESC), kIconNoKeyboard);
    tray_->SetSingleClickCommand(kCmdProfileMenu);
    RebuildProfileMenu(true);
    Connection().initialised = true;
    accessNotice_ = std::make_unique<NodeAccessNotice>(
        platform::Under(platform::SystemRoot(), "/dev"), NodeAccessNotice::SystemProbe(),
        [] { return Connection().lastDeviceCount.load() > 0; },
        [](const QString& advice) {
            QtPrompts(nullptr, LanguageFile())
                .Inform(advice.toStdU16String(), ui::MessageKind::Information);
        });
    accessNotice_->Start();
    hide();
    if (created && tray_->HostPresent())
        return;
    if (created && startHidden_ && tray_->WatchesHost()) {
        // Started at login, the program often comes before the panel's notification area:
        // it waits for one before it falls back to its window.
        connect(tray_.get(), &CTrayIcon::HostChanged, &trayWait_, [this](bool present) {
            if (present)
                trayWait_.stop();
        });
        trayWait_.setSingleShot(true);
        connect(&trayWait_, &QTimer::timeout, this, &CBrisvaneDlg::OpenWithoutTray);
        trayWait_.start(kTrayHostWait);
        return;
    }
    OpenWithoutTray();
}

void CBrisvaneDlg::OpenWithoutTray() {
    // Without a notification area the window is the only way in: show it now.
    setWindowFlag(Qt::Tool, false);
    showNormal();
}

void CBrisvaneDlg::OnProf() {
    session_->ReloadProfileFromKeyboard(false);
    LatchProfileButton(profiles::GetCurrentProfile());
    RebuildProfileMenu(false);
    keyEditor_->SpaceChanged(); // the keyboard now says how much macro space it has
    if (lighting_)
        lighting_->Model().KeyboardConnected(profiles::GetCurrentProfile());
}

void CBrisvaneDlg::OnLed() {
    if (!keyView_)
        return;
    // The special buttons show the entries of the new layer.
    keyView_->RefreshKeyTooltips();
    keyView_->ShowLayer();
}

void CBrisvaneDlg::OnOK() {
    session_->ApplyChanges();
    hide();
}

void CBrisvaneDlg::reject() {
    hide();
}

void CBrisvaneDlg::closeEvent(QCloseEvent* event) {
    // Alt+F4 and the window manager's close only hide, as Esc does.
    event->ignore();
    if (!closing_)
        hide();
}

void CBrisvaneDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        OpenHelp();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        OnOK();
        return;
    }
    ui::CBaseDialog::keyPressEvent(event);
}

void CBrisvaneDlg::Shutdown() {
    closing_ = true;
    if (about_)
        about_->Cancel();
    if (keyEditor_)
        keyEditor_->CloseIfOpen();
    if (profileManager_)
        profileManager_->CloseIfOpen();
    if (update_)
        update_->CloseIfOpen();
    CloseNestedWindows();
    instanceLock_.Close();
    trayWait_.stop();
    if (tray_)
        tray_->Remove();
    SetApplyPending(false);
    if (server_)
        server_->Close();
    // The store is released once the loop has ended (DoModal): code that opened a box
    // closed above goes on after it and may still read the store.
}

void CBrisvaneDlg::ReleaseStore() {
    {
        auto& store = profiles::GetProfileStore();
        std::lock_guard lock(store.lock);
        profiles::ReleaseProfileStore();
    }
    {
        auto& copy = profiles::GetDownloadCopy();
        std::lock_guard lock(copy.lock);
        profiles::ReleaseDownloadCopy();
    }
}

void CBrisvaneDlg::CloseNestedWindows() {
    // A message box, file dialog or menu shown on this thread runs a loop of its own, inside
    // which the exit request arrived; left open, it would keep the program running until
    // someone closed it. Each is closed as cancelled.
    while (QWidget* popup = QApplication::activePopupWidget())
        if (!popup->close())
            break;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(window);
        if (dialog && dialog != this && dialog->isVisible())
            dialog->reject();
    }
}

void CBrisvaneDlg::OnUi(std::function<void()> fn, bool blocking) {
    if (closing_)
        return;
    if (QThread::currentThread() == thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(this, std::move(fn),
                              blocking ? Qt::BlockingQueuedConnection : Qt::QueuedConnection);
}

// Transport notifications, on the library's threads.

void CBrisvaneDlg::OnLayerSwitched() {
    // Posted rather than sent: the library's thread also delivers the answers that an
    // exchange on the window's thread may be waiting for.
    OnUi([this] { HandleMessage(platform::UM_LED, platform::kTagLed); }, false);
}

void CBrisvaneDlg::OnLightingChanged() {
    OnUi([this] { timer1051_.start(0); }, false);
}

// The icon's state changes on the window's thread, in the order the changes were posted,
// so that the icon shown is always the state's last word.
void CBrisvaneDlg::OnMacroPlaying(bool playing) {
    OnUi(
        [this, playing] {
            if (const int icon = icon_.SetMacroPlaying(playing); icon && tray_)
                tray_->SetIcon(icon);
        },
        false);
}

void CBrisvaneDlg::OnKeyboardCountChanged(int32_t count) {
    if (closing_)
        return;
    const auto n = static_cast<uint32_t>(std::max(count, 0));
    NoteKeyboardCount(Connection(), n);
    ++connectionThreads_;
    std::thread([this, n] {
        RunConnection(n, Connection(), *this);
        --connectionThreads_;
    }).detach();
}

// Connection threads.

void CBrisvaneDlg::HideWindow() {
    OnUi([this] { hide(); }, false);
}

ConnectionSink::Reads CBrisvaneDlg::ReadKeyboard() {
    if (closing_)
        return {};
    const profiles::ConnectionReads reads = profiles::ReadKeyboardOnConnection();
    return {reads.defaultLayout, reads.config};
}

void CBrisvaneDlg::ReportDefaultLayoutFailure() {
    OnUi(
        [this] {
            prompts_->Inform(ui::TextOf(TextKey::MAIN_DEFAULT_MATRIX_PROMPT),
                             ui::MessageKind::Plain);
        },
        true);
}

void CBrisvaneDlg::RefreshFromKeyboard() {
    OnUi([this] { HandleMessage(platform::UM_PROF, platform::kTagProf); }, true);
}

void CBrisvaneDlg::SetDeviceIcon(int icon) {
    OnUi(
        [this, icon] {
            if (const int shown = icon_.SetDeviceIcon(icon); shown && tray_)
                tray_->SetIcon(shown);
        },
        false);
}

void CBrisvaneDlg::PostOpen() {
    OnUi([this] { HandleMessage(platform::UM_OPEN, platform::kTagOpen); }, false);
}

} // namespace app
