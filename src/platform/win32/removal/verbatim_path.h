#pragma once

#include <string>
#include <string_view>

namespace brim::platform::win32 {

// Hands a part of a read target (see platform/target.h) to the file system
// as it stands: behind "\\?\" Win32 neither folds "." and ".." nor strips
// trailing dots and blanks, and paths may pass MAX_PATH. The target's
// reading has made sure that the system can name it whole.
std::wstring VerbatimPath(std::wstring_view path);

// The same path in the NT layer's own form ("\??\Q:\..."), for NtOpenFile
// from the top of the namespace.
std::wstring NtPath(std::wstring_view path);

}  // namespace brim::platform::win32
