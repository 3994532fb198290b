#include "app/CAboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AppIcons.h"
#include "app/ConnectionThread.h"
#include "app/Menus.h"
#include "ui/CHyperLink.h"
#include "ui/SkinPalette.h"

namespace app {

CAboutDlg::CAboutDlg(std::filesystem::path languageFile, QString link,
                     std::function<void()> openHelp)
    : languageFile_(std::move(languageFile)), openHelp_(std::move(openHelp)) {
    setWindowIcon(AppIcon(kIconNoKeyboard));
    setModal(false);
    auto* icon = new QLabel;
    icon->setPixmap(AppIcon(kIconNoKeyboard).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    first_ = new QLabel;
    second_ = new QLabel;
    first_->setWordWrap(true);
    second_->setWordWrap(true);
    link_ = new ui::CHyperLink;
    link_->SetURL(link);
    link_->SetLinkText(link);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(first_);
    texts->addWidget(second_);
    texts->addWidget(link_);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(texts, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    setMinimumWidth(360);
    ui::ApplySkinToPlainWindow(*this);
    // The product's name: the copyright line is the box's text, not its title.
    setWindowTitle(QStringLiteral("Brisvane"));
}

void CAboutDlg::Open() {
    if (open_)
        return;
    open_ = true;
    LoadAboutTexts();
    show();
    raise();
    activateWindow();
}

void CAboutDlg::Cancel() {
    if (open_)
        reject();
}

void CAboutDlg::LoadAboutTexts() {
    first_->setText(QString::fromStdU16String(WindowText(u"GUANYU_JIESHAO", languageFile_)));
    second_->setText(QString::fromStdU16String(WindowText(u"GUANYU_BANQUAN", languageFile_)));
    ok_->setText(QString::fromStdU16String(BoxButtons(languageFile_).ok));
}

QString CAboutDlg::FirstLine() const {
    return first_->text();
}
QString CAboutDlg::SecondLine() const {
    return second_->text();
}
QString CAboutDlg::OkText() const {
    return ok_->text();
}

void CAboutDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && openHelp_) {
        openHelp_();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CAboutDlg::done(int result) {
    open_ = false;
    QDialog::done(result);
}

} // namespace app
