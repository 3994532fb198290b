#include <gtest/gtest.h>

#include <map>
#include <string>

#include "macros/RecordDelaySetting.h"
#include "support/MemorySettings.h"

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
