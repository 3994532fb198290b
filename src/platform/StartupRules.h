#pragma once

// The single-instance rule and the command line, decided before the main window runs.

#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace platform {

class StartupServices {
public:
    virtual ~StartupServices() = default;
    // FindProcessByFileName with the program's own file name.
    virtual pid_t FindRunningCopy() = 0;
    virtual int SendToMainWindow(pid_t pid, int choice) = 0;
    // Opens the per-user lock; true when another copy holds it.
    virtual bool InstanceLockExists() = 0;
    // Starts the companion daemon hidden; failures are ignored.
    virtual void StartDaemon() = 0;
};

struct StartupDecision {
    bool run = false;          // false: end now with exit code 0
    bool autoOpenDone = false; // "/Start": stay hidden when the keyboard is found
};

// A switch matches the whole argument, in any letter case.
bool IsSwitch(std::string_view argument, std::string_view name);

StartupDecision ApplySingleInstanceRule(const std::vector<std::string>& arguments,
                                        StartupServices& services);

} // namespace platform
