#include "Doctor.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QVariant>
#include <cstdlib>
#include <iostream>
#include <string>
#include <xcb/xcb.h>

#include "platform/Doctor.h"
#include "profiles/DesktopFolders.h"
#include "profiles/Paths.h"

namespace cli {

namespace {

constexpr int kBusTimeoutMs = 2000;

// The session bus as the program's notification-area icon uses it.
void ProbeStatusNotifier(platform::TrayFacts& tray) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    tray.busConnected = bus.isConnected() && bus.interface();
    if (!tray.busConnected)
        return;
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    tray.watcher = bus.interface()->isServiceRegistered(watcher);
    if (!tray.watcher)
        return;
    QDBusInterface properties(watcher, QStringLiteral("/StatusNotifierWatcher"),
                              QStringLiteral("org.freedesktop.DBus.Properties"), bus);
    properties.setTimeout(kBusTimeoutMs);
    const QDBusReply<QVariant> host = properties.call(
        QStringLiteral("Get"), watcher, QStringLiteral("IsStatusNotifierHostRegistered"));
    tray.hostRegistered = host.isValid() && host.value().toBool();
}

// An XEmbed notification area owns the selection _NET_SYSTEM_TRAY_S<screen>.
void ProbeXEmbed(platform::TrayFacts& tray) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return;
    int screen = 0;
    xcb_connection_t* c = xcb_connect(display, &screen);
    if (!c || xcb_connection_has_error(c)) {
        if (c)
            xcb_disconnect(c);
        return;
    }
    tray.xDisplay = true;
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(screen);
    if (xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.c_str()), nullptr)) {
        if (xcb_get_selection_owner_reply_t* owner =
                xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr)) {
            tray.xembed = owner->owner != XCB_NONE;
            free(owner);
        }
        free(atom);
    }
    xcb_disconnect(c);
}

} // namespace

int RunDoctor(bool json) {
    int argc = 1;
    char name[] = "brisvane-cli";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);

    platform::DoctorFacts facts = platform::FactsFromEnvironment();
    ProbeStatusNotifier(facts.tray);
    ProbeXEmbed(facts.tray);
    profiles::UseDesktopDocumentsFolder();
    facts.documentsFolder =
        facts.home.empty() ? std::filesystem::path() : profiles::UserDataFolder();

    const std::vector<platform::Finding> findings = platform::Examine(facts);
    std::cout << (json ? platform::FindingsAsJson(findings) : platform::FindingsAsText(findings));
    return platform::DoctorExitCode(findings);
}

} // namespace cli
