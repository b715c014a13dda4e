#include "platform/win32/text.h"

#include <array>
#include <cstddef>

#include "platform/win32/windows_api.h"

namespace brim::platform::win32 {

std::wstring WidenAnsi(std::string_view text) {
  if (text.empty()) {
    return {};
  }
  const int size = static_cast<int>(text.size());
  const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) {
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, out.data(), n);
  }
  return out;
}

std::string NarrowAnsi(std::wstring_view text) {
  if (text.empty()) {
    return {};
  }
  const int size = static_cast<int>(text.size());
  const int n = ::WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) {
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), size, out.data(), n, nullptr, nullptr);
  }
  return out;
}

std::wstring DecimalText(std::uint64_t n) {
  std::array<wchar_t, 20> digits{};  // 2^64-1 has 20
  std::size_t first = digits.size();
  do {
    digits[--first] = static_cast<wchar_t>(L'0' + n % 10);
    n /= 10;
  } while (n != 0);
  return {digits.begin() + static_cast<std::ptrdiff_t>(first), digits.end()};
}

}  // namespace brim::platform::win32
