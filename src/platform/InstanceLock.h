#pragma once

#include <filesystem>

namespace platform {

// The per-user named lock that marks a running copy: a lock file held with flock.
class InstanceLock {
public:
    enum class State { Created, Exists, Failed };

    InstanceLock() = default;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    ~InstanceLock() { Close(); }

    // Opens the lock file; Created when this process now holds it, Exists when another
    // process does (the file stays open either way, as a handle to the same lock).
    State Open(const std::filesystem::path& file);
    void Close();
    bool Held() const { return held_; }

private:
    int fd_ = -1;
    bool held_ = false;
};

// $XDG_RUNTIME_DIR, or a private folder under /tmp named after the user when it is unset.
std::filesystem::path RuntimeFolder();

// The lock file of the running copy.
std::filesystem::path InstanceLockPath();

} // namespace platform
