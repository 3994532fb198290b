#pragma once

// Per-user settings for tests: held in memory, or none kept at all.

#include <map>
#include <string>

#include "ui/AppSettings.h"

class MemorySettings : public ui::AppSettings {
public:
    std::u16string GetProfileString(std::u16string_view section, std::u16string_view entry,
                                    std::u16string_view defaultValue) override {
        auto it = values.find(Key(section, entry));
        return it == values.end() ? std::u16string(defaultValue) : it->second;
    }
    bool WriteProfileString(std::u16string_view section, std::u16string_view entry,
                            std::u16string_view value) override {
        values[Key(section, entry)] = value;
        return true;
    }
    static std::u16string Key(std::u16string_view section, std::u16string_view entry) {
        return std::u16string(section) + u"/" + std::u16string(entry);
    }
    std::map<std::u16string, std::u16string> values;
};

// Reads give the default; writes are refused.
struct NoSettings : ui::AppSettings {
    std::u16string GetProfileString(std::u16string_view, std::u16string_view,
                                    std::u16string_view defaultValue) override {
        return std::u16string(defaultValue);
    }
    bool WriteProfileString(std::u16string_view, std::u16string_view,
                            std::u16string_view) override {
        return false;
    }
};
