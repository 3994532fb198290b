#pragma once

// printf-style filling of a language text ("%d", "%s", "%03x", ...). The format comes from
// a file the user can edit, so it is never trusted: a directive without a matching argument
// gives nothing, an argument of the other type is shown as it naturally reads, an unknown
// directive is copied as it stands, and the output never exceeds its buffer.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace ui {

class FormatArg {
public:
    enum class Type { Signed, Unsigned, Text };

    FormatArg(int value) : type_(Type::Signed), number_(value) {}
    FormatArg(long value) : type_(Type::Signed), number_(value) {}
    FormatArg(long long value) : type_(Type::Signed), number_(value) {}
    FormatArg(unsigned value) : type_(Type::Unsigned), number_(value) {}
    FormatArg(unsigned long value) : type_(Type::Unsigned), number_(static_cast<int64_t>(value)) {}
    FormatArg(unsigned long long value)
        : type_(Type::Unsigned), number_(static_cast<int64_t>(value)) {}
    FormatArg(std::u16string_view text) : type_(Type::Text), text_(text) {}
    FormatArg(const char16_t* text) : type_(Type::Text), text_(text) {}

    Type type() const { return type_; }
    int64_t number() const { return number_; }
    std::u16string_view text() const { return text_; }

private:
    Type type_;
    int64_t number_ = 0;
    std::u16string_view text_;
};

// Writes into out, cut to out.size() - 1 units and NUL-terminated (nothing for an empty
// span). Returns the number of units written before the NUL. Does not allocate.
size_t FormatText(std::u16string_view format, std::initializer_list<FormatArg> args,
                  std::span<char16_t> out);

std::u16string FormatText(std::u16string_view format, std::initializer_list<FormatArg> args);

} // namespace ui
