#pragma once

#include <functional>
#include <string>

#include "platform/controls.h"
#include "platform/removal_report.h"

namespace brim::platform::win32 {

class AnchorCache;

// Removes every file that the last component of `path` matches, by the
// platform's own wildcard rules. Folders are never removed; read-only files
// are not forced; a link is never removed nor followed. Throws Failure when
// nothing matches or a match stays. `sink` (may be null) hears of every
// match; with `preview` nothing is removed, opened for writing or changed.
// `anchors` (may be null): the run's resolved drive and profile.
// `after_mark` is a seam for tests only: it runs after matches were marked
// for deletion and before the check that their folder is still in place.
void RemoveMatchingFiles(const std::wstring& path, Breather* breather, RemovalSink* sink = nullptr,
                         bool preview = false, AnchorCache* anchors = nullptr,
                         const std::function<void()>& after_mark = {});

}  // namespace brim::platform::win32
