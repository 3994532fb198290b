#include "profiles/Paths.h"

#include <cstdlib>
#include <mutex>
#include <system_error>

namespace profiles {
namespace {

std::mutex g_pathsMutex;
std::filesystem::path g_documents;
std::function<void(const std::filesystem::path&)> g_createdHook;

} // namespace

void SetDocumentsFolder(const std::filesystem::path& folder) {
    std::lock_guard lock(g_pathsMutex);
    g_documents = folder;
}

std::filesystem::path DocumentsFolder() {
    std::lock_guard lock(g_pathsMutex);
    if (!g_documents.empty())
        return g_documents;
    // Where the desktop keeps documents when nothing told us otherwise.
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / "Documents";
}

std::filesystem::path UserDataFolder() {
    return DocumentsFolder() / "Brisvane";
}

std::filesystem::path SnapshotPath(int /*profile*/) {
    return UserDataFolder() / "$Profile0";
}

void SetUserDataFolderCreatedHook(std::function<void(const std::filesystem::path&)> hook) {
    std::lock_guard lock(g_pathsMutex);
    g_createdHook = std::move(hook);
}

int EnsureUserDataFolder() {
    const std::filesystem::path folder = UserDataFolder();
    std::error_code error;
    if (std::filesystem::is_directory(folder, error))
        return 1;
    if (!std::filesystem::create_directories(folder, error))
        return std::filesystem::is_directory(folder, error) ? 1 : 0;
    std::function<void(const std::filesystem::path&)> hook;
    {
        std::lock_guard lock(g_pathsMutex);
        hook = g_createdHook;
    }
    if (hook)
        hook(folder);
    return 1;
}

} // namespace profiles
