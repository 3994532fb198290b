#include "ui/IniFile.h"

#include "TempDir.h"
#include "ui/Utf.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

namespace {

using ui::GetPrivateProfileString;
using ui::WritePrivateProfileString;

std::string Utf16Le(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t u : text) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    return bytes;
}

class IniFileTest : public TempDirTest {
protected:
    void TearDown() override {
        ui::ClearIniCache();
        TempDirTest::TearDown();
    }
    std::u16string Get(std::u16string_view section, std::u16string_view key,
                       std::u16string_view def = u"(default)", size_t size = 260) {
        return GetPrivateProfileString(section, key, def, size, File("t.ini"));
    }
};

TEST_F(IniFileTest, ReadsAsTheDesktopProfileFunctionsDo) {
    WriteBytes(File("t.ini"), "; a comment line\n"
                              "  [ Names ]  \n"
                              "Plain=Value\n"
                              "  Spaced   =   inner  spaces kept   \n"
                              "Upper=from names\n"
                              "Quoted=\"  in quotes  \"\n"
                              "Single='single'\n"
                              "Mismatched=\"open'\n"
                              "LoneQuote=\"\n"
                              "EmptyQuotes=\"\"\n"
                              "Empty=\n"
                              "Equals=a=b\n"
                              "Twice=first\n"
                              "twice=second\n"
                              ";Hidden=commented out\n"
                              "NoEquals\n"
                              "[Other]\n"
                              "OnlyHere=other\n"
                              "[names]\n"
                              "Later=second section of the same name\n");
    struct Case {
        std::u16string_view section, key, expected;
    } cases[] = {
        {u"Names", u"Plain", u"Value"},
        {u"NAMES", u"plain", u"Value"},
        {u"  names ", u"  Plain  ", u"Value"},
        {u"Names", u"Spaced", u"inner  spaces kept"},
        {u"Names", u"UPPER", u"from names"},
        {u"Names", u"Quoted", u"  in quotes  "},
        {u"Names", u"Single", u"single"},
        {u"Names", u"Mismatched", u"\"open'"},
        {u"Names", u"LoneQuote", u"\""},
        {u"Names", u"EmptyQuotes", u""},
        {u"Names", u"Empty", u""},
        {u"Names", u"Equals", u"a=b"},
        {u"Names", u"Twice", u"first"},
        {u"Names", u";Hidden", u"(default)"},
        {u"Names", u"Hidden", u"(default)"},
        {u"Names", u"NoEquals", u"(default)"},
        {u"Names", u"OnlyHere", u"(default)"},
        {u"Other", u"OnlyHere", u"other"},
        {u"Names", u"Later", u"(default)"},
        {u"Missing", u"Plain", u"(default)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Get(c.section, c.key), c.expected)
            << ui::ToUtf8(c.section) << "/" << ui::ToUtf8(c.key);
    }
}

TEST_F(IniFileTest, DefaultLosesItsTrailingBlanksAndEveryResultIsCut) {
    WriteBytes(File("t.ini"), "[S]\nKey=abcdef\n");
    EXPECT_EQ(Get(u"S", u"None", u" "), u"");
    EXPECT_EQ(Get(u"S", u"None", u"  x  "), u"  x");
    EXPECT_EQ(Get(u"S", u"Key", u"", 7), u"abcdef");
    EXPECT_EQ(Get(u"S", u"Key", u"", 4), u"abc");
    EXPECT_EQ(Get(u"S", u"Key", u"", 1), u"");
    EXPECT_EQ(Get(u"S", u"Key", u"", 0), u"");
    EXPECT_EQ(Get(u"S", u"None", u"123456", 3), u"12");
    // A cut never keeps the first half of a surrogate pair.
    WriteBytes(File("t.ini"), "[S]\nKey=ab\xF0\x9F\x8E\xAE\n");
    EXPECT_EQ(Get(u"S", u"Key", u"", 4), u"ab");
    EXPECT_EQ(Get(u"S", u"Key", u"", 5), u"ab\U0001F3AE");
}

TEST_F(IniFileTest, MissingFileGivesTheDefault) {
    EXPECT_EQ(Get(u"S", u"Key", u"fallback "), u"fallback");
    EXPECT_EQ(GetPrivateProfileString(u"S", u"K", u"d", 260, dir_), u"d"); // a folder
}

TEST_F(IniFileTest, ReadsEveryEncodingAWindowsEditorWrites) {
    const std::u16string text = u"[ENGINSH]\r\nMENU_1=Import\r\n[CHINESE]\r\nMENU_1=导入\r\n"
                                u"MENU_2 = \"备份 \"\r\n";
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"UTF-8", ui::ToUtf8(text)},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + ui::ToUtf8(text)},
        {"UTF-16LE with BOM", Utf16Le(text)},
        {"lone CR line ends",
         [&] {
             std::string bytes = ui::ToUtf8(text);
             std::erase(bytes, '\n');
             return bytes;
         }()},
    };
    for (const Case& c : cases) {
        WriteBytes(File("t.ini"), c.bytes);
        ui::ClearIniCache();
        EXPECT_EQ(Get(u"chinese", u"MENU_1"), u"导入") << c.name;
        EXPECT_EQ(Get(u"CHINESE", u"menu_2"), u"备份 ") << c.name;
        EXPECT_EQ(Get(u"ENGINSH", u"MENU_1"), u"Import") << c.name;
    }
}

