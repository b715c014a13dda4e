#include "platform/win32/removal/child_open.h"

#include "platform/target.h"

namespace brim::platform::win32 {

bool IsOneName(std::wstring_view name) { return name.find_first_of(L"\\/") == std::wstring_view::npos; }

CheckedChild OpenChecked(HANDLE dir, std::wstring_view dir_name, const DirEntry& entry, ACCESS_MASK access,
                         std::wstring_view tree_root, std::vector<ULONGLONG>& name_buffer) {
  CheckedChild out;
  const auto refused = [&out](nt::Status status) {
    out.handle.reset();
    out.status = status;
    return std::move(out);
  };
  if (!IsOneName(entry.name)) {
    return refused(nt::kObjectNameInvalid);  // opened, it would walk into subfolders or through links
  }
  const bool listed_dir = IsDirectory(entry.attributes);
  nt::Status s = Retrying(nt::kSharingViolation, [&] {
    return OpenRelative(dir, entry.name, access,
                        listed_dir ? nt::kFileDirectoryFile : nt::kFileNonDirectoryFile, out.handle);
  });
  if (s == nt::kObjectNameNotFound || s == nt::kDeletePending) {
    return refused(kItemGone);
  }
  if (nt::Failed(s)) {
    return refused(s);
  }
  // A plain file needs only the name check: opened as non-directory it
  // cannot be a folder link, a file link swapped in is opened as itself on
  // Windows (deleting it removes only the link) and named as its target
  // under Wine. Folders and listed links are checked in full. This keeps
  // the per-file cost to the calls that make it safe.
  Identity identity;
  if (listed_dir || IsReparsePoint(entry.attributes)) {
    s = QueryIdentity(out.handle.get(), identity);
    if (nt::Failed(s)) {
      return refused(s);
    }
    if (IsDirectory(identity.attributes) != listed_dir ||
        IsReparsePoint(identity.attributes) != IsReparsePoint(entry.attributes) ||
        (entry.id != 0 && identity.id != 0 && entry.id != identity.id)) {
      return refused(nt::kLinkRefused);
    }
  }
  std::wstring_view actual;
  s = QueryResolvedName(out.handle.get(), name_buffer, actual);
  if (nt::Failed(s)) {
    return refused(s);
  }
  if (!NamesChild(actual, dir_name, entry.name, tree_root, SameName)) {
    return refused(nt::kLinkRefused);
  }
  if (listed_dir) {
    out.name.assign(actual);
  }
  out.link_itself = IsReparsePoint(identity.attributes);
  out.attributes = identity.attributes;
  out.id = identity.id;
  return out;
}

}  // namespace brim::platform::win32
