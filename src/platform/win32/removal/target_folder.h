#pragma once
// The folder that holds a removal's target, opened by its composed path and
// checked to lie inside the target's own place before anything in it is
// touched. Links on the way are followed by the open; the check on where
// they led is what keeps a target in its place.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win32/handles.h"

namespace brim::platform::win32 {

class AnchorCache;

// The places a composed path claims, as composed: its drive root, and the
// profile folder when the path lies inside one (empty otherwise).
struct Anchors {
  std::wstring drive;    // "Q:\"
  std::wstring profile;  // "Q:\Documents and Settings\U"
};
Anchors AnchorsOf(std::wstring_view path);

// True when the resolved name `name` is `anchor` itself or lies below it.
bool Inside(std::wstring_view name, std::wstring_view anchor);

struct TargetFolder {
  NtHandle handle;
  std::wstring name;  // resolved, volume included
  std::int64_t id = 0;
  std::wstring opened_as;  // the NT path it was opened by (see StillAtItsName)
  std::wstring leaf;       // the target's last component, as composed
};

// Throws Failure: ERROR_FILENAME_EXCED_RANGE for a path past the NT limit,
// before any call reaches the file system; kLinkRefused when the profile
// lies off the drive or the folder outside its anchor; else the open's error.
// With `cache`, the drive and profile are resolved as the run first found
// them (see anchor_cache.h).
TargetFolder OpenTargetFolder(const std::wstring& path, AnchorCache* cache = nullptr);

}  // namespace brim::platform::win32
