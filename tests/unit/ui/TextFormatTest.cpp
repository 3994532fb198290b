#include "ui/TextFormat.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using ui::FormatText;

TEST(TextFormat, FillsDirectivesAsPrintfDoes) {
    EXPECT_EQ(FormatText(u"Unknown Key: %03x", {0x55u}), u"Unknown Key: 055");
    EXPECT_EQ(FormatText(u"Unknown Key: %03x", {0x1C5u}), u"Unknown Key: 1c5");
    EXPECT_EQ(FormatText(u"The maximum number of macro: %d   ", {100}),
              u"The maximum number of macro: 100   ");
    EXPECT_EQ(FormatText(u"[%5d|%-5d|%05d|%+d|%d]", {42, 42, -42, 7, -2147483647 - 1}),
              u"[   42|42   |-0042|+7|-2147483648]");
    EXPECT_EQ(FormatText(u"%X %#x %o %u %x", {0x1AB, 255, 8, 7u, -1}), u"1AB 0xff 10 7 ffffffff");
    EXPECT_EQ(FormatText(u"%.3d|%.0d|%ld|%lld", {5, 0, 6L, 7LL}), u"005||6|7");
    EXPECT_EQ(FormatText(u"wrong file format: \n  %s", {u"C:/a.bvx"}),
              u"wrong file format: \n  C:/a.bvx");
    EXPECT_EQ(FormatText(u"[%4s|%-4s|%.2s|%c]", {u"ab", u"ab", u"abcdef", u'Z'}),
              u"[  ab|ab  |ab|Z]");
    EXPECT_EQ(FormatText(u"100%% %%d", {}), u"100% %d");
}

TEST(TextFormat, AnyFormatFromAFileIsSafe) {
    struct Case {
        const char16_t* format;
        std::u16string expected;
    } cases[] = {
        {u"%d and %d", u"1 and "},        // more directives than arguments
        {u"%s", u"1"},                    // a number where a text is asked for
        {u"%d", u"0"},                    // a text where a number is asked for: 0
        {u"%q %n %p", u"%q %n %p"},       // unknown and dangerous directives are copied
        {u"ends with %", u"ends with %"}, // lone percent at the end
        {u"%99999999999d", std::u16string(1023, u' ') + u"1"}, // width capped
    };
    std::initializer_list<ui::FormatArg> one = {1};
    EXPECT_EQ(FormatText(cases[0].format, one), cases[0].expected);
    EXPECT_EQ(FormatText(cases[1].format, one), cases[1].expected);
    EXPECT_EQ(FormatText(cases[2].format, {u"text"}), cases[2].expected);
    EXPECT_EQ(FormatText(cases[3].format, {1, 2, 3}), cases[3].expected);
    EXPECT_EQ(FormatText(cases[4].format, one), cases[4].expected);
    EXPECT_EQ(FormatText(cases[5].format, one), cases[5].expected);
}

TEST(TextFormat, BufferFormIsCutAndAlwaysTerminated) {
    std::array<char16_t, 4> small{u'x', u'x', u'x', u'x'};
    EXPECT_EQ(FormatText(u"Unknown Key: %03x", {0x55u}, small), 3u);
    EXPECT_EQ(std::u16string_view(small.data()), u"Unk");
    std::array<char16_t, 1> one{u'x'};
    EXPECT_EQ(FormatText(u"abc", {}, one), 0u);
    EXPECT_EQ(one[0], 0);
    EXPECT_EQ(FormatText(u"abc", {}, std::span<char16_t>{}), 0u);
}

} // namespace
