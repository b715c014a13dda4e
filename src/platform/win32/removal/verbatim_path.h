#pragma once

#include <string>
#include <string_view>

namespace brim::platform::win32 {

// Hands a composed path to the file system as it stands: behind "\\?\" Win32
// neither folds "." and ".." nor strips trailing dots and blanks, and paths
// may pass MAX_PATH.
std::wstring VerbatimPath(std::wstring_view path);

}  // namespace brim::platform::win32
