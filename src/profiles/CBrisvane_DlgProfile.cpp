#include "profiles/CBrisvane_DlgProfile.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QGraphicsOpacityEffect>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTimer>
#include <QUrl>

#include "ui/CPngButton.h"
#include "ui/CReportCtrl.h"
#include "ui/IniFile.h"
#include "ui/Language.h"
#include "ui/SkinLayout.h"
#include "ui/SkinSurface.h"

namespace profiles {

namespace {

QString Q(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

struct ButtonEntry {
    int id;
    const char16_t* key;
};
constexpr ButtonEntry kButtons[] = {
    {CBrisvane_DlgProfile::kOk, u"CONTROL_OK"},
    {CBrisvane_DlgProfile::kCancel, u"CONTROL_CANCEL"},
    {CBrisvane_DlgProfile::kAdd, u"FUNC_ADD"},
    {CBrisvane_DlgProfile::kLoad, u"FUNC_LOAD"},
    {CBrisvane_DlgProfile::kDelete, u"FUNC_DELETE"},
    {CBrisvane_DlgProfile::kApply, u"CONTROL2_APPLY"},
};

// The list's columns: language key, the caption when the file lacks it, width.
struct Column {
    const char16_t* key;
    const char16_t* fallback;
    int width;
};
constexpr Column kColumns[] = {
    {u"PROFILE_LIST_ACTIVE", u"激活", 60},
    {u"PROFILE_LIST_NAME", u"名称", 120},
    {u"PROFILE_LIST_PATH", u"路径", 230},
};

} // namespace

CBrisvane_DlgProfile::CBrisvane_DlgProfile(QWidget* parent, ProfileManager::Parts parts,
                                           ProfileDialogFiles files,
                                           std::function<std::u16string(int)> profileName)
    : ui::CBaseDialog(parent, files.layout, files.skinFolder), model_(parts),
      files_(std::move(files)), profileName_(std::move(profileName)) {
    for (const ButtonEntry& b : kButtons)
        buttons_[b.id] = new ui::CPngButton(this);
    applyFade_ = new QGraphicsOpacityEffect(this);
    buttons_[kApply]->setGraphicsEffect(applyFade_);
    list_ = new ui::CReportCtrl(this);
    // A long folder keeps its start and its end.
    list_->setTextElideMode(Qt::ElideMiddle);
    for (const Column& c : kColumns)
        list_->InsertColumn(list_->GetColumnCount(), Q(c.fallback), Qt::AlignLeft, c.width);
    list_->SetGridLines(true);
    list_->SetCheckboxeStyle(ui::CheckMode::Single);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    // The path is the widest text: it takes what the other columns leave.
    list_->header()->setStretchLastSection(true);
    list_->SetCheckChangeCallback([this](int) {
        if (syncing_ || checksPending_)
            return;
        // One click changes several rows' checks, one callback each: read them once done.
        checksPending_ = true;
        QTimer::singleShot(0, this, [this] { ListChecksChanged(); });
    });

    auto click = [this](int id, auto fn) {
        connect(buttons_[id], &QAbstractButton::clicked, this, fn);
    };
    click(kOk, [this] { OnOK(); });
    click(kCancel, [this] { reject(); });
    click(kAdd, [this] {
        model_.AddNew();
        ShowRows(static_cast<int>(model_.Rows().size()) - 1);
    });
    click(kLoad, [this] {
        model_.Load();
        ShowRows(static_cast<int>(model_.Rows().size()) - 1);
    });
    click(kDelete, [this] {
        const int selected = list_->GetFirstItem(ui::kRowSelected);
        if (selected < 0)
            return;
        ShowRows(model_.Delete(selected));
    });
    click(kApply, [this] {
        model_.Apply();
        ShowChecks();
    });
}

ui::CPngButton* CBrisvane_DlgProfile::Button(int id) const {
    const auto it = buttons_.find(id);
    return it == buttons_.end() ? nullptr : it->second;
}

int CBrisvane_DlgProfile::Open() {
    return exec();
}

bool CBrisvane_DlgProfile::OnInitDialog() {
    ui::CBaseDialog::OnInitDialog();
    const QSize client = ClientSize();
    auto load = [&](const char* name) { return ui::SkinSurface(files_.skinFolder / name, client); };
    const QImage* normal = load("Profile_normal.jpg");
    const QImage* over = load("Profile_over.jpg");
    const QImage* down = load("Profile_down.jpg");
    for (const ButtonEntry& b : kButtons) {
        ui::PlaceImageButton(*buttons_[b.id], files_.layout, ui::kButtonInfo, b.key,
                             {normal, over, down, normal, normal});
        buttons_[b.id]->show();
    }
    ui::PlaceControl(*list_, files_.layout, ui::kButtonInfo, u"PROGRAM_LIST");
    ApplyTexts();

    std::array<std::u16string, 3> names;
    for (int i = 0; i < 3; ++i)
        names[i] = profileName_ ? profileName_(i) : std::u16string();
    model_.Open(names);
    ShowRows();
    return true;
}

void CBrisvane_DlgProfile::ApplyTexts() {
    const std::u16string_view section = ui::WindowTextSection(files_.languageFile);
    QTreeWidgetItem* header = list_->headerItem();
    for (int c = 0; c < static_cast<int>(std::size(kColumns)); ++c) {
        const auto text = ui::FindPrivateProfileString(
            section, kColumns[c].key, ui::kLanguageReadBuffer, files_.languageFile);
        header->setText(c, Q(text && !text->empty() ? *text : kColumns[c].fallback));
    }
}

void CBrisvane_DlgProfile::ShowRows(int select) {
    syncing_ = true;
    list_->DeleteAllItems();
    const auto& rows = model_.Rows();
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        list_->InsertItem(r, QString());
        list_->SetItemText(r, 1, Q(rows[r].name));
        list_->SetItemText(r, 2, Q(rows[r].folder));
    }
    if (select >= 0)
        list_->SetItemStates(select, ui::kRowSelected | ui::kRowFocused);
    syncing_ = false;
    ShowChecks();
}

void CBrisvane_DlgProfile::ShowChecks() {
    syncing_ = true;
    const int checked = model_.CheckedRow();
    for (int r = 0; r < list_->GetItemCount(); ++r)
        if (r != checked)
            list_->SetItemStates(r, ui::kRowUnchecked);
    if (checked >= 0)
        list_->SetItemStates(checked, ui::kRowChecked);
    syncing_ = false;
    // The skin has no disabled face for these buttons: a disabled Apply is faded instead.
    const bool enabled = model_.ApplyEnabled();
    buttons_[kApply]->setEnabled(enabled);
    applyFade_->setOpacity(enabled ? 1.0 : 0.4);
}

void CBrisvane_DlgProfile::ListChecksChanged() {
    checksPending_ = false;
    std::vector<bool> shown;
    for (int r = 0; r < list_->GetItemCount(); ++r)
        shown.push_back(list_->ExamItemStates(r, ui::kRowChecked));
    model_.ChecksChanged(shown);
    ShowChecks();
}

void CBrisvane_DlgProfile::Switched(int profile) {
    model_.Switched(profile);
    if (isVisible())
        ShowChecks();
}

void CBrisvane_DlgProfile::OnOK() {
    model_.Ok();
    ui::CBaseDialog::OnOK();
}

void CBrisvane_DlgProfile::reject() {
    if (model_.OpenCount() > 0)
        model_.Close();
    ReleasePictures();
    QDialog::reject();
}

bool CBrisvane_DlgProfile::CloseIfOpen() {
    if (model_.OpenCount() > 0)
        reject();
    return true;
}

void CBrisvane_DlgProfile::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        QDesktopServices::openUrl(
            QUrl::fromLocalFile(QString::fromStdString(files_.helpPage.string())));
        event->accept();
        return;
    }
    ui::CBaseDialog::keyPressEvent(event);
}

void CBrisvane_DlgProfile::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}

} // namespace profiles
