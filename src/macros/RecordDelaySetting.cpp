#include "macros/RecordDelaySetting.h"

#include <string>

#include "ui/AppSettings.h"
#include "ui/TextTable.h"

namespace macros {
namespace {

constexpr std::u16string_view kSection = u"PROFILES";

// Leading blanks, an optional sign and the digits that follow; 0 when there are none.
int ParseDecimal(std::u16string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > 0x7FFFFFFF)
            value = 0x7FFFFFFF; // any large value means "not 0 or 1"
    }
    return static_cast<int>(negative ? -value : value);
}

} // namespace

int LoadRecordDelaySetting(ui::AppSettings& settings) {
    const std::u16string entry(ui::TextOf(ui::TextKey::MACRO_ACTION_RECORD_DELAY));
    return ParseDecimal(settings.GetProfileString(kSection, entry, u"0"));
}

int SaveRecordDelaySetting(ui::AppSettings& settings, int value) {
    const int stored = (value == 0 || value == 1) ? value : 0;
    const std::u16string entry(ui::TextOf(ui::TextKey::MACRO_ACTION_RECORD_DELAY));
    settings.WriteProfileString(kSection, entry, stored == 1 ? u"1" : u"0");
    return stored;
}

} // namespace macros
