#pragma once

// Message boxes and file dialogs for the model's questions.

#include <QString>

#include "ui/Prompts.h"

class QWidget;

namespace app {

class QtPrompts : public ui::Prompts {
public:
    explicit QtPrompts(QWidget* owner) : owner_(owner) {}
    bool AskYesNo(std::u16string_view text) override;
    void Inform(std::u16string_view text, ui::MessageKind kind) override;
    std::optional<std::filesystem::path> ChooseFile(const ui::FileChoice& choice) override;

    // "(*.bvx)|*.bvx|(*.*)|*.*||" as a Qt filter: "(*.bvx);;(*.*)".
    static QString QtFilter(std::u16string_view filter);

private:
    QWidget* owner_;
};

} // namespace app
