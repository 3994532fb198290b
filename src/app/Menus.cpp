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
