#include "platform/win32/removal/folder_by_path.h"

#include <vector>

#include "platform/failure.h"
#include "platform/win32/removal/nt_file.h"
#include "platform/win32/removal/verbatim_path.h"

namespace brim::platform::win32 {

NtHandle OpenFolderByPath(std::wstring_view folder, ACCESS_MASK access) {
  NtHandle h;
  const nt::Status s = OpenFollowingLinks(NtPath(folder), access, h);
  if (nt::Failed(s)) {
    throw Failure("cannot open folder", nt::ToWin32Error(s));
  }
  return h;
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

}  // namespace brim::platform::win32
