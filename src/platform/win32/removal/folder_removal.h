#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/controls.h"
#include "platform/removal_report.h"

namespace brim::platform::win32 {

class AnchorCache;
class HelperThreads;

struct FolderRemovalOptions {
  Breather* breather = nullptr;  // may be null
  bool force = true;             // read-only items go too
  // Optional: told of every item that goes or stays, on the calling thread.
  RemovalSink* sink = nullptr;
  // Walks and reports as a removal would, and changes nothing.
  bool preview = false;
  // Optional: the run's resolved drive and profile (see anchor_cache.h).
  AnchorCache* anchors = nullptr;
  // Optional: helper threads kept across removals (see helper_threads.h);
  // without them a removal makes its own.
  HelperThreads* helpers = nullptr;
  // Seam for tests only: runs between listing a child and opening it.
  std::function<void(std::wstring_view child)> before_open;
  // Seam for tests only: runs after files were marked for deletion and
  // before the check that their folder is still in place and their closes.
  std::function<void()> after_mark;
};

// Removes the folder that `folder_spec` names with everything inside, read-only
// items included. Never enters or follows a link: a link inside is removed
// as itself where the platform allows, else left (and the removal fails); a
// target that is itself a link is left. Throws Failure with the first error;
// whatever could be removed is removed. Plain files go on helper threads
// too; `breather` and `before_open` are only called on the calling thread.
void RemoveFolderTree(const std::wstring& folder_spec, const FolderRemovalOptions& options);

}  // namespace brim::platform::win32
