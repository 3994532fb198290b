#pragma once

// The language file "Skins/language.ini": one section per language ("CHINESE", and
// "ENGINSH", spelled so), the stored choice in section "LANGUAGE", and the loading of the
// text table from the chosen section.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace ui {

inline constexpr std::u16string_view kChineseSection = u"CHINESE";
inline constexpr std::u16string_view kEnglishSection = u"ENGINSH";
inline constexpr uint16_t kLanguageChinese = 0;
inline constexpr uint16_t kLanguageEnglish = 1;
// Every key of the language file is read into a buffer of this size.
inline constexpr size_t kLanguageReadBuffer = 260;

// appFolder/Skins/language.ini
std::filesystem::path LanguageFileIn(const std::filesystem::path& appFolder);

// The user's own language file, in the user's configuration folder: it keeps the choice where
// the program's folder cannot be written (as installed) and is read before the program's
// file. Empty (the default) leaves only the program's file.
void SetPersonalLanguageFile(const std::filesystem::path& file);
std::filesystem::path PersonalLanguageFile();

// "language" in section "LANGUAGE" as a decimal integer: its leading digits, 0 for anything
// else and for a missing value or file. 1 means English, every other value Chinese. The
// personal language file's value, where it holds one, comes first.
int StoredLanguage(const std::filesystem::path& languageFile);

// Fills every slot of the text table from the section of the stored language, in table
// order. A key that the file lacks (every key, when the file is missing) keeps its built-in
// text; a key present with an empty value empties its slot.
void LoadLanguageTable(const std::filesystem::path& languageFile);

// The language chosen by a language command in this run: 0 (Chinese) until one is given.
uint16_t ChosenLanguage();

// The section that windows read their own texts from: the chosen language once a language
// command was given in this run, the stored language before.
std::u16string_view WindowTextSection(const std::filesystem::path& languageFile);

// The language command: sets the chosen language, stores it ("language" = "0" or "1" in
// section "language") and loads the text table again from the chosen language's section.
// The choice goes into the personal language file too when the program's file cannot be
// written or the personal file already holds a choice (so that it never outvotes a newer
// one). Returns whether a file kept the choice; the chosen language and the table change
// either way.
bool SelectLanguage(const std::filesystem::path& languageFile, uint16_t language);

// A window text (see TextTable.h) from the section the text table was last loaded from;
// its built-in text before any load or when the file lacks the key.
std::u16string LoadedWindowText(std::u16string_view key);

} // namespace ui
