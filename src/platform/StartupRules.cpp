#include "platform/StartupRules.h"

#include <algorithm>
#include <cctype>

#include "platform/MainWindowChannel.h"

namespace platform {

bool IsSwitch(std::string_view argument, std::string_view name) {
    return argument.size() == name.size() &&
           std::equal(argument.begin(), argument.end(), name.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

StartupDecision ApplySingleInstanceRule(const std::vector<std::string>& arguments,
                                        StartupServices& services) {
    StartupDecision decision;
    for (const std::string& argument : arguments) {
        if (IsSwitch(argument, "/Kill")) {
            // With no other copy the search finds this very process, which has no window
            // yet: nothing is sent, and this start ends all the same.
            if (const pid_t running = services.FindRunningCopy()) {
                services.SendToMainWindow(running, kChoiceKill);
                return decision;
            }
        } else if (IsSwitch(argument, "/Start")) {
            decision.autoOpenDone = true;
        }
    }
    if (services.InstanceLockExists()) {
        if (const pid_t running = services.FindRunningCopy()) {
            services.SendToMainWindow(running, kChoiceOpen);
            return decision;
        }
    }
    services.StartDaemon();
    decision.run = true;
    return decision;
}

} // namespace platform
