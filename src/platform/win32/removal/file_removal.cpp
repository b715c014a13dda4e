#include "platform/win32/removal/file_removal.h"

#include <windows.h>

#include "platform/failure.h"
#include "platform/win32/removal/checked_open.h"
#include "platform/win32/removal/nt_file.h"
#include "platform/win32/removal/target_folder.h"
#include "platform/win32/removal/target_split.h"
#include "platform/win32/removal/verbatim_path.h"
#include "platform/win32/unique_handle.h"

namespace brim::platform::win32 {
namespace {

constexpr unsigned kBreatheEntries = 256;

// Removes one file that FindFirstFileW listed. Returns 0 or a Win32 error.
DWORD RemoveMatch(HANDLE folder, const std::wstring& folder_name, const wchar_t* name,
                  CheckBuffers& buffers) {
  FoundEntry entry;
  if (!LookupEntry(folder, name, entry)) {
    return ERROR_FILE_NOT_FOUND;  // gone since it was listed
  }
  if (IsReparsePoint(entry.attributes) || IsDirectory(entry.attributes)) {
    return kLinkRefused;
  }
  {
    CheckedChild child;
    const DWORD error =
        OpenChecked(folder, folder_name, entry.View(), DELETE | FILE_READ_ATTRIBUTES, {}, buffers, child);
    if (error != 0) {
      return error;
    }
    if (child.link_itself) {
      return kLinkRefused;
    }
    const nt::Status s = MarkForDeletion(child.handle.Get(), false);
    if (nt::Failed(s)) {
      return nt::ToWin32Error(s);
    }
  }  // closed: removed now
  FoundEntry left;
  return LookupEntry(folder, entry.name, left) ? ERROR_ACCESS_DENIED : 0;
}

}  // namespace

void RemoveMatchingFiles(const std::wstring& path, Breather* breather) {
  RequireNtLength(path);
  if (SplitTarget(path).leaf.empty()) {
    throw Failure("no file name", ERROR_FILE_NOT_FOUND);
  }
  const TargetFolder folder = OpenTargetFolder(path);

  WIN32_FIND_DATAW data{};
  FindHandle find(::FindFirstFileW(VerbatimPath(path).c_str(), &data));
  if (!find.Valid()) {
    throw Failure("no file matches", ::GetLastError());
  }
  CheckBuffers buffers;
  bool matched = false;
  DWORD first_error = 0;
  unsigned count = 0;
  do {
    if (IsDirectory(data.dwFileAttributes)) {
      continue;  // folders never go, whatever their name
    }
    matched = true;
    const DWORD error = RemoveMatch(folder.handle.Get(), folder.name, data.cFileName, buffers);
    if (error != 0 && first_error == 0) {
      first_error = error;
    }
    if (breather != nullptr && ++count % kBreatheEntries == 0) {
      breather->Breathe();
    }
  } while (::FindNextFileW(find.Get(), &data) != FALSE);
  const DWORD end = ::GetLastError();
  if (end != ERROR_NO_MORE_FILES && first_error == 0) {
    first_error = end;
  }
  if (!matched) {
    throw Failure("no file matches", ERROR_FILE_NOT_FOUND);
  }
  if (first_error != 0) {
    throw Failure("a matching file stays", first_error);
  }
}

}  // namespace brim::platform::win32
