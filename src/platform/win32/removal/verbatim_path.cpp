#include "platform/win32/removal/verbatim_path.h"

#include "platform/target.h"
#include "platform/win32/removal/ntdll.h"

namespace brim::platform::win32 {
namespace {

constexpr std::wstring_view kNtPrefix = L"\\??\\";
static_assert(kNtPrefix.size() + kMaxTargetChars == nt::kMaxNameChars);

}  // namespace

std::wstring NtPath(std::wstring_view path) {
  std::wstring out;
  out.reserve(kNtPrefix.size() + path.size());
  out += kNtPrefix;
  out += path;
  return out;
}

}  // namespace brim::platform::win32
