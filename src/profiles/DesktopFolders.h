#pragma once

// The desktop's folders for the profile files, looked up through Qt.

namespace profiles {

// Makes the desktop's documents location the documents folder of the profile operations.
void UseDesktopDocumentsFolder();

} // namespace profiles
