#include "ui/Language.h"

#include "ui/IniFile.h"
#include "ui/TextTable.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <mutex>
#include <optional>

namespace ui {

namespace {

std::atomic<uint16_t> g_chosenLanguage{kLanguageChinese};
std::atomic<bool> g_languageCommanded{false};
std::filesystem::path g_personalFile; // set once at start-up, before any thread reads it

std::u16string_view SectionOf(bool english) {
    return english ? kEnglishSection : kChineseSection;
}

// Where the table was last loaded from, for the texts that model code shows outside of it.
std::mutex g_loadedLock;
std::filesystem::path g_loadedFile;
std::u16string g_loadedSection;

std::optional<std::u16string> StoredValue(const std::filesystem::path& file) {
    return FindPrivateProfileString(u"LANGUAGE", u"language", kLanguageReadBuffer, file);
}

// Every slot of the table from one section of the file, in table order.
void LoadTableFrom(const std::filesystem::path& languageFile, std::u16string_view section) {
    {
        std::lock_guard lock(g_loadedLock);
        g_loadedFile = languageFile;
        g_loadedSection = section;
    }
    for (size_t n = 0; n < kTextKeyCount; ++n) {
        TextKey key = TextKeyAt(n);
        const TextSlotInfo& info = TextSlotInfoOf(key);
        std::optional<std::u16string> value =
            FindPrivateProfileString(section, info.key, kLanguageReadBuffer, languageFile);
        SetText(key, value ? std::u16string_view(*value) : info.builtIn);
    }
}

} // namespace

std::filesystem::path LanguageFileIn(const std::filesystem::path& appFolder) {
    return appFolder / "Skins" / "language.ini";
}

void SetPersonalLanguageFile(const std::filesystem::path& file) {
    g_personalFile = file;
}

std::filesystem::path PersonalLanguageFile() {
    return g_personalFile;
}

int StoredLanguage(const std::filesystem::path& languageFile) {
    if (!g_personalFile.empty())
        if (const auto personal = StoredValue(g_personalFile))
            return LeadingInteger(*personal);
    return LeadingInteger(
        GetPrivateProfileString(u"LANGUAGE", u"language", u" ", kLanguageReadBuffer, languageFile));
}

void LoadLanguageTable(const std::filesystem::path& languageFile) {
    LoadTableFrom(languageFile, SectionOf(StoredLanguage(languageFile) == kLanguageEnglish));
}

uint16_t ChosenLanguage() {
    return g_chosenLanguage.load();
}

std::u16string_view WindowTextSection(const std::filesystem::path& languageFile) {
    // After a language command the choice decides, also when the file could not keep it.
    if (g_languageCommanded.load())
        return SectionOf(ChosenLanguage() == kLanguageEnglish);
    return SectionOf(StoredLanguage(languageFile) == kLanguageEnglish);
}

bool SelectLanguage(const std::filesystem::path& languageFile, uint16_t language) {
    language = language == kLanguageEnglish ? kLanguageEnglish : kLanguageChinese;
    g_chosenLanguage.store(language);
    g_languageCommanded.store(true);
    const std::u16string_view value = language == kLanguageEnglish ? u"1" : u"0";
    bool written = WritePrivateProfileString(u"language", u"language", value, languageFile);
    if (!g_personalFile.empty() && (!written || StoredValue(g_personalFile))) {
        std::error_code error;
        std::filesystem::create_directories(g_personalFile.parent_path(), error);
        written =
            WritePrivateProfileString(u"language", u"language", value, g_personalFile) || written;
    }
    // From the chosen section, not the stored one: a file that cannot be written (the
    // program's folder as installed) still holds the old choice.
    LoadTableFrom(languageFile, SectionOf(language == kLanguageEnglish));
    return written;
}

std::u16string LoadedWindowText(std::u16string_view key) {
    std::filesystem::path file;
    std::u16string section;
    {
        std::lock_guard lock(g_loadedLock);
        file = g_loadedFile;
        section = g_loadedSection;
    }
    if (!file.empty())
        if (auto text = FindPrivateProfileString(section, key, kLanguageReadBuffer, file))
            return *text;
    return std::u16string(WindowTextBuiltIn(key));
}

} // namespace ui
