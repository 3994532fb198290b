// The language file a user edits: the text table is loaded from it and every text is formatted
// as the windows format them.

#include "FuzzInput.h"
#include "ui/Language.h"
#include "ui/TextFormat.h"
#include "ui/TextTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto file = fuzz::InputFile("language.ini", data, size);
    ui::StoredLanguage(file);
    ui::LoadLanguageTable(file);
    for (size_t n = 0; n < ui::kTextKeyCount; ++n)
        ui::FormatText(ui::TextOf(ui::TextKeyAt(n)), {42, u"text", 7u});
    ui::LoadedWindowText(u"MACRO_SPACE_USED");
    ui::ResetTextTable();
    return 0;
}
