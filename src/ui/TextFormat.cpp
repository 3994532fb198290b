#include "ui/TextFormat.h"

#include <algorithm>

namespace ui {

namespace {

// Widths and precisions beyond this are taken as this: no text of the program is longer.
constexpr size_t kMaxField = 1024;

class SpanSink {
public:
    explicit SpanSink(std::span<char16_t> out) : out_(out) {}
    void Put(char16_t c) {
        if (length_ + 1 < out_.size()) {
            out_[length_++] = c;
        }
    }
    size_t Finish() {
        if (!out_.empty()) {
            out_[length_] = 0;
        }
        return length_;
    }

private:
    std::span<char16_t> out_;
    size_t length_ = 0;
};

class StringSink {
public:
    void Put(char16_t c) { text_.push_back(c); }
    std::u16string Finish() { return std::move(text_); }

private:
    std::u16string text_;
};

struct Directive {
    bool left = false, plus = false, space = false, alternate = false, zero = false;
    size_t width = 0;
    bool hasPrecision = false;
    size_t precision = 0;
};

template <typename Sink> void Pad(Sink& sink, size_t count, char16_t c) {
    for (size_t i = 0; i < count; ++i) {
        sink.Put(c);
    }
}

// prefix (sign or "0x"), then zero padding, then the body, inside the field width.
template <typename Sink>
void PutField(Sink& sink, const Directive& directive, std::u16string_view prefix,
              std::u16string_view body, size_t zeros) {
    size_t length = prefix.size() + zeros + body.size();
    size_t fill = directive.width > length ? directive.width - length : 0;
    bool zeroFill = directive.zero && !directive.left && !directive.hasPrecision;
    if (!directive.left && !zeroFill) {
        Pad(sink, fill, u' ');
    }
    for (char16_t c : prefix) {
        sink.Put(c);
    }
    Pad(sink, zeros + (zeroFill ? fill : 0), u'0');
    for (char16_t c : body) {
        sink.Put(c);
    }
    if (directive.left) {
        Pad(sink, fill, u' ');
    }
}

template <typename Sink>
void PutNumber(Sink& sink, const Directive& directive, char16_t conversion, const FormatArg* arg) {
    if (arg == nullptr) {
        return;
    }
    int64_t value = arg->type() != FormatArg::Type::Text ? arg->number() : 0;
    bool isSigned = conversion == u'd' || conversion == u'i';
    unsigned base = conversion == u'o' ? 8 : (conversion == u'x' || conversion == u'X') ? 16 : 10;
    const char16_t* digitSet = conversion == u'X' ? u"0123456789ABCDEF" : u"0123456789abcdef";
    bool negative = false;
    uint64_t magnitude = 0;
    if (isSigned) {
        negative = value < 0;
        magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    } else {
        // Unsigned directives read a 32-bit value, as the desktop's formatter does for an int.
        magnitude = static_cast<uint32_t>(value);
        if (arg->type() == FormatArg::Type::Unsigned) {
            magnitude = static_cast<uint64_t>(value);
        }
    }
    char16_t digits[24];
    size_t count = 0;
    do {
        digits[count++] = digitSet[magnitude % base];
        magnitude /= base;
    } while (magnitude != 0);
    std::reverse(digits, digits + count);
    std::u16string_view body(digits, count);
    if (directive.hasPrecision && directive.precision == 0 && value == 0) {
        body = {};
    }
    size_t zeros = directive.hasPrecision && directive.precision > body.size()
                       ? directive.precision - body.size()
                       : 0;
    std::u16string_view prefix;
    if (negative) {
        prefix = u"-";
    } else if (isSigned && directive.plus) {
        prefix = u"+";
    } else if (isSigned && directive.space) {
        prefix = u" ";
    } else if (directive.alternate && base == 16 && value != 0) {
        prefix = conversion == u'X' ? u"0X" : u"0x";
    }
    PutField(sink, directive, prefix, body, zeros);
}

template <typename Sink>
void PutText(Sink& sink, const Directive& directive, const FormatArg* arg) {
    if (arg == nullptr) {
        return;
    }
    if (arg->type() != FormatArg::Type::Text) {
        Directive asNumber = directive;
        asNumber.hasPrecision = false;
        PutNumber(sink, asNumber, arg->type() == FormatArg::Type::Signed ? u'd' : u'u', arg);
        return;
    }
    std::u16string_view text = arg->text();
    if (directive.hasPrecision && directive.precision < text.size()) {
        text = text.substr(0, directive.precision);
    }
    Directive plain = directive;
    plain.zero = false;
    PutField(sink, plain, {}, text, 0);
}

template <typename Sink>
void Format(Sink& sink, std::u16string_view format, std::initializer_list<FormatArg> args) {
    const FormatArg* next = args.begin();
    auto take = [&]() -> const FormatArg* { return next != args.end() ? next++ : nullptr; };
    size_t i = 0;
    while (i < format.size()) {
        char16_t c = format[i];
        if (c != u'%') {
            sink.Put(c);
            ++i;
            continue;
        }
        size_t start = i++;
        Directive directive;
        for (; i < format.size(); ++i) {
            char16_t f = format[i];
            if (f == u'-') {
                directive.left = true;
            } else if (f == u'+') {
                directive.plus = true;
            } else if (f == u' ') {
                directive.space = true;
            } else if (f == u'#') {
                directive.alternate = true;
            } else if (f == u'0') {
                directive.zero = true;
            } else {
                break;
            }
        }
        auto number = [&](size_t& field) {
            while (i < format.size() && format[i] >= u'0' && format[i] <= u'9') {
                field = std::min(kMaxField, field * 10 + (format[i] - u'0'));
                ++i;
            }
        };
        number(directive.width);
        if (i < format.size() && format[i] == u'.') {
            ++i;
            directive.hasPrecision = true;
            number(directive.precision);
        }
        while (i < format.size() &&
               (format[i] == u'h' || format[i] == u'l' || format[i] == u'z' || format[i] == u'L')) {
            ++i;
        }
        char16_t conversion = i < format.size() ? format[i] : 0;
        switch (conversion) {
        case u'%':
            sink.Put(u'%');
            break;
        case u'd':
        case u'i':
        case u'u':
        case u'x':
        case u'X':
        case u'o':
            PutNumber(sink, directive, conversion, take());
            break;
        case u's':
        case u'S':
            PutText(sink, directive, take());
            break;
        case u'c':
        case u'C': {
            const FormatArg* arg = take();
            char16_t ch = arg != nullptr && arg->type() != FormatArg::Type::Text
                              ? static_cast<char16_t>(arg->number())
                              : (arg != nullptr && !arg->text().empty() ? arg->text()[0] : 0);
            if (ch != 0) {
                PutField(sink, directive, {}, std::u16string_view(&ch, 1), 0);
            }
            break;
        }
        default:
            // Not a directive this formatter knows: shown as written.
            for (size_t k = start; k < std::min(i + 1, format.size()); ++k) {
                sink.Put(format[k]);
            }
            break;
        }
        i = std::min(i + 1, format.size());
    }
}

} // namespace

size_t FormatText(std::u16string_view format, std::initializer_list<FormatArg> args,
                  std::span<char16_t> out) {
    SpanSink sink(out);
    Format(sink, format, args);
    return sink.Finish();
}

std::u16string FormatText(std::u16string_view format, std::initializer_list<FormatArg> args) {
    StringSink sink;
    Format(sink, format, args);
    return sink.Finish();
}

} // namespace ui
