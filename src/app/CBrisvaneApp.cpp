#include "app/CBrisvaneApp.h"

#include <QApplication>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/CBrisvaneDlg.h"
#include "platform/AppPaths.h"
#include "platform/InstanceLock.h"
#include "platform/MainWindowChannel.h"
#include "platform/ProcessFinder.h"
#include "platform/StartupRules.h"
#include "profiles/DesktopFolders.h"
#include "ui/Language.h"
#include "ui/SkinPalette.h"
#include "ui/SkinSurfaceKeeper.h"

namespace app {

namespace {

// The real services of the single-instance rule; none of them needs a display.
class StartupServices : public platform::StartupServices {
public:
    explicit StartupServices(platform::InstanceLock& lock) : lock_(lock) {}
    pid_t FindRunningCopy() override {
        return platform::FindProcessByFileName(platform::Paths().programFileName);
    }
    int SendToMainWindow(pid_t pid, int choice) override {
        return platform::SendToMainWindow(pid, choice);
    }
    bool InstanceLockExists() override {
        return lock_.Open(platform::InstanceLockPath()) == platform::InstanceLock::State::Exists;
    }
    // Started once this copy has its display: a start that cannot run starts nothing.
    void StartDaemon() override { daemonWanted_ = true; }
    void StartDaemonNow() const {
        const auto daemon = platform::Paths().daemonPath;
        if (daemonWanted_ && QFileInfo(QString::fromStdString(daemon.string())).isExecutable())
            QProcess::startDetached(QString::fromStdString(daemon.string()), {});
    }

private:
    platform::InstanceLock& lock_;
    bool daemonWanted_ = false;
};

} // namespace

int CBrisvaneApp::Run(int argc, char** argv) {
    QCoreApplication::setOrganizationName(QStringLiteral("Brisvane_Quandril"));
    platform::InitAppPaths(platform::ProgramFilePath());
    const auto& paths = platform::Paths();
    QCoreApplication::setApplicationName(
        QString::fromStdString(std::filesystem::path(paths.programFileName).stem().string()));

    // The single-instance rule and the command line come before any connection to a
    // display: "/Kill" and a second start need only the lock and the running copy's socket,
    // and work over ssh, in scripts and where no desktop runs.
    std::vector<std::string> arguments(argv + std::min(argc, 1), argv + argc);
    platform::InstanceLock instanceLock;
    StartupServices services(instanceLock);
    const platform::StartupDecision decision =
        platform::ApplySingleInstanceRule(arguments, services);
    if (!decision.run)
        return 0;

    QApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    // Lets the desktop match the windows to the desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("brisvane"));
    ui::InstallSkinFonts();
    services.StartDaemonNow();
    ui::SetPersonalLanguageFile(platform::PersonalLanguageFile());
    ui::LoadLanguageTable(ui::LanguageFileIn(paths.appFolder));
    profiles::UseDesktopDocumentsFolder();

    // Before the window: its pictures are only drawn when a window first shows.
    ui::SkinSurfaceKeeper surfaceKeeper;
    CBrisvaneDlg window(instanceLock, decision.autoOpenDone);
    window.DoModal();
    return 0;
}

} // namespace app
