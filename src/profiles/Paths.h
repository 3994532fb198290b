#pragma once

// The folders and file names of the profile operations: the user data folder
// "<documents>/Brisvane" and the snapshot file "$Profile0" in it.

#include <filesystem>
#include <functional>

namespace profiles {

// The user's documents folder, given once at start-up by the application (the desktop's
// documents location) or by a tool or test; $HOME/Documents until then.
void SetDocumentsFolder(const std::filesystem::path& folder);
std::filesystem::path DocumentsFolder();

std::filesystem::path UserDataFolder();

// One file holds all three profiles' key blocks, so every profile number gives the same
// path.
std::filesystem::path SnapshotPath(int profile);

// Called with the folder right after EnsureUserDataFolder created it, to place the per-key
// colour files there.
void SetUserDataFolderCreatedHook(std::function<void(const std::filesystem::path&)> hook);

// Creates the user data folder when it does not exist. Returns 1 when it exists afterwards.
int EnsureUserDataFolder();

} // namespace profiles
