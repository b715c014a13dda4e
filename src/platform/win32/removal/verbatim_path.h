#pragma once

#include <string>
#include <string_view>

namespace brim::platform::win32 {

// Hands a composed path to the file system as it stands: behind "\\?\" Win32
// neither folds "." and ".." nor strips trailing dots and blanks, and paths
// may pass MAX_PATH. Throws Failure (ERROR_FILENAME_EXCED_RANGE) when that
// form is longer than the NT layer can count: the system would cut it to a
// front part that names another place.
std::wstring VerbatimPath(std::wstring_view path);

// The same length check alone, for a path before any part of it is used.
void RequireNtLength(std::wstring_view path);

}  // namespace brim::platform::win32
