#include "platform/win32/removal/verbatim_path.h"

#include "platform/target.h"
#include "platform/win32/removal/ntdll.h"

namespace brim::platform::win32 {
namespace {

constexpr std::wstring_view kPrefix = L"\\\\?\\";
constexpr std::wstring_view kNtPrefix = L"\\??\\";
static_assert(kPrefix.size() + kMaxTargetChars == nt::kMaxNameChars && kNtPrefix.size() == kPrefix.size());

std::wstring Prefixed(std::wstring_view prefix, std::wstring_view path) {
  std::wstring out;
  out.reserve(prefix.size() + path.size());
  out += prefix;
  out += path;
  return out;
}

}  // namespace

std::wstring VerbatimPath(std::wstring_view path) { return Prefixed(kPrefix, path); }

std::wstring NtPath(std::wstring_view path) { return Prefixed(kNtPrefix, path); }

}  // namespace brim::platform::win32
