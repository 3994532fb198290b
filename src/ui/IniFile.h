#pragma once

// INI files as the skin, language and settings files are written on the desktop they come
// from: names without regard to case or surrounding blanks, values trimmed, a matching pair
// of quotes removed, and a write that changes one line of the file and keeps the rest.
// Files are read as UTF-8 (with or without a byte-order mark) or UTF-16 with a byte-order
// mark, and written as UTF-8. A parsed file is kept in memory until the file changes, so
// that reading a layout of a few hundred keys at every window start costs no parsing.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ui {

// The leading integer of a value as the desktop's _wtoi reads it: blanks, an optional sign,
// then digits (0 when there are none), kept within the range of int.
int LeadingInteger(std::u16string_view text);

// GetPrivateProfileStringW semantics; bufferSize in UTF-16 units, the result is cut to
// bufferSize - 1. A missing file, section or key gives the default, with its trailing blanks
// removed.
std::u16string GetPrivateProfileString(std::u16string_view section, std::u16string_view key,
                                       std::u16string_view defaultValue, size_t bufferSize,
                                       const std::filesystem::path& file);

// The same read without a default: std::nullopt when the file, section or key is missing, so
// that a caller can tell a missing key from one with an empty value.
std::optional<std::u16string> FindPrivateProfileString(std::u16string_view section,
                                                       std::u16string_view key, size_t bufferSize,
                                                       const std::filesystem::path& file);

// WritePrivateProfileStringW semantics (create file/section/key, replace in place, keep other
// lines). Returns true on success. Refuses, and changes nothing, when a name is empty or
// when a name or the value holds a line break, since that would add lines to the file;
// also when the file's folder does not exist.
bool WritePrivateProfileString(std::u16string_view section, std::u16string_view key,
                               std::u16string_view value, const std::filesystem::path& file);

// Forgets every parsed file, so that the next read parses anew.
void ClearIniCache();

class CIniFile {
public:
    static constexpr size_t kBufferSize = 2047;

    explicit CIniFile(std::filesystem::path file);
    const std::filesystem::path& Path() const { return file_; }
    // 2047-unit buffer; std::nullopt when the value read is empty or missing.
    std::optional<std::u16string> Read(std::u16string_view section, std::u16string_view key) const;
    bool Write(std::u16string_view section, std::u16string_view key,
               std::u16string_view value) const;

private:
    std::filesystem::path file_;
};

} // namespace ui
