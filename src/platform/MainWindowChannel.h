#pragma once

// How a second start reaches the running copy's main window: a per-user local socket per
// process, opened by the main window when it marks itself. A request is 8 bytes (message,
// tag; little-endian). The window acknowledges it with 4 bytes as soon as it has read it and
// answers with 4 more once it has handled it.

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <sys/types.h>

namespace platform {

inline constexpr int kChoiceOpen = 0;
inline constexpr int kChoiceKill = 1;

struct WindowRequest {
    uint32_t message = 0;
    uint32_t tag = 0;
};

inline constexpr std::array<uint8_t, 4> kRequestRead = {'R', 'E', 'A', 'D'};
inline constexpr std::array<uint8_t, 4> kRequestDone = {'D', 'O', 'N', 'E'};

// How long a sender waits for the acknowledgement: a window whose thread is stuck, or a
// process that is stopped, never reads the request.
inline constexpr std::chrono::milliseconds kAcknowledgeTimeout{2000};

std::array<uint8_t, 8> EncodeRequest(const WindowRequest& request);
std::optional<WindowRequest> DecodeRequest(const uint8_t* bytes, size_t length);

// The folder of the sockets (created with mode 0700) and the socket of one process.
std::filesystem::path MainWindowSocketFolder();
std::filesystem::path MainWindowSocketPath(pid_t pid);

// Removes the sockets left by copies that ended without closing theirs (a crash).
void RemoveStaleWindowSockets();

// Sends UM_OPEN (choice 0) or UM_KILL (choice 1) with its tag to the main window of pid and
// waits until it has been handled. Returns 1 when that process has a main window that
// acknowledged the request, else 0; without the acknowledgement within its time-out the
// sender goes on as if there were no window.
int SendToMainWindow(pid_t pid, int choice);

// Sends any message and tag to the window of pid, or to the socket at a given path.
int SendWindowMessage(pid_t pid, uint32_t message, uint32_t tag);
int SendWindowMessage(const std::filesystem::path& socket, uint32_t message, uint32_t tag,
                      std::chrono::milliseconds acknowledgeTimeout = kAcknowledgeTimeout);

} // namespace platform
