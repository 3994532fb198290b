#pragma once

// The application's per-user settings (sections of entries with text values), as the
// application object reads and writes them.

#include <string>
#include <string_view>

namespace ui {

class AppSettings {
public:
    virtual ~AppSettings() = default;
    virtual std::u16string GetProfileString(std::u16string_view section, std::u16string_view entry,
                                            std::u16string_view defaultValue) = 0;
    // True when the value was stored.
    virtual bool WriteProfileString(std::u16string_view section, std::u16string_view entry,
                                    std::u16string_view value) = 0;
};

} // namespace ui
