#include "platform/win32/text.h"

#include <array>
#include <cstddef>

#include "platform/win32/windows_api.h"

namespace brim::platform::win32 {

namespace {

std::wstring Widen(UINT code_page, std::string_view text) {
  if (text.empty()) {
    return {};
  }
  const int size = static_cast<int>(text.size());
  const int n = ::MultiByteToWideChar(code_page, 0, text.data(), size, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) {
    ::MultiByteToWideChar(code_page, 0, text.data(), size, out.data(), n);
  }
  return out;
}

std::string Narrow(UINT code_page, std::wstring_view text) {
  if (text.empty()) {
    return {};
  }
  const int size = static_cast<int>(text.size());
  const int n = ::WideCharToMultiByte(code_page, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) {
    ::WideCharToMultiByte(code_page, 0, text.data(), size, out.data(), n, nullptr, nullptr);
  }
  return out;
}

}  // namespace

std::wstring WidenAnsi(std::string_view text) { return Widen(CP_ACP, text); }
std::string NarrowAnsi(std::wstring_view text) { return Narrow(CP_ACP, text); }
std::wstring WidenUtf8(std::string_view text) { return Widen(CP_UTF8, text); }
std::string NarrowUtf8(std::wstring_view text) { return Narrow(CP_UTF8, text); }

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
