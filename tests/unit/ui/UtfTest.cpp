#include "ui/Utf.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf, RoundTripsEveryPlane) {
    const std::u16string text = u"Key 键盘 \U0001F3AE é";
    EXPECT_EQ(ui::ToUtf8(text), "Key \xE9\x94\xAE\xE7\x9B\x98 \xF0\x9F\x8E\xAE \xC3\xA9");
    EXPECT_EQ(ui::FromUtf8(ui::ToUtf8(text)), text);
}

TEST(Utf, MalformedInputBecomesReplacementCharacters) {
    struct Case {
        const char* name;
        std::string bytes;
        std::u16string text;
    } cases[] = {
        {"stray continuation",
         "a\x80"
         "b",
         u"a\uFFFDb"},
        {"truncated sequence at end", "a\xE4\xB8", u"a\uFFFD"},
        {"sequence broken by ASCII", "\xE4z", u"\uFFFDz"},
        {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ui::FromUtf8(c.bytes), c.text) << c.name;
    }
    EXPECT_EQ(ui::ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
    EXPECT_EQ(ui::ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

} // namespace
