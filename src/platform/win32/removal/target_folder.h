#pragma once
// The room's one reading of a composed path, and the folder that holds the
// target it names: opened by its path and checked to lie inside the
// target's own place before anything in it is touched. Links on the way are
// followed by the open; the check on where they led is what keeps a target
// in its place.

#include <cstdint>
#include <string>

#include "platform/target.h"
#include "platform/win32/handles.h"

namespace brim::platform::win32 {

class AnchorCache;

struct TargetFolder {
  Target target;  // the path, read
  NtHandle handle;
  std::wstring name;  // resolved, volume included
  std::int64_t id = 0;
  std::wstring opened_as;  // the NT path it was opened by (see StillAtItsName)
};

// Reads `path` as a row of `kind` and opens the folder that holds it.
// Throws Failure: ERROR_FILENAME_EXCED_RANGE for a path past the NT limit
// and ERROR_INVALID_NAME for one holding a NUL, before any call reaches the
// file system; ERROR_PATH_NOT_FOUND without a folder part; for a leaf that
// names nothing ERROR_INVALID_NAME (a folder) or ERROR_FILE_NOT_FOUND
// (files); kLinkRefused when the profile lies off the drive or the folder
// outside its place; else the open's error. With `cache`, the drive and
// profile are resolved as the run first found them (see anchor_cache.h).
TargetFolder PlaceTarget(const std::wstring& path, RowKind kind, AnchorCache* cache = nullptr);

}  // namespace brim::platform::win32
