#include "profiles/DesktopFolders.h"

#include <QStandardPaths>
#include <filesystem>

#include "profiles/Paths.h"

namespace profiles {

void UseDesktopDocumentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty())
        SetDocumentsFolder(std::filesystem::path(documents.toStdString()));
}

} // namespace profiles
