#include "macros/RecordDelaySetting.h"

#include <string>

#include "ui/AppSettings.h"
#include "ui/IniFile.h"
#include "ui/TextTable.h"

namespace macros {
namespace {

constexpr std::u16string_view kSection = u"PROFILES";

} // namespace

int LoadRecordDelaySetting(ui::AppSettings& settings) {
    const std::u16string entry(ui::TextOf(ui::TextKey::MACRO_ACTION_RECORD_DELAY));
    return ui::LeadingInteger(settings.GetProfileString(kSection, entry, u"0"));
}

int SaveRecordDelaySetting(ui::AppSettings& settings, int value) {
    const int stored = (value == 0 || value == 1) ? value : 0;
    const std::u16string entry(ui::TextOf(ui::TextKey::MACRO_ACTION_RECORD_DELAY));
    settings.WriteProfileString(kSection, entry, stored == 1 ? u"1" : u"0");
    return stored;
}

} // namespace macros
