// Profile files from anywhere: checked as an import checks them, then loaded into the store.

#include "FuzzInput.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileStore.h"
#include "ui/Prompts.h"

namespace {

struct Silent : ui::Prompts {
    bool AskYesNo(std::u16string_view) override { return false; }
    void Inform(std::u16string_view, ui::MessageKind) override {}
    std::optional<std::filesystem::path> ChooseFile(const ui::FileChoice&) override { return {}; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = profiles::InitProfileStore() == 1;
    if (!ready)
        return 0;
    const auto file = fuzz::InputFile("profile.bvx", data, size);
    Silent prompts;
    profiles::ValidateProfileFile(file, prompts);
    // A file that fails the header checks is still loaded: the load must hold its own.
    profiles::LoadProfileFile(file);
    return 0;
}
