// Conversion between the system's Shift-JIS (code page 932) texts and UTF-8, used only where a text
// leaves the system: file names on disk, message boxes, the window title.
#pragma once
#include <string>
#include <string_view>

namespace cp932 {

// CP932 bytes to UTF-8. A byte sequence that is not valid CP932 becomes '?' and the rest goes on.
std::string ToUtf8(std::string_view text);
// UTF-8 to CP932 bytes. A character without a CP932 form becomes '?'; *exact (when given) tells
// whether every character converted.
std::string FromUtf8(std::string_view text, bool* exact = nullptr);

} // namespace cp932
