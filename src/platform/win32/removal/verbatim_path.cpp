#include "platform/win32/removal/verbatim_path.h"

namespace brim::platform::win32 {

std::wstring VerbatimPath(std::wstring_view path) {
  constexpr std::wstring_view kPrefix = L"\\\\?\\";
  std::wstring out;
  out.reserve(kPrefix.size() + path.size());
  out += kPrefix;
  out += path;
  return out;
}

}  // namespace brim::platform::win32
