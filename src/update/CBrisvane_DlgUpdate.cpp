#include "update/CBrisvane_DlgUpdate.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QProcess>

#include "ui/CPngButton.h"
#include "ui/ColorStatic.h"
#include "ui/SkinLayout.h"
#include "ui/SkinSurface.h"

namespace update {

namespace {

constexpr std::pair<int, const char16_t*> kButtons[] = {
    {CBrisvane_DlgUpdate::kCancelUpdate, u"CONTROL_CUPButton"},
    {CBrisvane_DlgUpdate::kUpdate, u"CONTROL_UPButton"},
    {CBrisvane_DlgUpdate::kOpen, u"CONTROL_OPENButton"},
    {CBrisvane_DlgUpdate::kBackup, u"CONTROL_BACKUPButton"},
};

constexpr uint32_t kPathColour = 0xE4E4E4;

// QProcess reports a program that could not be executed (missing, not executable, not a
// format the system runs) as not started; the program is not our child and outlives us.
bool StartDetached(const std::filesystem::path& program) {
    return QProcess::startDetached(QString::fromStdString(program.string()), {});
}

} // namespace

CBrisvane_DlgUpdate::CBrisvane_DlgUpdate(QWidget* parent, ui::Prompts& prompts,
                                         UpdateDialogFiles files,
                                         std::function<int32_t()> enterBootLoader)
    : ui::CBaseDialog(parent, files.layout, files.skinFolder), files_(std::move(files)),
      model_(prompts, *this, HandOver{std::move(enterBootLoader), StartDetached},
             files_.packageFolder, files_.languageFile) {
    for (const auto& [id, key] : kButtons)
        buttons_[id] = new ui::CPngButton(this);
    path_ = new ui::ColorStatic(this);
    path_->SetTextColor(kPathColour);
    path_->setAttribute(Qt::WA_TranslucentBackground);
    path_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    combo_ = new QComboBox(this); // the template's list, never filled
    combo_->hide();

    auto click = [this](int id, auto fn) {
        connect(buttons_[id], &QAbstractButton::clicked, this, fn);
    };
    click(kOpen, [this] { model_.Open(); });
    click(kUpdate, [this] { model_.Update(); });
    click(kCancelUpdate, [this] { model_.CancelUpdate(); });
    click(kBackup, [this] { model_.Backup(); });
}

ui::CPngButton* CBrisvane_DlgUpdate::Button(int id) const {
    const auto it = buttons_.find(id);
    return it == buttons_.end() ? nullptr : it->second;
}

int CBrisvane_DlgUpdate::Open() {
    return exec();
}

bool CBrisvane_DlgUpdate::OnInitDialog() {
    ui::CBaseDialog::OnInitDialog();
    const QSize client = ClientSize();
    const QImage* normal = ui::SkinSurface(files_.skinFolder / "update_normal.jpg", client);
    const QImage* over = ui::SkinSurface(files_.skinFolder / "update_over.jpg", client);
    for (const auto& [id, key] : kButtons) {
        ui::PlaceImageButton(*buttons_[id], files_.layout, ui::kButtonInfo, key,
                             {normal, over, over, over, over});
        buttons_[id]->show();
    }
    ui::PlaceControl(*path_, files_.layout, ui::kButtonInfo, u"CONTROL_UPStatic");
    ui::PlaceControl(*combo_, files_.layout, ui::kButtonInfo, u"CONTROL_UPCombox");
    combo_->hide();
    model_.Opened();
    return true;
}

void CBrisvane_DlgUpdate::ShowPath(std::u16string_view path) {
    const QString full = QString::fromUtf16(path.data(), static_cast<qsizetype>(path.size()));
    // A long path keeps its start and its file name.
    path_->SetWindowText(path_->fontMetrics().elidedText(full, Qt::ElideMiddle, path_->width()));
    path_->setToolTip(full);
    path_->setProperty("fullPath", full);
    repaint();
}

QString CBrisvane_DlgUpdate::ShownPath() const {
    return path_->property("fullPath").toString();
}

void CBrisvane_DlgUpdate::CloseDialog() {
    ReleasePictures();
    QDialog::reject();
}

bool CBrisvane_DlgUpdate::CloseIfOpen() {
    if (isVisible())
        CloseDialog();
    return true;
}

void CBrisvane_DlgUpdate::closeEvent(QCloseEvent* event) {
    event->ignore();
    CloseDialog();
}

} // namespace update
