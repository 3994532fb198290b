#pragma once

// Runs a piece of a test in a child process as a user whom file permissions bind: the
// tests' own user, or "nobody" where the tests run as root (root reads and writes
// everything, so a read-only folder or a closed node would not stop it).

#include <functional>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

inline constexpr uid_t kOrdinaryUid = 65534;

// The child's exit code: body's result, 125 when the user could not be changed, -1 when the
// child did not end normally.
inline int RunAsOrdinaryUser(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(kOrdinaryUid) != 0 ||
                                 ::setuid(kOrdinaryUid) != 0))
            ::_exit(125);
        ::_exit(body());
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// The user that RunAsOrdinaryUser runs as.
inline uid_t OrdinaryUid() {
    return ::geteuid() == 0 ? kOrdinaryUid : ::geteuid();
}
