#include "ui/IniDocument.h"

#include "ui/Utf.h"

#include <cstdint>

namespace ui {

namespace {

bool IsIniBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f' || c == 0x1A;
}

std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        auto lo = static_cast<uint8_t>(bytes[bigEndian ? i + 1 : i]);
        auto hi = static_cast<uint8_t>(bytes[bigEndian ? i : i + 1]);
        out.push_back(static_cast<char16_t>(lo | (hi << 8)));
    }
    return out;
}

// Lines end with CR LF, LF, or a lone CR (files saved by old Mac editors): each line keeps
// its own end, so that an unchanged file is written back byte for byte.
template <typename Text, typename Emit> void SplitLines(const Text& text, Emit emit) {
    using Char = typename Text::value_type;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = start;
        while (end < text.size() && text[end] != Char('\n') && text[end] != Char('\r'))
            ++end;
        if (end == text.size()) {
            emit(text.substr(start), std::string_view{});
            return;
        }
        if (text[end] == Char('\n')) {
            emit(text.substr(start, end - start), std::string_view{"\n"});
            start = end + 1;
        } else if (end + 1 < text.size() && text[end + 1] == Char('\n')) {
            emit(text.substr(start, end - start), std::string_view{"\r\n"});
            start = end + 2;
        } else {
            emit(text.substr(start, end - start), std::string_view{"\r"});
            start = end + 1;
        }
    }
}

} // namespace

std::u16string_view TrimIniBlanks(std::u16string_view text) {
    size_t b = 0;
    size_t e = text.size();
    while (b < e && IsIniBlank(text[b])) {
        ++b;
    }
    while (e > b && IsIniBlank(text[e - 1])) {
        --e;
    }
    return text.substr(b, e - b);
}

std::u16string FoldIniName(std::u16string_view name) {
    std::u16string folded(TrimIniBlanks(name));
    for (char16_t& c : folded) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
    }
    return folded;
}

std::u16string_view StripIniQuotes(std::u16string_view value) {
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

IniDocument IniDocument::Parse(std::string_view bytes) {
    IniDocument doc;
    auto starts = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
    if (starts("\xFF\xFE") || starts("\xFE\xFF")) {
        bool bigEndian = starts("\xFE\xFF");
        doc.encoding_ = bigEndian ? Encoding::Utf16Be : Encoding::Utf16Le;
        std::u16string text = DecodeUtf16(bytes.substr(2), bigEndian);
        SplitLines(text, [&](std::u16string_view line, std::string_view eol) {
            doc.lines_.push_back({std::u16string(line), std::nullopt, std::string(eol)});
        });
    } else {
        if (starts("\xEF\xBB\xBF")) {
            doc.encoding_ = Encoding::Utf8Bom;
            bytes.remove_prefix(3);
        }
        SplitLines(bytes, [&](std::string_view line, std::string_view eol) {
            doc.lines_.push_back({FromUtf8(line), std::string(line), std::string(eol)});
        });
    }
    for (const Line& line : doc.lines_) {
        if (!line.eol.empty()) {
            doc.eol_ = line.eol; // new lines follow the file's own line ends
            break;
        }
    }
    doc.BuildIndex();
    return doc;
}

std::string IniDocument::Serialize() const {
    std::string out;
    if (encoding_ != Encoding::Utf8) {
        out += "\xEF\xBB\xBF";
    }
    for (const Line& line : lines_) {
        out += line.raw ? *line.raw : ToUtf8(line.text);
        out += line.eol;
    }
    return out;
}

void IniDocument::BuildIndex() {
    sections_.clear();
    sections_.emplace_back(std::u16string{}, Section{}); // keys above the first header
    for (size_t n = 0; n < lines_.size(); ++n) {
        std::u16string_view text = TrimIniBlanks(lines_[n].text);
        if (text.empty()) {
            continue;
        }
        Section& current = sections_.back().second;
        if (text.front() == u'[') {
            size_t close = text.find(u']');
            if (close != std::u16string_view::npos) {
                Section section;
                section.header = n;
                section.lastContent = n;
                section.hasHeader = true;
                sections_.emplace_back(FoldIniName(text.substr(1, close - 1)), std::move(section));
                continue;
            }
        }
        current.lastContent = n;
        if (text.front() == u';' || text.front() == u'#') {
            continue;
        }
        size_t equals = text.find(u'=');
        if (equals == std::u16string_view::npos) {
            continue;
        }
        std::u16string key = FoldIniName(text.substr(0, equals));
        if (key.empty()) {
            continue;
        }
        std::u16string_view value = StripIniQuotes(TrimIniBlanks(text.substr(equals + 1)));
        current.keys.try_emplace(std::move(key), n, std::u16string(value));
    }
}

const IniDocument::Section* IniDocument::FindSection(std::u16string_view section) const {
    std::u16string folded = FoldIniName(section);
    for (const auto& [name, s] : sections_) {
        if (s.hasHeader && name == folded) {
            return &s;
        }
    }
    return nullptr;
}

const std::u16string* IniDocument::Find(std::u16string_view section,
                                        std::u16string_view key) const {
    const Section* s = FindSection(section);
    if (s == nullptr) {
        return nullptr;
    }
    auto it = s->keys.find(FoldIniName(key));
    return it == s->keys.end() ? nullptr : &it->second.second;
}

void IniDocument::Set(std::u16string_view section, std::u16string_view key,
                      std::u16string_view value) {
    std::u16string keyText(TrimIniBlanks(key));
    const Section* s = FindSection(section);
    if (s != nullptr) {
        auto it = s->keys.find(FoldIniName(key));
        if (it != s->keys.end()) {
            // Keep the line's own spelling of the key and its spacing around '='.
            Line& line = lines_[it->second.first];
            size_t equals = line.text.find(u'=');
            size_t valueStart = equals + 1;
            while (valueStart < line.text.size() && IsIniBlank(line.text[valueStart])) {
                ++valueStart;
            }
            line.text = line.text.substr(0, valueStart) + std::u16string(value);
            line.raw.reset();
        } else {
            size_t at = s->lastContent + 1;
            if (lines_[at - 1].eol.empty()) {
                lines_[at - 1].eol = eol_;
            }
            lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                          Line{keyText + u"=" + std::u16string(value), std::nullopt, eol_});
        }
    } else {
        if (!lines_.empty()) {
            if (lines_.back().eol.empty()) {
                lines_.back().eol = eol_;
            }
            if (!TrimIniBlanks(lines_.back().text).empty()) {
                lines_.push_back({std::u16string{}, std::string{}, eol_});
            }
        }
        lines_.push_back(
            {u"[" + std::u16string(TrimIniBlanks(section)) + u"]", std::nullopt, eol_});
        lines_.push_back({keyText + u"=" + std::u16string(value), std::nullopt, eol_});
    }
    BuildIndex();
}

} // namespace ui
