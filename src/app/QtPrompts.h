#pragma once

// Message boxes and file dialogs for the model's questions. The boxes take the skin's colours
// and label their buttons in the window language.

#include <QString>
#include <filesystem>

#include "ui/Prompts.h"

class QMessageBox;
class QWidget;

namespace app {

class QtPrompts : public ui::Prompts {
public:
    QtPrompts(QWidget* owner, std::filesystem::path languageFile)
        : owner_(owner), languageFile_(std::move(languageFile)) {}
    bool AskYesNo(std::u16string_view text) override;
    void Inform(std::u16string_view text, ui::MessageKind kind) override;
    std::optional<std::filesystem::path> ChooseFile(const ui::FileChoice& choice) override;

    // "(*.bvx)|*.bvx|(*.*)|*.*||" as a Qt filter: "(*.bvx);;(*.*)".
    static QString QtFilter(std::u16string_view filter);

    // The skin's colours and the language file's labels for the box's buttons.
    static void Dress(QMessageBox& box, const std::filesystem::path& languageFile);

private:
    QWidget* owner_;
    std::filesystem::path languageFile_;
};

} // namespace app