TEST_F(IniFileTest, WriteCreatesFileSectionAndKey) {
    ASSERT_TRUE(WritePrivateProfileString(u"language", u"language", u"1", File("t.ini")));
    EXPECT_EQ(ReadBytes(File("t.ini")), "[language]\nlanguage=1\n");
    ASSERT_TRUE(WritePrivateProfileString(u"LANGUAGE", u"Other", u"x", File("t.ini")));
    ASSERT_TRUE(WritePrivateProfileString(u"New", u"K", u"中", File("t.ini")));
    EXPECT_EQ(ReadBytes(File("t.ini")),
              "[language]\nlanguage=1\nOther=x\n\n[New]\nK=\xE4\xB8\xAD\n");
}

TEST_F(IniFileTest, WriteChangesOneLineAndKeepsTheRest) {
    struct Case {
        const char* name;
        std::string before;
        std::u16string_view section, key, value;
        std::string after;
    } cases[] = {
        {"replace keeps spelling, spacing and neighbours",
         "; top\n[A]\n  Key = old value\n; note\n\n[B]\nKey=b\n", u"a", u"KEY", u"new",
         "; top\n[A]\n  Key = new\n; note\n\n[B]\nKey=b\n"},
        {"replace the first of two", "[A]\nk=1\nk=2\n", u"A", u"k", u"9", "[A]\nk=9\nk=2\n"},
        {"new key after the section's last line", "[A]\nx=1\n\n\n[B]\ny=2\n", u"A", u"z", u"3",
         "[A]\nx=1\nz=3\n\n\n[B]\ny=2\n"},
        {"new key into an empty section", "[A]\n[B]\n", u"A", u"z", u"3", "[A]\nz=3\n[B]\n"},
        {"CRLF file stays CRLF", "[A]\r\nx=1\r\n", u"B", u"y", u"2",
         "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n"},
        {"CR file stays CR", "[A]\rx=1\r", u"B", u"y", u"2", "[A]\rx=1\r\r[B]\ry=2\r"},
        {"mixed line ends kept line by line", "[A]\rx=1\r\ny=1\n", u"A", u"x", u"2",
         "[A]\rx=2\r\ny=1\n"},
        {"unterminated last line", "[A]\nx=1", u"A", u"y", u"2", "[A]\nx=1\ny=2\n"},
        {"empty value", "[A]\nx=1\n", u"A", u"x", u"", "[A]\nx=\n"},
        {"bytes that are not UTF-8 survive on other lines", "[A]\nraw=\xFF\xFE\nx=1\n", u"A", u"x",
         u"2", "[A]\nraw=\xFF\xFE\nx=2\n"},
        {"UTF-8 BOM kept", "\xEF\xBB\xBF[A]\nx=1\n", u"A", u"x", u"2", "\xEF\xBB\xBF[A]\nx=2\n"},
        {"UTF-16 becomes UTF-8 with BOM", Utf16Le(u"[A]\r\nx=中\r\n"), u"A", u"y", u"2",
         "\xEF\xBB\xBF[A]\r\nx=\xE4\xB8\xAD\r\ny=2\r\n"},
    };
    for (const Case& c : cases) {
        WriteBytes(File("t.ini"), c.before);
        ui::ClearIniCache();
        EXPECT_TRUE(WritePrivateProfileString(c.section, c.key, c.value, File("t.ini"))) << c.name;
        EXPECT_EQ(ReadBytes(File("t.ini")), c.after) << c.name;
        EXPECT_EQ(Get(c.section, c.key), c.value) << c.name;
    }
}

