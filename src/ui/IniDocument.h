#pragma once

// One INI file held as its lines, so that a write changes one line and leaves every other
// line (comments, blank lines, order, spelling) as it was. Section and key names are
// compared without regard to ASCII case and to the blanks around them, as the desktop's
// profile functions do.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ui {

class IniDocument {
public:
    enum class Encoding { Utf8, Utf8Bom, Utf16Le, Utf16Be };

    IniDocument() = default;

    // Any byte string parses: UTF-8 with or without a byte-order mark, or UTF-16 with one.
    static IniDocument Parse(std::string_view bytes);
    // UTF-8 always; a file that came with a byte-order mark keeps one.
    std::string Serialize() const;

    // The value as a read gives it: trimmed, and without a matching pair of quotes.
    // nullptr when the section or the key is missing.
    const std::u16string* Find(std::u16string_view section, std::u16string_view key) const;

    // Replaces the value of the first matching key in the first matching section in place,
    // or adds the key at the end of that section, or adds the section at the end.
    void Set(std::u16string_view section, std::u16string_view key, std::u16string_view value);

    Encoding SourceEncoding() const { return encoding_; }
    size_t LineCount() const { return lines_.size(); }

private:
    struct Line {
        std::u16string text;
        std::optional<std::string> raw; // the original bytes, while the line is unchanged
        std::string eol;                // "\r\n", "\n", or empty for a last unterminated line
    };
    struct Section {
        size_t header = 0;      // line of "[name]"; the implicit leading section has none
        size_t lastContent = 0; // last non-blank line that belongs to the section
        bool hasHeader = false;
        std::unordered_map<std::u16string, std::pair<size_t, std::u16string>> keys;
    };

    void BuildIndex();
    const Section* FindSection(std::u16string_view section) const;

    std::vector<Line> lines_;
    Encoding encoding_ = Encoding::Utf8;
    std::string eol_ = "\n";
    std::vector<std::pair<std::u16string, Section>> sections_; // file order; first one wins
};

// Shared by the reader and the writer: trimming, ASCII case folding, quotes.
std::u16string_view TrimIniBlanks(std::u16string_view text);
std::u16string FoldIniName(std::u16string_view name);
std::u16string_view StripIniQuotes(std::u16string_view value);

} // namespace ui
