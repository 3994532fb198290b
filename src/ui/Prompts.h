#pragma once

// How model code reaches the user: message boxes and file dialogs. The windows implement
// it over Qt; tests and the command-line tool have their own.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ui {

enum class MessageKind {
    Plain,       // a plain message box
    Information, // with the information icon
};

struct FileChoice {
    bool save = false;             // a save dialog (else an open dialog)
    bool confirmOverwrite = false; // save: ask before replacing a file
    bool hideReadOnly = true;
    std::u16string defaultExtension; // without the dot
    std::u16string initialName;
    std::u16string filter;           // "(*.bvx)|*.bvx|(*.*)|*.*||"
    std::filesystem::path directory; // where the dialog starts; empty: its own choice
};

class Prompts {
public:
    virtual ~Prompts() = default;
    // A Yes/No box whose default button is No; true only for Yes.
    virtual bool AskYesNo(std::u16string_view text) = 0;
    // An OK box.
    virtual void Inform(std::u16string_view text, MessageKind kind = MessageKind::Information) = 0;
    // The chosen path, or nothing when the user cancels.
    virtual std::optional<std::filesystem::path> ChooseFile(const FileChoice& choice) = 0;
};

} // namespace ui