TEST_F(IniFileTest, WriteRefusesWhatWouldBreakTheFile) {
    const std::string before = "[A]\nx=1\n";
    WriteBytes(File("t.ini"), before);
    struct Case {
        const char* name;
        std::u16string_view section, key, value;
    } cases[] = {
        {"line break in value", u"A", u"x", u"1\n[Evil]\nk=v"},
        {"carriage return in value", u"A", u"x", u"1\r"},
        {"line break in key", u"A", u"x\ny", u"1"},
        {"'=' in key", u"A", u"x=y", u"1"},
        {"']' in section", u"A]", u"x", u"1"},
        {"empty key", u"A", u"  ", u"1"},
        {"empty section", u"", u"x", u"1"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(WritePrivateProfileString(c.section, c.key, c.value, File("t.ini"))) << c.name;
    }
    EXPECT_EQ(ReadBytes(File("t.ini")), before);
    EXPECT_FALSE(WritePrivateProfileString(u"A", u"x", u"1", File("no-such-folder/t.ini")));
}

TEST_F(IniFileTest, WriteKeepsTheFileModeAndWritesThroughALink) {
    WriteBytes(File("t.ini"), "[A]\nx=1\n");
    ::chmod(File("t.ini").c_str(), 0600);
    std::filesystem::create_symlink(File("t.ini"), File("link.ini"));
    ASSERT_TRUE(WritePrivateProfileString(u"A", u"x", u"2", File("link.ini")));
    EXPECT_TRUE(std::filesystem::is_symlink(File("link.ini")));
    EXPECT_EQ(ReadBytes(File("t.ini")), "[A]\nx=2\n");
    struct stat st {};
    ASSERT_EQ(::stat(File("t.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST_F(IniFileTest, ReadSeesEveryChangeOfTheFile) {
    WriteBytes(File("t.ini"), "[A]\nx=1\n");
    EXPECT_EQ(Get(u"A", u"x"), u"1");
    // Changed in place, same size, within the file system's time granularity.
    WriteBytes(File("t.ini"), "[A]\nx=2\n");
    EXPECT_EQ(Get(u"A", u"x"), u"2");
    ASSERT_TRUE(WritePrivateProfileString(u"A", u"x", u"3", File("t.ini")));
    EXPECT_EQ(Get(u"A", u"x"), u"3");
    std::filesystem::remove(File("t.ini"));
    EXPECT_EQ(Get(u"A", u"x"), u"(default)");
}

TEST_F(IniFileTest, CIniFileReadsIntoItsLargeBufferAndGivesNothingForEmpty) {
    const std::u16string longValue(3000, u'v');
    ui::CIniFile ini(File("t.ini"));
    EXPECT_EQ(ini.Path(), File("t.ini"));
    EXPECT_EQ(ini.Read(u"A", u"x"), std::nullopt);
    ASSERT_TRUE(ini.Write(u"A", u"long", longValue));
    ASSERT_TRUE(ini.Write(u"A", u"empty", u""));
    ASSERT_TRUE(ini.Write(u"A", u"short", u" s "));
    EXPECT_EQ(ini.Read(u"A", u"long"), std::u16string(2046, u'v'));
    EXPECT_EQ(ini.Read(u"A", u"empty"), std::nullopt);
    EXPECT_EQ(ini.Read(u"A", u"missing"), std::nullopt);
    EXPECT_EQ(ini.Read(u"a", u"SHORT"), u"s");
}

} // namespace
