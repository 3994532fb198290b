#pragma once

// The table of folders and files computed once from the program file's location.

#include <filesystem>
#include <string>

namespace platform {

struct AppPaths {
    std::string programFileName;        // base name + extension, no folder
    std::filesystem::path appFolder;    // folder of the program file
    std::filesystem::path helpFolder;   // appFolder/Help
    std::filesystem::path mainSkinFile; // appFolder/Skins/Main.ini
    std::filesystem::path mainSkinFolder;
    std::filesystem::path userColourPrefix; // appFolder/Brisvane/UserDengColor_
    std::filesystem::path profileSkinFile;  // appFolder/Skins/Profile.ini
    std::filesystem::path profileSkinFolder;
    std::filesystem::path updateSkinFile; // appFolder/Skins/UpdateDlg.ini
    std::filesystem::path updateSkinFolder;
    std::filesystem::path updatePackage;        // appFolder/Package
    std::filesystem::path skinUserColourPrefix; // appFolder/Skins/UserDengColor_
    std::filesystem::path compositeSkinFile;    // appFolder/Skins/Composite.ini
    std::filesystem::path compositeSkinFolder;
    std::filesystem::path daemonPath; // appFolder/pemrode
};

AppPaths ComputeAppPaths(const std::filesystem::path& programFile);

// The running program's own file (/proc/self/exe).
std::filesystem::path ProgramFilePath();

// The user's own configuration folder, "Brisvane_Quandril" in $XDG_CONFIG_HOME (or
// ~/.config), where the per-user settings live: an installed program's folder is not the
// user's to write.
std::filesystem::path UserConfigFolder();

// The user's own copy of the stored language, in UserConfigFolder.
std::filesystem::path PersonalLanguageFile();

// Process-wide table, filled once at start-up.
void InitAppPaths(const std::filesystem::path& programFile);
const AppPaths& Paths();

} // namespace platform
