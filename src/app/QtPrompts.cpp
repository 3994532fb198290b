#include "app/QtPrompts.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include "app/Menus.h"
#include "ui/SkinPalette.h"

namespace app {

namespace {
QString Q(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}
} // namespace

void QtPrompts::Dress(QMessageBox& box, const std::filesystem::path& languageFile) {
    ui::ApplySkinToPlainWindow(box);
    const BoxButtonLabels labels = BoxButtons(languageFile);
    const std::pair<QMessageBox::StandardButton, const std::u16string*> buttons[] = {
        {QMessageBox::Ok, &labels.ok},
        {QMessageBox::Yes, &labels.yes},
        {QMessageBox::No, &labels.no}};
    for (const auto& [which, label] : buttons)
        if (QAbstractButton* button = box.button(which))
            button->setText(Q(*label));
}

bool QtPrompts::AskYesNo(std::u16string_view text) {
    QMessageBox box(QMessageBox::Question, QString(), Q(text), QMessageBox::Yes | QMessageBox::No,
                    owner_);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    Dress(box, languageFile_);
    return box.exec() == QMessageBox::Yes;
}

void QtPrompts::Inform(std::u16string_view text, ui::MessageKind kind) {
    QMessageBox box(kind == ui::MessageKind::Information ? QMessageBox::Information
                                                         : QMessageBox::NoIcon,
                    QString(), Q(text), QMessageBox::Ok, owner_);
    Dress(box, languageFile_);
    box.exec();
}

QString QtPrompts::QtFilter(std::u16string_view filter) {
    // Pairs of "label|pattern", ended by "||".
    const QStringList parts = Q(filter).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        QString label = parts[i];
        if (!label.contains('('))
            label += " (" + parts[i + 1] + ")";
        filters << label;
    }
    return filters.join(";;");
}

std::optional<std::filesystem::path> QtPrompts::ChooseFile(const ui::FileChoice& choice) {
    QFileDialog dialog(owner_);
    ui::ApplySkinToPlainWindow(dialog);
    dialog.setAcceptMode(choice.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(choice.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(QtFilter(choice.filter));
    dialog.setDefaultSuffix(Q(choice.defaultExtension));
    if (!choice.directory.empty())
        dialog.setDirectory(QString::fromStdString(choice.directory.string()));
    if (!choice.initialName.empty() && choice.initialName.find(u'*') == std::u16string::npos)
        dialog.selectFile(Q(choice.initialName));
    // The question before replacing a file is asked here, in the skin and the window
    // language, not by the dialog in Qt's own grey English box.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    while (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const QString chosen = dialog.selectedFiles().first();
        const QFileInfo file(chosen);
        // No goes back to the dialog, as the platform's own question does.
        if (choice.save && choice.confirmOverwrite && file.exists() &&
            !AskYesNo(ReplaceQuestion(file.fileName().toStdU16String(), languageFile_)))
            continue;
        return std::filesystem::path(chosen.toStdString());
    }
    return std::nullopt;
}

} // namespace app
