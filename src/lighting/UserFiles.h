#pragma once

// The per-user settings file "Brisvane/tavrin.ini" of the documents folder (section
// "KEYCOLOR": the lighting mode "DengCheck" and "usermodeCheck", set once the user colour
// files are prepared) and the user colour files "UserDengColor_<n>.userd".

#include <filesystem>

namespace lighting {

struct UserFiles {
    std::filesystem::path settingsFile;   // <documents>/Brisvane/tavrin.ini
    std::filesystem::path templatePrefix; // <program>/Skins/UserDengColor_
    std::filesystem::path userPrefix;     // <documents>/Brisvane/UserDengColor_
};

// The files of the present user: the documents folder of the profile operations, the
// templates of the program's Skins folder.
UserFiles UserFilesFor(const std::filesystem::path& skinUserColourPrefix);

// prefix followed by the number and ".userd".
std::filesystem::path ColourFile(const std::filesystem::path& prefix, int n);

// "DengCheck": on exactly when the value reads as the number 1 (missing reads as "0").
bool ReadLightingMode(const UserFiles& files);
bool WriteLightingMode(const UserFiles& files, bool on);

// Copies the template numbered 3 to the user files 0 to 3 once: nothing when
// "usermodeCheck" already reads as 1. A missing template leaves empty user files; the
// check is written all the same. Returns the number of user files written.
int PrepareUserFiles(const UserFiles& files);

// PrepareUserFiles now, and again whenever the user data folder is made (a first start has
// no folder to put the files in); an empty files forgets the second.
void PrepareUserFilesNowAndWhenFolderIsMade(const UserFiles& files);
void ForgetUserFiles();

} // namespace lighting
