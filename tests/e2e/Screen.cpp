#include "Screen.h"

#include <fstream>
#include <sstream>

#include "Harness.h"

namespace e2e {

namespace {

std::vector<WindowId> Ids(const std::string& text) {
    std::vector<WindowId> ids;
    std::istringstream in(text);
    std::string word;
    while (in >> word)
        ids.push_back(std::stoul(word, nullptr, 0));
    return ids;
}

// The number after "label" on its line, or fallback.
int NumberAfter(const std::string& text, const std::string& label, int fallback = 0) {
    const size_t at = text.find(label);
    if (at == std::string::npos)
        return fallback;
    return std::atoi(text.c_str() + at + label.size());
}

bool LineHas(const std::string& text, const std::string& label, const std::string& value) {
    const size_t at = text.find(label);
    if (at == std::string::npos)
        return false;
    const size_t end = text.find('\n', at);
    return text.substr(at, end - at).find(value) != std::string::npos;
}

} // namespace

std::vector<WindowInfo> Screen::WindowsOf(pid_t pid) const {
    std::vector<WindowInfo> windows;
    const Output found = Run({"xdotool", "search", "--pid", std::to_string(pid)}, env_);
    for (WindowId id : Ids(found.text))
        if (auto info = Describe(id))
            windows.push_back(*info);
    return windows;
}

std::optional<WindowInfo> Screen::Describe(WindowId id) const {
    const Output out = Run({"xwininfo", "-id", std::to_string(id), "-children", "-stats"}, env_);
    if (out.code != 0)
        return std::nullopt;
    const std::string& t = out.text;
    WindowInfo w;
    w.id = id;
    // xwininfo: Window id: 0x400013 "Gaming Keyboard Settings"
    const size_t header = t.find("Window id:");
    const size_t lineEnd = t.find('\n', header);
    const size_t open = t.find('"', header);
    if (open != std::string::npos && open < lineEnd) {
        const size_t close = t.rfind('"', lineEnd);
        if (close > open)
            w.name = t.substr(open + 1, close - open - 1);
    }
    w.topLevel = LineHas(t, "Parent window id:", "(the root window)");
    w.viewable = LineHas(t, "Map State:", "IsViewable");
    w.overrideRedirect = LineHas(t, "Override Redirect State:", "yes");
    w.x = NumberAfter(t, "Absolute upper-left X:");
    w.y = NumberAfter(t, "Absolute upper-left Y:");
    w.width = NumberAfter(t, "Width:");
    w.height = NumberAfter(t, "Height:");
    return w;
}

std::vector<WindowId> Screen::Stacking() const {
    const Output out = Run({"xwininfo", "-root", "-children"}, env_);
    std::vector<WindowId> ids;
    std::istringstream in(out.text);
    std::string line;
    bool children = false;
    while (std::getline(in, line)) {
        if (line.find("children:") != std::string::npos ||
            line.find("child:") != std::string::npos) {
            children = true;
            continue;
        }
        const size_t hex = line.find_first_not_of(' ');
        if (children && hex != std::string::npos && line.compare(hex, 2, "0x") == 0)
            ids.push_back(std::stoul(line.substr(hex), nullptr, 16));
    }
    return ids;
}

WindowId Screen::Focused() const {
    const auto ids = Ids(Run({"xdotool", "getwindowfocus"}, env_).text);
    return ids.empty() ? 0 : ids.front();
}

std::string Screen::WindowType(WindowId id) const {
    const Output out = Run({"xprop", "-id", std::to_string(id), "_NET_WM_WINDOW_TYPE"}, env_);
    constexpr std::string_view prefix = "_NET_WM_WINDOW_TYPE_";
    const size_t at = out.text.find(prefix);
    if (at == std::string::npos)
        return {};
    const size_t begin = at + prefix.size();
    const size_t end = out.text.find_first_of(", \n", begin);
    return out.text.substr(begin, end - begin);
}

bool Screen::Click(int x, int y, int button, int count) const {
    // Without --sync, which waits for ever when the pointer is already there; the server
    // handles the move before the click all the same.
    return Run({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", "--repeat",
                std::to_string(count), "--delay", "80", std::to_string(button)},
               env_)
               .code == 0;
}

bool Screen::MoveTo(int x, int y) const {
    return Run({"xdotool", "mousemove", std::to_string(x), std::to_string(y)}, env_).code == 0;
}

bool Screen::Focus(WindowId id) const {
    return Run({"xdotool", "windowfocus", "--sync", std::to_string(id)}, env_,
               std::chrono::seconds(5))
               .code == 0;
}

bool Screen::Key(const std::string& key) const {
    return Run({"xdotool", "key", key}, env_).code == 0;
}

std::optional<Picture> Screen::Capture(const WindowInfo& window) const {
    const Output out =
        Run({"import", "-window", std::to_string(window.id), "-depth", "8", "rgb:-"}, env_);
    const size_t expected = static_cast<size_t>(window.width) * window.height * 3;
    if (out.code != 0 || expected == 0 || out.text.size() != expected)
        return std::nullopt;
    return Picture{window.width, window.height, {out.text.begin(), out.text.end()}};
}

namespace {

constexpr const char* kMarkAtom = "_BRISVANE_E2E_MARK";

} // namespace

bool RootEvents::Start(const Screen& screen, const std::filesystem::path& log) {
    screen_ = &screen;
    log_ = log;
    if (!xev_.Start({"xev", "-root", "-event", "substructure", "-event", "property"}, screen.env(),
                    log))
        return false;
    // xev says nothing until it sees an event: change a root property until it reports one.
    return WaitUntil([&] { return Mark() && WaitUntil([&] { return Marks() > 0; }, 200ms); },
                     10000ms, 0ms);
}

bool RootEvents::Mark() {
    static int serial = 0;
    return Run({"xprop", "-root", "-f", kMarkAtom, "32c", "-set", kMarkAtom,
                std::to_string(++serial)},
               screen_->env())
               .code == 0;
}

int RootEvents::Marks() const {
    const std::string text = ReadAll(log_);
    const std::string needle = std::string("(") + kMarkAtom + ")";
    int n = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
        ++n;
    return n;
}

bool RootEvents::Sync() {
    const int target = Marks() + 1;
    return Mark() && WaitUntil([&] { return Marks() >= target; }, 10000ms);
}

int RootEvents::Count(const std::string& kind, WindowId window) const {
    // Each event is a line "Kind event, serial ..." and indented lines that name the window:
    // "    event 0x50d, window 0x400013, override NO".
    std::istringstream in(ReadAll(log_));
    std::string line;
    int n = 0;
    bool inKind = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] != ' ') {
            inKind = line.rfind(kind + " event", 0) == 0;
            if (inKind && window == 0)
                ++n;
            continue;
        }
        const size_t at = line.find(", window 0x");
        if (inKind && window != 0 && at != std::string::npos &&
            std::stoul(line.substr(at + 9), nullptr, 16) == window) {
            ++n;
            inKind = false;
        }
    }
    return n;
}

} // namespace e2e
