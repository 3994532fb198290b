#include "app/ConnectionThread.h"

#include <thread>

namespace app {

ConnectionState& Connection() {
    static ConnectionState state;
    return state;
}

void NoteKeyboardCount(ConnectionState& state, uint32_t n) {
    std::lock_guard lock(state.openLock);
    state.reportedCount = n;
}

OpenAnswer RequestOpen(ConnectionState& state) {
    std::lock_guard lock(state.openLock);
    if (state.lastDeviceCount.load() > 0)
        return OpenAnswer::Show;
    if (state.reportedCount > 0) {
        state.openWaiting = true;
        return OpenAnswer::Wait;
    }
    return OpenAnswer::NoDevice;
}

namespace {

// After a thread stored its count: true when a waiting request can now be answered, with
// the window (a keyboard was read) or with the box (the keyboard left meanwhile). A thread
// that found no keyboard while a later one reads it leaves the request waiting.
bool ReleaseWaitingOpen(ConnectionState& state, uint32_t n) {
    std::lock_guard lock(state.openLock);
    if (!state.openWaiting || (n == 0 && state.reportedCount > 0))
        return false;
    state.openWaiting = false;
    return true;
}

} // namespace

void RunConnection(uint32_t n, ConnectionState& state, ConnectionSink& sink,
                   std::chrono::milliseconds initialisedPoll) {
    // Threads may overlap; each compares with the count the last one stored.
    const uint32_t last = state.lastDeviceCount.load();
    if (n == last)
        return;
    if (n == 0 && last > 0) {
        state.activeProfileCache = -1;
        sink.HideWindow();
    }
    if (n > 0) {
        if (sink.ReadKeyboard().defaultLayout != 1)
            sink.ReportDefaultLayoutFailure();
        sink.RefreshFromKeyboard();
    }
    while (!state.initialised.load())
        std::this_thread::sleep_for(initialisedPoll);
    sink.SetDeviceIcon(n > 0 ? kIconKeyboard : kIconNoKeyboard);
    state.lastDeviceCount = n;
    const bool autoOpen = !state.autoOpenDone.exchange(true) && n > 0;
    if (ReleaseWaitingOpen(state, n) || autoOpen)
        sink.PostOpen();
}

void StartConnectionThread(uint32_t n, ConnectionState& state, ConnectionSink& sink) {
    std::thread([n, &state, &sink] { RunConnection(n, state, sink); }).detach();
}

int IconState::Show(int icon) {
    return shown_.exchange(icon) == icon ? 0 : icon;
}

int IconState::SetDeviceIcon(int icon) {
    device_ = icon;
    return Show(icon);
}

int IconState::SetMacroPlaying(bool playing) {
    return Show(playing ? kIconMacroPlaying : device_.load());
}

} // namespace app
