#pragma once
// How one removal goes: the one options type of both walks, filled by the
// front (removal_front.h) from what it owns and what the caller asked.

#include <functional>
#include <string_view>

#include "platform/controls.h"
#include "platform/removal_report.h"

namespace brim::platform::win32 {

class AnchorCache;
class HelperThreads;

// Seams for tests only: the shipped exes give none.
struct RemovalHooks {
  // Runs between listing a child and opening it.
  std::function<void(std::wstring_view child)> before_open;
  // Runs after files were marked for deletion and before the check that
  // their folder is still in place and their closes.
  std::function<void()> after_mark;
};

struct RemovalOptions {
  Breather* breather = nullptr;  // may be null
  bool force = true;             // read-only items go too (folders only)
  // Optional: told of every item that goes or stays, on the calling thread.
  RemovalSink* sink = nullptr;
  // Walks and reports as a removal would, and changes nothing.
  bool preview = false;
  // Optional: the run's resolved drive and profile (see anchor_cache.h).
  AnchorCache* anchors = nullptr;
  // Optional: helper threads kept across removals (see helper_threads.h);
  // without them a folder removal makes its own.
  HelperThreads* helpers = nullptr;
  RemovalHooks hooks;
};

}  // namespace brim::platform::win32
