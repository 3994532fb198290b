#pragma once

// Conversions between the model's UTF-16 text and the UTF-8 of files and the desktop.
// Malformed input (a lone surrogate, a broken or overlong UTF-8 sequence) becomes U+FFFD,
// so that a damaged file never stops the reader.

#include <string>
#include <string_view>

namespace ui {

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view bytes);

} // namespace ui
