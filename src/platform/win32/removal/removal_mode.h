#pragma once
// What a preview and a removal do differently, kept in one place: the access
// asked for, whether an item is marked, whether read-only items are cleared,
// and whether an item is checked to be gone before it is told as removed.
// A preview opens what a removal opens, but only to read, and changes
// nothing.

#include <windows.h>

#include <cstdint>
#include <string_view>
#include <utility>

#include "platform/win32/handles.h"
#include "platform/win32/removal/nt_file.h"

namespace brim::platform::win32 {

class RemovalMode {
 public:
  // A folder's items: with `force` read-only items go too, and one the
  // platform keeps answers kReadOnlyKept.
  RemovalMode(bool preview, bool force) : RemovalMode(preview, force, nt::kReadOnlyKept) {}
  // A files row's matches: never forced, and a read-only match answers
  // what the system's own delete of it does (kCannotDelete, "access denied").
  static RemovalMode ForMatches(bool preview) { return {preview, false, nt::kCannotDelete}; }

  // The least each step needs: a folder being emptied is listed and
  // deleted, a file deleted. FILE_WRITE_ATTRIBUTES, which only the item's
  // own ACL can grant, is asked only to clear a read-only attribute.
  [[nodiscard]] ACCESS_MASK folder_access() const {
    return preview_ ? FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES
                    : DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES;
  }
  [[nodiscard]] ACCESS_MASK file_access() const {
    return preview_ ? FILE_READ_ATTRIBUTES : DELETE | FILE_READ_ATTRIBUTES;
  }

  // Items are marked, and so must be seen gone before they are told as removed.
  [[nodiscard]] bool removes() const { return !preview_; }

  // A forced removal takes read-only items too.
  [[nodiscard]] bool clears(ULONG attributes) const {
    return force_ && !preview_ && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  }

  // Marks `item` (listed with `attributes`) for deletion and, once marked,
  // moves it into `marked` (closing it removes the item). A preview marks
  // nothing, and answers for a read-only item what an unforced removal
  // would.
  nt::Status Mark(NtHandle& item, ULONG attributes, DeleteModes& modes, NtHandle& marked) const {
    if (preview_) {
      return !force_ && (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? read_only_kept_ : nt::kSuccess;
    }
    const nt::Status s = MarkInPlace(item.get(), modes);
    if (nt::Failed(s)) {
      return s;
    }
    marked = std::move(item);
    return nt::kSuccess;
  }

  // Marks an item whose handle its holder closes (an emptied folder). Only
  // for a removal.
  nt::Status MarkInPlace(HANDLE item, DeleteModes& modes) const {
    const nt::Status s = MarkForDeletion(item, force_, modes);
    return s == nt::kCannotDelete ? read_only_kept_ : s;
  }

  // Under Wine a read-only folder has no write permission and keeps its
  // children, so a forced removal clears it, through a handle of its own:
  // the one step that writes attributes. Nothing to do for a folder that is
  // not read-only, or unless forced. `tree_root` as for OpenChecked.
  nt::Status ClearIfReadOnly(HANDLE parent, std::wstring_view parent_name, std::wstring_view name,
                             std::int64_t id, ULONG attributes, std::wstring_view tree_root) const;

 private:
  RemovalMode(bool preview, bool force, nt::Status read_only_kept)
      : preview_(preview), force_(force), read_only_kept_(read_only_kept) {}

  bool preview_;
  bool force_;
  nt::Status read_only_kept_;
};

}  // namespace brim::platform::win32
