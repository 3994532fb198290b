#include "app/CBrisvaneApp.h"

#include <QApplication>
#include <filesystem>
#include <string>
#include <vector>

#include "app/CBrisvaneDlg.h"
#include "platform/AppPaths.h"
#include "profiles/DesktopFolders.h"
#include "ui/Language.h"
#include "ui/SkinPalette.h"

namespace app {

int CBrisvaneApp::Run(int argc, char** argv) {
    QApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);

    QCoreApplication::setOrganizationName(QStringLiteral("Brisvane_Quandril"));
    platform::InitAppPaths(platform::ProgramFilePath());
    const auto& paths = platform::Paths();
    QCoreApplication::setApplicationName(
        QString::fromStdString(std::filesystem::path(paths.programFileName).stem().string()));

    ui::LoadLanguageTable(ui::LanguageFileIn(paths.appFolder));
    profiles::UseDesktopDocumentsFolder();

    std::vector<std::string> arguments;
    const QStringList given = QCoreApplication::arguments();
    for (qsizetype i = 1; i < given.size(); ++i)
        arguments.push_back(given[i].toStdString());

    CBrisvaneDlg window(arguments);
    if (window.Refused())
        return 0;
    window.DoModal();
    return 0;
}

} // namespace app
