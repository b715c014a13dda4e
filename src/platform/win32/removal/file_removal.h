#pragma once

#include <string>

#include "platform/win32/removal/removal_options.h"

namespace brim::platform::win32 {

// Removes every file that the last component of `path` matches, by the
// platform's own wildcard rules; of patterns, only "*.ext" and "name.*"
// are taken (ERROR_INVALID_NAME for others), which every listing matches
// alike. Folders are never removed; read-only files are not forced (`force`
// and `helpers` are for folders); a link is never removed nor followed.
// Throws Failure when nothing matches or a match stays. The sink hears of
// every match; with `preview` nothing is removed, opened for writing or
// changed.
void RemoveMatchingFiles(const std::wstring& path, const RemovalOptions& options);

}  // namespace brim::platform::win32
