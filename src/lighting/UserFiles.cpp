#include "lighting/UserFiles.h"

#include <algorithm>
#include <climits>
#include <fstream>
#include <iterator>
#include <string>

#include "profiles/Paths.h"
#include "ui/IniFile.h"

namespace lighting {
namespace {

constexpr std::u16string_view kSection = u"KEYCOLOR";
constexpr std::u16string_view kLightingModeKey = u"DengCheck";
constexpr std::u16string_view kPreparedKey = u"usermodeCheck";
constexpr size_t kReadBuffer = 260;
constexpr int kTemplateNumber = 3;

bool ReadsAsOne(const UserFiles& files, std::u16string_view key) {
    return ui::LeadingInteger(ui::GetPrivateProfileString(kSection, key, u"0", kReadBuffer,
                                                          files.settingsFile)) == 1;
}

} // namespace

UserFiles UserFilesFor(const std::filesystem::path& skinUserColourPrefix) {
    const std::filesystem::path folder = profiles::UserDataFolder();
    return {folder / "tavrin.ini", skinUserColourPrefix, folder / "UserDengColor_"};
}

std::filesystem::path ColourFile(const std::filesystem::path& prefix, int n) {
    std::filesystem::path file = prefix;
    file += std::to_string(n) + ".userd";
    return file;
}

bool ReadLightingMode(const UserFiles& files) {
    return ReadsAsOne(files, kLightingModeKey);
}

bool WriteLightingMode(const UserFiles& files, bool on) {
    return ui::WritePrivateProfileString(kSection, kLightingModeKey, on ? u"1" : u"0",
                                         files.settingsFile);
}

int PrepareUserFiles(const UserFiles& files) {
    if (ReadsAsOne(files, kPreparedKey))
        return 0;
    int written = 0;
    for (int i = 0; i < 4; ++i) {
        std::ifstream from(ColourFile(files.templatePrefix, kTemplateNumber), std::ios::binary);
        std::ofstream to(ColourFile(files.userPrefix, i), std::ios::binary | std::ios::trunc);
        if (!to)
            continue;
        if (from) {
            const std::string content{std::istreambuf_iterator<char>(from), {}};
            to.write(content.data(), static_cast<std::streamsize>(content.size()));
        }
        to.close();
        if (to)
            ++written;
    }
    ui::WritePrivateProfileString(kSection, kPreparedKey, u"1", files.settingsFile);
    return written;
}

void PrepareUserFilesNowAndWhenFolderIsMade(const UserFiles& files) {
    PrepareUserFiles(files);
    profiles::SetUserDataFolderCreatedHook(
        [files](const std::filesystem::path&) { PrepareUserFiles(files); });
}

void ForgetUserFiles() {
    profiles::SetUserDataFolderCreatedHook({});
}

} // namespace lighting
