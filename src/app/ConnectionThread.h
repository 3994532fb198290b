#pragma once

// What happens when the number of keyboards changes: one short thread per change reads
// the keyboard, refreshes the window, sets the notification-area icon and opens the
// window once per run.

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>

namespace app {

inline constexpr int kIconNoKeyboard = 128;
inline constexpr int kIconKeyboard = 141;
inline constexpr int kIconMacroPlaying = 142;

// Process-wide state shared by the main window and its connection threads.
struct ConnectionState {
    std::atomic<uint32_t> lastDeviceCount{0};
    std::atomic<int32_t> activeProfileCache{-1};
    std::atomic<bool> initialised{false};
    std::atomic<bool> autoOpenDone{false};

    // A request to open that came while a keyboard was being read waits for that reading
    // instead of reporting a keyboard that is there as missing.
    std::mutex openLock;
    uint32_t reportedCount = 0; // the count of the latest notification (openLock)
    bool openWaiting = false;   // (openLock)
};
ConnectionState& Connection();

// Called with each notified count before its connection thread starts.
void NoteKeyboardCount(ConnectionState& state, uint32_t n);

// What a request to open the window (UM_OPEN, the menu's open item) does now.
enum class OpenAnswer {
    Show,     // a keyboard is connected
    Wait,     // one is being read: the connection thread posts the request again when done
    NoDevice, // none is there: the no-device box
};
OpenAnswer RequestOpen(ConnectionState& state);

// What a connection thread asks of the main window and the keyboard.
class ConnectionSink {
public:
    virtual ~ConnectionSink() = default;
    virtual void HideWindow() = 0;
    // Reads the default layout into the profile store and the macro space from the
    // configuration block; each keeps its previous value when its read fails.
    struct Reads {
        int32_t defaultLayout = 0;
        int32_t config = 0;
    };
    virtual Reads ReadKeyboard() = 0;
    // A message box with the text of MAIN_DEFAULT_MATRIX_PROMPT.
    virtual void ReportDefaultLayoutFailure() = 0;
    // UM_PROF, sent: returns once the window has handled it.
    virtual void RefreshFromKeyboard() = 0;
    virtual void SetDeviceIcon(int icon) = 0;
    // UM_OPEN, posted: the one automatic opening, or an open request that waited for the
    // keyboard to be read.
    virtual void PostOpen() = 0;
};

// The thread's body for count n; initialisedPoll is how often it looks for UM_INIT.
void RunConnection(uint32_t n, ConnectionState& state, ConnectionSink& sink,
                   std::chrono::milliseconds initialisedPoll = std::chrono::milliseconds(50));

// Starts RunConnection on a detached thread.
void StartConnectionThread(uint32_t n, ConnectionState& state, ConnectionSink& sink);

// The icon the notification area shows: the device icon, or the busy icon over it.
class IconState {
public:
    // Returns the icon to show now, or 0 when the shown one stays.
    int SetDeviceIcon(int icon);
    int SetMacroPlaying(bool playing);
    int shown() const { return shown_.load(); }
    int device() const { return device_.load(); }

private:
    int Show(int icon);
    std::atomic<int> device_{kIconNoKeyboard};
    std::atomic<int> shown_{kIconNoKeyboard};
};

} // namespace app
