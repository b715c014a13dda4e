#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brim::platform::win32 {

// A narrow system text (ANSI code page) as UTF-16.
[[nodiscard]] std::wstring WidenAnsi(std::string_view text);
// UTF-16 as a narrow system text, for what a Failure carries.
[[nodiscard]] std::string NarrowAnsi(std::wstring_view text);
// UTF-8 (a pipe, a file, a test script's text) as UTF-16 and back. A NUL
// is kept; what can't be converted is replaced as the system does.
[[nodiscard]] std::wstring WidenUtf8(std::string_view text);
[[nodiscard]] std::string NarrowUtf8(std::wstring_view text);
// A count in decimal digits. std::to_wstring would bring the C runtime's
// whole printf family into the exe for this.
[[nodiscard]] std::wstring DecimalText(std::uint64_t n);

}  // namespace brim::platform::win32
