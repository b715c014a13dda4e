#pragma once
// Opening the children of an open directory so that a link is never taken
// for what it points to. Under Wine a file symlink lists as a plain file and
// opening it always reaches the target (FILE_OPEN_REPARSE_POINT is not
// honoured), while the file id of the listing is the target's too; only the
// handle's resolved name gives the link away. On Windows the handle is the
// link itself and carries the reparse attribute. Both are checked, together
// with directory-ness and the file id, which catch a swap after listing.

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/removal/nt_file.h"

namespace brim::platform::win32 {

// The error of a removal that met a link (or something swapped in) and left it.
inline constexpr DWORD kLinkRefused = ERROR_CANT_ACCESS_FILE;
// A listed item that was gone, or only delete-pending, when it was opened:
// another program removed it, and it counts as gone.
inline constexpr DWORD kItemGone = ERROR_FILE_NOT_FOUND;

// What a folder on the way to a target, or holding one, is opened with:
// enough to pass through it and name it, not to list it. On Vista and later
// the profile's compatibility junctions ("Local Settings", ...) refuse
// listing to everyone but allow this.
inline constexpr ACCESS_MASK kPassAccess = FILE_TRAVERSE | FILE_READ_ATTRIBUTES;

// Opens a folder by its composed path through the NT layer, links on the
// way and at its end followed. Throws Failure.
NtHandle OpenFolderByPath(const std::wstring& folder, ACCESS_MASK access = kPassAccess);

// A listing entry that owns its name.
struct FoundEntry {
  std::wstring name;
  ULONG attributes = 0;
  std::int64_t id = 0;
  std::int64_t size = 0;
  [[nodiscard]] DirEntry View() const { return DirEntry{name, attributes, id, size}; }
};

// Looks `name` up in the open folder `dir` (letter case ignored, no
// wildcards). False when it is not there; throws Failure on other errors.
bool LookupEntry(HANDLE dir, std::wstring_view name, FoundEntry& out);

struct CheckedChild {
  NtHandle handle;
  bool link_itself = false;  // the handle is a link, opened as itself
  ULONG attributes = 0;      // the handle's own, where they were asked (folders and links)
  std::int64_t id = 0;       // likewise
};

// Scratch space for the checks, reused from child to child.
struct CheckBuffers {
  std::vector<ULONGLONG> name_info;
  std::wstring expected;
  std::wstring resolved;  // the child's own resolved name, after a successful check
};

// False for a listed name that holds a path separator: some file systems
// allow one, and opened relative to its folder it would name another place.
bool IsOneName(std::wstring_view name);

// Opens `entry` inside `dir`, whose resolved name is `dir_name`, and checks
// that the handle is what the listing showed. Returns 0 or a Win32 error:
// ERROR_INVALID_NAME, without opening, for a name that is not one name;
// kLinkRefused when the handle is not the listed entry; kItemGone when it is
// gone. A sharing violation is tried again (see Retrying).
//
// Wine resolves names with trailing dots and blanks loosely ("a." as "a",
// "d.\x" as "d\x"). With `tree_root` (the resolved name of a folder that
// goes as a whole) a name below it may differ in those alone: whatever it
// names is still inside that folder. Without it the names must be equal.
DWORD OpenChecked(HANDLE dir, std::wstring_view dir_name, const DirEntry& entry, ACCESS_MASK access,
                  std::wstring_view tree_root, CheckBuffers& buffers, CheckedChild& out);

// The resolved name of an open folder. Throws Failure.
std::wstring ResolvedName(HANDLE dir);

}  // namespace brim::platform::win32
