#pragma once

#include <string>
#include <string_view>

namespace brim::platform::win32 {

// Hands a composed path to the file system as it stands: behind "\\?\" Win32
// neither folds "." and ".." nor strips trailing dots and blanks, and paths
// may pass MAX_PATH. Throws Failure when the system would read the path as a
// front part of it, which names another place: ERROR_FILENAME_EXCED_RANGE
// when that form is longer than the NT layer can count, ERROR_INVALID_NAME
// when it holds a NUL (a C string ends there).
std::wstring VerbatimPath(std::wstring_view path);

// The same path in the NT layer's own form ("\??\Q:\..."), for NtOpenFile
// from the top of the namespace; the same checks.
std::wstring NtPath(std::wstring_view path);

// The same checks alone, for a path before any part of it is used.
void RequireNameable(std::wstring_view path);

}  // namespace brim::platform::win32
