#include "app/Menus.h"

#include "ui/IniFile.h"
#include "ui/Language.h"

namespace app {

std::u16string WindowText(std::u16string_view key, const std::filesystem::path& languageFile) {
    // Not through a default: a read's default loses its trailing blanks.
    auto text = ui::FindPrivateProfileString(ui::WindowTextSection(languageFile), key,
                                             ui::kLanguageReadBuffer, languageFile);
    return text ? *text : std::u16string(u" ");
}

namespace {

std::u16string WindowTextOr(std::u16string_view key, std::u16string_view fallback,
                            const std::filesystem::path& languageFile) {
    auto text = ui::FindPrivateProfileString(ui::WindowTextSection(languageFile), key,
                                             ui::kLanguageReadBuffer, languageFile);
    return text && !text->empty() ? *text : std::u16string(fallback);
}

} // namespace

std::u16string ProfileName(int profile, const std::filesystem::path& languageFile) {
    if (profile < 0 || profile > 2)
        return {};
    const std::u16string digit(1, static_cast<char16_t>(u'1' + profile));
    return WindowTextOr(u"PROFILE_" + digit, u"Profile " + digit, languageFile);
}

BoxButtonLabels BoxButtons(const std::filesystem::path& languageFile) {
    return {WindowTextOr(u"MSGBOX_OK", u"OK", languageFile),
            WindowTextOr(u"MSGBOX_YES", u"&Yes", languageFile),
            WindowTextOr(u"MSGBOX_NO", u"&No", languageFile)};
}

std::u16string ReplaceQuestion(std::u16string_view fileName,
                               const std::filesystem::path& languageFile) {
    std::u16string text = WindowTextOr(
        u"MSGBOX_REPLACE", u"%s already exists. Do you want to replace it?", languageFile);
    if (const size_t at = text.find(u"%s"); at != std::u16string::npos)
        text.replace(at, 2, fileName);
    return text;
}

std::vector<std::u16string> MenuLabels(std::span<const MenuRow> rows,
                                       const std::filesystem::path& languageFile) {
    std::vector<std::u16string> labels;
    labels.reserve(rows.size());
    for (const MenuRow& row : rows)
        labels.push_back(WindowText(row.key, languageFile));
    return labels;
}

uint32_t TrayClicks::LeftClick() {
    if (host_ == Host::StatusNotifier)
        return kCmdOpen;
    pending_ = true;
    return 0;
}

uint32_t TrayClicks::DoubleClick() {
    pending_ = false;
    return kCmdOpen;
}

uint32_t TrayClicks::MiddleClick() {
    return host_ == Host::StatusNotifier ? kCmdProfileMenu : 0;
}

uint32_t TrayClicks::ClickTimeout() {
    if (!pending_)
        return 0;
    pending_ = false;
    return kCmdProfileMenu;
}

} // namespace app
