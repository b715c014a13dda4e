#pragma once

#include <string>
#include <string_view>

namespace brim::platform::win32 {

// A narrow system text (ANSI code page) as UTF-16.
[[nodiscard]] std::wstring WidenAnsi(std::string_view text);
// UTF-16 as a narrow system text, for what a Failure carries.
[[nodiscard]] std::string NarrowAnsi(std::wstring_view text);

}  // namespace brim::platform::win32
