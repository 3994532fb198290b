#pragma once

// The per-user settings of the application object: QSettings of the organisation
// "Brisvane_Quandril" and the program's name, one group per section.

#include "ui/AppSettings.h"

namespace app {

class QtSettings : public ui::AppSettings {
public:
    std::u16string GetProfileString(std::u16string_view section, std::u16string_view entry,
                                    std::u16string_view defaultValue) override;
    bool WriteProfileString(std::u16string_view section, std::u16string_view entry,
                            std::u16string_view value) override;
};

} // namespace app
