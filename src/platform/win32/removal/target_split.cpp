#include "platform/win32/removal/target_split.h"

#include <windows.h>

#include "platform/failure.h"

namespace brim::platform::win32 {

SplitPath SplitTarget(std::wstring_view path) {
  const std::size_t cut = path.rfind(L'\\');
  if (cut == std::wstring_view::npos || cut == 0) {
    throw Failure("path has no folder part", ERROR_PATH_NOT_FOUND);
  }
  SplitPath out;
  out.folder = std::wstring(path.substr(0, cut));
  if (out.folder.find(L'\\') == std::wstring::npos) {
    out.folder += L'\\';  // "Q:" alone would mean the current folder of Q:
  }
  out.leaf = std::wstring(path.substr(cut + 1));
  return out;
}

}  // namespace brim::platform::win32
