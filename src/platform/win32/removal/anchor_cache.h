#pragma once
// The resolved names of the drive roots and profile folders that a run's
// rows are checked against, resolved once per run instead of opened and
// named again for every row (three server round trips each under Wine).
//
// Keeping them loses nothing: a target's folder is still opened by its path
// and named afresh for every row, and must lie inside the place as the run
// first resolved it; a resolved name holds no link. A place that turns into
// a link during the run is not followed: its rows then resolve elsewhere and
// are refused, where a fresh resolution might have accepted a link that stays
// on the drive.

#include <string>
#include <utility>
#include <vector>

namespace brim::platform::win32 {

class AnchorCache {
 public:
  // The resolved name of the folder at `path`, opened and named on first
  // use. Throws Failure as the open or the naming does; a failure is not kept.
  std::wstring Resolved(const std::wstring& path);
  // The end of a run: the next row resolves afresh.
  void Forget() { entries_.clear(); }

 private:
  std::vector<std::pair<std::wstring, std::wstring>> entries_;  // path, resolved name
};

}  // namespace brim::platform::win32
