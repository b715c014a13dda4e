#pragma once

#include <string>
#include <string_view>

namespace brim::platform::win32 {

// A composed path cut before its last component: "Q:\a\b" gives "Q:\a" and
// "b"; a drive root keeps its backslash ("Q:\b" gives "Q:\" and "b").
struct SplitPath {
  std::wstring folder;
  std::wstring leaf;
};

// Throws Failure (ERROR_PATH_NOT_FOUND) when there is no folder part.
SplitPath SplitTarget(std::wstring_view path);

}  // namespace brim::platform::win32
