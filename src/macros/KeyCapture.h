#pragma once

// Stand-in for the desktop key capture until the application-wide key filter is built: it
// keeps the handler and reports whether it is active, and turns no key event into a key
// message yet.

#include <QObject>

#include <cstdint>
#include <functional>
#include <utility>

class QWidget;

namespace macros {

class KeyCapture : public QObject {
public:
    explicit KeyCapture(QObject* parent = nullptr) : QObject(parent) {}
    void Start(std::function<bool(uint8_t virtualKey, uint32_t lParam)> onKeyMessage) {
        onKeyMessage_ = std::move(onKeyMessage);
    }
    void Stop() { onKeyMessage_ = nullptr; }
    bool Grab(QWidget*) { return false; }
    void Ungrab() {}
    bool Active() const { return static_cast<bool>(onKeyMessage_); }

private:
    std::function<bool(uint8_t, uint32_t)> onKeyMessage_;
};

} // namespace macros
