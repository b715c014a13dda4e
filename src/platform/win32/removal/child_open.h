#pragma once
// Opening a listed child of an open folder so that a link is never taken
// for what it points to. Under Wine a file symlink lists as a plain file and
// opening it always reaches the target (FILE_OPEN_REPARSE_POINT is not
// honoured), while the file id of the listing is the target's too; only the
// handle's resolved name gives the link away. On Windows the handle is the
// link itself and carries the reparse attribute. Both are checked, together
// with directory-ness and the file id, which catch a swap after listing.

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/removal/nt_file.h"

namespace brim::platform::win32 {

// False for a listed name that holds a path separator: some file systems
// allow one, and opened relative to its folder it would name another place.
bool IsOneName(std::wstring_view name);

struct CheckedChild {
  // kSuccess, or: kObjectNameInvalid, without opening, for a name that is
  // not one name; kLinkRefused when the handle is not the listed entry;
  // kItemGone when it is gone; else the failed call's.
  nt::Status status = nt::kSuccess;
  NtHandle handle;
  bool link_itself = false;  // the handle is a link, opened as itself
  ULONG attributes = 0;      // the handle's own, where they were asked (folders and links)
  std::int64_t id = 0;       // likewise
  std::wstring name;         // its resolved name, for a listed folder
};

// Opens `entry` inside `dir`, whose resolved name is `dir_name`, and checks
// that the handle is what the listing showed. A sharing violation is tried
// again (see Retrying). With `tree_root` (the resolved name of a folder that
// goes as a whole) a name below it may differ in trailing dots and blanks
// (see NamesChild). `name_buffer` is the name query's room, reused from
// child to child.
CheckedChild OpenChecked(HANDLE dir, std::wstring_view dir_name, const DirEntry& entry, ACCESS_MASK access,
                         std::wstring_view tree_root, std::vector<ULONGLONG>& name_buffer);

}  // namespace brim::platform::win32
