#include "platform/win32/removal/checked_open.h"

#include "platform/failure.h"
#include "platform/win32/removal/verbatim_path.h"

namespace brim::platform::win32 {
namespace {

// Component by component, without trailing dots and blanks.
std::wstring Loose(std::wstring_view name) {
  std::wstring out;
  out.reserve(name.size());
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find(L'\\', start);
    if (end == std::wstring_view::npos) {
      end = name.size();
    }
    std::wstring_view part = name.substr(start, end - start);
    const std::size_t keep = part.find_last_not_of(L". ");
    part = part.substr(0, keep == std::wstring_view::npos ? 0 : keep + 1);
    out += part;
    if (end < name.size()) {
      out += L'\\';
    }
    start = end + 1;
  }
  return out;
}

bool InsideTree(std::wstring_view name, std::wstring_view root) {
  return name.size() > root.size() + 1 && SameName(name.substr(0, root.size()), root) &&
         name[root.size()] == L'\\';
}

bool LooselySame(std::wstring_view actual, std::wstring_view expected, std::wstring_view root) {
  if (root.empty() || !InsideTree(actual, root) || !InsideTree(expected, root)) {
    return false;
  }
  const std::wstring a = Loose(actual.substr(root.size()));
  const std::wstring b = Loose(expected.substr(root.size()));
  return a.find(L"\\\\") == std::wstring::npos && a.back() != L'\\' && SameName(a, b);
}

}  // namespace

bool IsOneName(std::wstring_view name) { return name.find_first_of(L"\\/") == std::wstring_view::npos; }

NtHandle OpenFolderByPath(const std::wstring& folder, ACCESS_MASK access) {
  NtHandle h;
  const nt::Status s = OpenFollowingLinks(NtPath(folder), access, h);
  if (nt::Failed(s)) {
    throw Failure("cannot open folder", nt::ToWin32Error(s));
  }
  return h;
}

bool LookupEntry(HANDLE dir, std::wstring_view name, FoundEntry& out) {
  // A fresh handle on the same folder: a listing's mask is fixed by its
  // handle's first query.
  NtHandle fresh;
  nt::Status s = OpenRelative(dir, L"", FILE_LIST_DIRECTORY, nt::kFileDirectoryFile, fresh);
  if (nt::Failed(s)) {
    throw Failure("cannot reopen folder", nt::ToWin32Error(s));
  }
  DirectoryListing listing(fresh.get(), name);
  DirEntry e;
  while ((s = listing.Next(e)) == nt::kSuccess) {
    if (e.name.size() == name.size() && SameName(e.name, name)) {
      out = FoundEntry{std::wstring(e.name), e.attributes, e.id, e.size};
      return true;
    }
  }
  if (s != nt::kNoMoreFiles) {
    throw Failure("cannot list folder", nt::ToWin32Error(s));
  }
  return false;
}

std::wstring ResolvedName(HANDLE dir) {
  std::vector<ULONGLONG> buffer;
  std::wstring_view name;
  const nt::Status s = QueryResolvedName(dir, buffer, name);
  if (nt::Failed(s)) {
    throw Failure("cannot name folder", nt::ToWin32Error(s));
  }
  return std::wstring(name);
}

DWORD OpenChecked(HANDLE dir, std::wstring_view dir_name, const DirEntry& entry, ACCESS_MASK access,
                  std::wstring_view tree_root, CheckBuffers& buffers, CheckedChild& out) {
  if (!IsOneName(entry.name)) {
    return ERROR_INVALID_NAME;  // opened, it would walk into subfolders or through links
  }
  const bool listed_dir = IsDirectory(entry.attributes);
  nt::Status s = Retrying(nt::kSharingViolation, [&] {
    return OpenRelative(dir, entry.name, access,
                        listed_dir ? nt::kFileDirectoryFile : nt::kFileNonDirectoryFile, out.handle);
  });
  if (s == nt::kObjectNameNotFound || s == nt::kDeletePending) {
    return kItemGone;
  }
  if (nt::Failed(s)) {
    return nt::ToWin32Error(s);
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
      return nt::ToWin32Error(s);
    }
    if (IsDirectory(identity.attributes) != listed_dir ||
        IsReparsePoint(identity.attributes) != IsReparsePoint(entry.attributes) ||
        (entry.id != 0 && identity.id != 0 && entry.id != identity.id)) {
      return kLinkRefused;
    }
  }
  buffers.expected.assign(dir_name);
  if (buffers.expected.empty() || buffers.expected.back() != L'\\') {
    buffers.expected += L'\\';
  }
  buffers.expected += entry.name;
  std::wstring_view actual;
  s = QueryResolvedName(out.handle.get(), buffers.name_info, actual);
  if (nt::Failed(s)) {
    return nt::ToWin32Error(s);
  }
  if (!SameName(actual, buffers.expected) && !LooselySame(actual, buffers.expected, tree_root)) {
    return kLinkRefused;
  }
  buffers.resolved.assign(actual);
  out.link_itself = IsReparsePoint(identity.attributes);
  out.attributes = identity.attributes;
  out.id = identity.id;
  return 0;
}

}  // namespace brim::platform::win32
