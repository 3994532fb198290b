#include <gtest/gtest.h>

#include <map>
#include <string>

#include "macros/RecordDelaySetting.h"
#include "ui/AppSettings.h"

namespace {

class MemorySettings : public ui::AppSettings {
public:
    std::u16string GetProfileString(std::u16string_view section, std::u16string_view entry,
                                    std::u16string_view defaultValue) override {
        auto it = values.find(Key(section, entry));
        return it == values.end() ? std::u16string(defaultValue) : it->second;
    }
    bool WriteProfileString(std::u16string_view section, std::u16string_view entry,
                            std::u16string_view value) override {
        values[Key(section, entry)] = value;
        return true;
    }
    static std::u16string Key(std::u16string_view section, std::u16string_view entry) {
        return std::u16string(section) + u"/" + std::u16string(entry);
    }
    std::map<std::u16string, std::u16string> values;
};

} // namespace

TEST(RecordDelaySetting, ReadsTheStoredDecimalValue) {
    struct Case {
        const char16_t* stored; // null: no entry
        int read;
    };
    for (Case c : {Case{nullptr, 0}, Case{u"1", 1}, Case{u"0", 0}, Case{u"7", 7}, Case{u"abc", 0},
                   Case{u"", 0}, Case{u" 1", 1}, Case{u"-3", -3}}) {
        MemorySettings settings;
        if (c.stored)
            settings.values[u"PROFILES/RecordDelay"] = c.stored;
        EXPECT_EQ(macros::LoadRecordDelaySetting(settings), c.read)
            << (c.stored
                    ? std::string(c.stored, c.stored + std::char_traits<char16_t>::length(c.stored))
                    : "missing");
    }
}

TEST(RecordDelaySetting, StoresOnlyZeroOrOne) {
    MemorySettings settings;
    EXPECT_EQ(macros::SaveRecordDelaySetting(settings, 1), 1);
    EXPECT_EQ(settings.values[u"PROFILES/RecordDelay"], u"1");
    EXPECT_EQ(macros::SaveRecordDelaySetting(settings, 7), 0);
    EXPECT_EQ(settings.values[u"PROFILES/RecordDelay"], u"0");
    EXPECT_EQ(macros::SaveRecordDelaySetting(settings, -1), 0);
    EXPECT_EQ(macros::LoadRecordDelaySetting(settings), 0);
}
