#include "platform/AppPaths.h"

#include <cstdlib>
#include <system_error>

namespace platform {

namespace {
AppPaths g_paths;
}

AppPaths ComputeAppPaths(const std::filesystem::path& programFile) {
    AppPaths p;
    p.programFileName = programFile.filename().string();
    p.appFolder = programFile.parent_path();
    p.helpFolder = p.appFolder / "Help";
    const auto skins = p.appFolder / "Skins";
    p.mainSkinFile = skins / "Main.ini";
    p.mainSkinFolder = skins;
    p.userColourPrefix = p.appFolder / "Brisvane" / "UserDengColor_";
    p.profileSkinFile = skins / "Profile.ini";
    p.profileSkinFolder = skins;
    p.updateSkinFile = skins / "UpdateDlg.ini";
    p.updateSkinFolder = skins;
    p.updatePackage = p.appFolder / "Package";
    p.skinUserColourPrefix = skins / "UserDengColor_";
    p.compositeSkinFile = skins / "Composite.ini";
    p.compositeSkinFolder = skins;
    p.daemonPath = p.appFolder / "pemrode";
    return p;
}

std::filesystem::path ProgramFilePath() {
    std::error_code ec;
    auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : self;
}

std::filesystem::path UserConfigFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path base;
    if (config && std::filesystem::path(config).is_absolute())
        base = config;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".config";
    else
        return {};
    return base / "Brisvane_Quandril";
}

std::filesystem::path PersonalLanguageFile() {
    const auto folder = UserConfigFolder();
    return folder.empty() ? folder : folder / "language.ini";
}

void InitAppPaths(const std::filesystem::path& programFile) {
    g_paths = ComputeAppPaths(programFile);
}

const AppPaths& Paths() {
    return g_paths;
}

} // namespace platform
