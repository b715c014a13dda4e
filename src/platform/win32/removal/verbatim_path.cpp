#include "platform/win32/removal/verbatim_path.h"

#include "platform/failure.h"
#include "platform/win32/removal/ntdll.h"

namespace brim::platform::win32 {
namespace {

constexpr std::wstring_view kPrefix = L"\\\\?\\";

}  // namespace

void RequireNameable(std::wstring_view path) {
  if (path.size() > nt::kMaxNameChars - kPrefix.size()) {
    throw Failure("path longer than the system can name", ERROR_FILENAME_EXCED_RANGE);
  }
  if (path.find(L'\0') != std::wstring_view::npos) {
    throw Failure("path holds a NUL", ERROR_INVALID_NAME);
  }
}

std::wstring VerbatimPath(std::wstring_view path) {
  RequireNameable(path);
  std::wstring out;
  out.reserve(kPrefix.size() + path.size());
  out += kPrefix;
  out += path;
  return out;
}

}  // namespace brim::platform::win32
