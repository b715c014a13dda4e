#include "platform/win32/removal/file_removal.h"

#include <windows.h>

#include "platform/failure.h"
#include "platform/win32/handles.h"
#include "platform/win32/removal/checked_open.h"
#include "platform/win32/removal/nt_file.h"
#include "platform/win32/removal/target_folder.h"
#include "platform/win32/removal/target_split.h"
#include "platform/win32/removal/verbatim_path.h"

namespace brim::platform::win32 {
namespace {

constexpr unsigned kBreatheEntries = 256;

// Removes one file that FindFirstFileW listed (in a preview, checks it as
// if). Returns 0 or a Win32 error; `entry` is the file as listed.
DWORD RemoveMatch(HANDLE folder, const std::wstring& folder_name, const wchar_t* name, bool preview,
                  CheckBuffers& buffers, FoundEntry& entry) {
  if (!LookupEntry(folder, name, entry)) {
    return ERROR_FILE_NOT_FOUND;  // gone since it was listed
  }
  if (IsReparsePoint(entry.attributes) || IsDirectory(entry.attributes)) {
    return kLinkRefused;
  }
  {
    CheckedChild child;
    const DWORD error =
        OpenChecked(folder, folder_name, entry.View(),
                    preview ? FILE_READ_ATTRIBUTES : DELETE | FILE_READ_ATTRIBUTES, {}, buffers, child);
    if (error != 0) {
      return error;
    }
    if (child.link_itself) {
      return kLinkRefused;
    }
    if (preview) {
      // Read-only files are not forced: the removal would fail on them.
      return (entry.attributes & FILE_ATTRIBUTE_READONLY) != 0 ? ERROR_ACCESS_DENIED : 0;
    }
    const nt::Status s = MarkForDeletion(child.handle.get(), false);
    if (nt::Failed(s)) {
      return nt::ToWin32Error(s);
    }
  }  // closed: removed now
  FoundEntry left;
  return LookupEntry(folder, entry.name, left) ? ERROR_ACCESS_DENIED : 0;
}

void Report(RemovalSink& sink, const std::wstring& path, const WIN32_FIND_DATAW& data,
            const FoundEntry& entry, DWORD error) {
  std::wstring item = path.substr(0, path.size() - SplitTarget(path).leaf.size());
  item += data.cFileName;
  if (error == 0) {
    sink.Removed(item, false, static_cast<std::uint64_t>(entry.size));
    return;
  }
  const Stay why = error == kLinkRefused                               ? Stay::Link
                   : (entry.attributes & FILE_ATTRIBUTE_READONLY) != 0 ? Stay::ReadOnly
                                                                       : Stay::Error;
  sink.Stayed(item, why, error);
}

}  // namespace

void RemoveMatchingFiles(const std::wstring& path, Breather* breather, RemovalSink* sink, bool preview) {
  RequireNameable(path);
  if (SplitTarget(path).leaf.empty()) {
    throw Failure("no file name", ERROR_FILE_NOT_FOUND);
  }
  const TargetFolder folder = OpenTargetFolder(path);

  WIN32_FIND_DATAW data{};
  FindHandle find(::FindFirstFileW(VerbatimPath(path).c_str(), &data));
  if (!find) {
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
    FoundEntry entry;
    const DWORD error =
        RemoveMatch(folder.handle.get(), folder.name, data.cFileName, preview, buffers, entry);
    if (error != 0 && first_error == 0) {
      first_error = error;
    }
    if (sink != nullptr) {
      Report(*sink, path, data, entry, error);
    }
    if (breather != nullptr && ++count % kBreatheEntries == 0) {
      breather->Breathe();
    }
  } while (::FindNextFileW(find.get(), &data) != FALSE);
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
