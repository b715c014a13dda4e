#include "platform/win32/removal/verbatim_path.h"

#include "platform/failure.h"
#include "platform/win32/removal/ntdll.h"

namespace brim::platform::win32 {
namespace {

constexpr std::wstring_view kPrefix = L"\\\\?\\";
constexpr std::wstring_view kNtPrefix = L"\\??\\";  // as long as kPrefix

std::wstring Prefixed(std::wstring_view prefix, std::wstring_view path) {
  RequireNameable(path);
  std::wstring out;
  out.reserve(prefix.size() + path.size());
  out += prefix;
  out += path;
  return out;
}

}  // namespace

void RequireNameable(std::wstring_view path) {
  if (path.size() > nt::kMaxNameChars - kPrefix.size()) {
    throw Failure("path longer than the system can name", ERROR_FILENAME_EXCED_RANGE);
  }
  if (path.find(L'\0') != std::wstring_view::npos) {
    throw Failure("path holds a NUL", ERROR_INVALID_NAME);
  }
}

std::wstring VerbatimPath(std::wstring_view path) { return Prefixed(kPrefix, path); }

std::wstring NtPath(std::wstring_view path) { return Prefixed(kNtPrefix, path); }

}  // namespace brim::platform::win32
