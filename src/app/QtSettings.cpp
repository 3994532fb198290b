#include "app/QtSettings.h"

#include <QSettings>

namespace app {

namespace {
QString Q(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}
QString Key(std::u16string_view section, std::u16string_view entry) {
    return Q(section) + '/' + Q(entry);
}
} // namespace

std::u16string QtSettings::GetProfileString(std::u16string_view section, std::u16string_view entry,
                                            std::u16string_view defaultValue) {
    QSettings settings;
    return settings.value(Key(section, entry), Q(defaultValue)).toString().toStdU16String();
}

bool QtSettings::WriteProfileString(std::u16string_view section, std::u16string_view entry,
                                    std::u16string_view value) {
    QSettings settings;
    settings.setValue(Key(section, entry), Q(value));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace app
