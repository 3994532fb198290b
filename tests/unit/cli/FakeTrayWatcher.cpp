// A StatusNotifierWatcher on the session bus, as a desktop's notification area registers
// it, that runs one command while it is there and ends with the command's exit code.
//   fake_tray_watcher [--no-host] -- COMMAND [ARG...]
// --no-host: the watcher says that no host shows the items.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <cstdio>

class Watcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ HostRegistered)
    Q_PROPERTY(int ProtocolVersion READ ProtocolVersion)

public:
    explicit Watcher(bool host) : host_(host) {}
    bool HostRegistered() const { return host_; }
    int ProtocolVersion() const { return 0; }

private:
    bool host_;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool host = !args.removeOne(QStringLiteral("--no-host"));
    const qsizetype dashes = args.indexOf(QStringLiteral("--"));
    if (dashes < 0 || dashes + 1 >= args.size()) {
        std::fprintf(stderr, "usage: fake_tray_watcher [--no-host] -- COMMAND [ARG...]\n");
        return 2;
    }
    Watcher watcher(host);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                            QDBusConnection::ExportAllProperties) ||
        !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"))) {
        std::fprintf(stderr, "fake_tray_watcher: the session bus refused the watcher\n");
        return 2;
    }
    QProcess command;
    command.setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(&command, &QProcess::finished, &app,
                     [&](int code, QProcess::ExitStatus status) {
                         app.exit(status == QProcess::NormalExit ? code : 2);
                     });
    QObject::connect(&command, &QProcess::errorOccurred, &app, [&](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            app.exit(2);
    });
    command.start(args[dashes + 1], args.mid(dashes + 2));
    return app.exec();
}

#include "FakeTrayWatcher.moc"
