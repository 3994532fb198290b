#pragma once

// Tells the user, once per run, when the keyboard is plugged in but this user may not open
// its nodes: the library then finds no keyboard, and the icon alone would only say
// "disconnected". Looks at start and whenever /dev changes, after udev had time to give the
// new nodes their permissions; never while a keyboard is connected.

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <string>

namespace app {

class NodeAccessNotice : public QObject {
    Q_OBJECT
public:
    // The advice for the user, empty when there is nothing to tell.
    using Probe = std::function<std::string()>;

    NodeAccessNotice(std::filesystem::path devFolder, Probe probe, std::function<bool()> connected,
                     std::function<void(const QString&)> tell, int settleMs = kSettleMs,
                     QObject* parent = nullptr);

    // The doctor's own look at the system (BRISVANE_SYSTEM_ROOT or /).
    static Probe SystemProbe();

    void Start();
    bool Told() const { return told_; }

    // udev sets a new node's access a moment after the kernel makes it.
    static constexpr int kSettleMs = 3000;

private:
    void Look();

    std::filesystem::path devFolder_;
    Probe probe_;
    std::function<bool()> connected_;
    std::function<void(const QString&)> tell_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    bool told_ = false;
};

} // namespace app
