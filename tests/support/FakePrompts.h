#pragma once

// Message boxes and file dialogs for tests: records what was shown, answers from a script.

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ui/Prompts.h"

class FakePrompts : public ui::Prompts {
public:
    bool AskYesNo(std::u16string_view text) override {
        questions.emplace_back(text);
        if (answers.empty())
            return false; // No is the default button
        bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void Inform(std::u16string_view text, ui::MessageKind kind) override {
        messages.emplace_back(text);
        kinds.push_back(kind);
    }
    std::optional<std::filesystem::path> ChooseFile(const ui::FileChoice& choice) override {
        choices.push_back(choice);
        return chosenFile;
    }

    std::deque<bool> answers;
    std::optional<std::filesystem::path> chosenFile;
    std::vector<std::u16string> questions;
    std::vector<std::u16string> messages;
    std::vector<ui::MessageKind> kinds;
    std::vector<ui::FileChoice> choices;
};
