#include "platform/win32/removal/file_removal.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

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
// if). Returns 0 or a Win32 error. The listing's name and attributes are
// enough: the checked open catches a swap since (see OpenChecked), and
// whether it went is asked once per row.
DWORD RemoveMatch(HANDLE folder, const std::wstring& folder_name, const WIN32_FIND_DATAW& data, bool preview,
                  CheckBuffers& buffers) {
  if (IsReparsePoint(data.dwFileAttributes)) {
    return kLinkRefused;
  }
  CheckedChild child;
  const DWORD error =
      OpenChecked(folder, folder_name, DirEntry{data.cFileName, data.dwFileAttributes, 0},
                  preview ? FILE_READ_ATTRIBUTES : DELETE | FILE_READ_ATTRIBUTES, {}, buffers, child);
  if (error != 0) {
    return error;
  }
  if (child.link_itself) {
    return kLinkRefused;
  }
  if (preview) {
    // Read-only files are not forced: the removal would fail on them.
    return (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? ERROR_ACCESS_DENIED : 0;
  }
  const nt::Status s = MarkForDeletion(child.handle.get(), false);
  return nt::Failed(s) ? nt::ToWin32Error(s) : 0;  // closing the handle removes it
}

// Up to this many removed files are asked for by name whether they went;
// past it one listing costs less (under Wine a listing costs about three opens).
constexpr std::size_t kAskByNameUpTo = 4;

// Wine unlinks at close and drops errors there: true when the removed file
// `name` is still there. Only "no such file" (or a folder now at the name,
// which a files row never takes) counts as gone.
bool StillThere(HANDLE folder, const std::wstring& name) {
  NtHandle probe;
  const nt::Status s = OpenRelative(folder, name, FILE_READ_ATTRIBUTES, nt::kFileNonDirectoryFile, probe);
  return s != nt::kObjectNameNotFound && s != nt::kFileIsADirectory;
}

// The same for many: true when a plain file still matches after every match
// was removed.
bool AFileStillMatches(const std::wstring& path) {
  WIN32_FIND_DATAW data{};
  const FindHandle find(::FindFirstFileW(VerbatimPath(path).c_str(), &data));
  if (!find) {
    return false;
  }
  do {
    if (!IsDirectory(data.dwFileAttributes)) {
      return true;
    }
  } while (::FindNextFileW(find.get(), &data) != FALSE);
  return false;
}

void Report(RemovalSink& sink, const std::wstring& path, const WIN32_FIND_DATAW& data, DWORD error) {
  std::wstring item = path.substr(0, path.size() - SplitTarget(path).leaf.size());
  item += data.cFileName;
  if (error == 0) {
    sink.Removed(item, false, (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    return;
  }
  const Stay why = error == kLinkRefused                                    ? Stay::Link
                   : (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? Stay::ReadOnly
                                                                            : Stay::Error;
  sink.Stayed(item, why, error);
}

}  // namespace

void RemoveMatchingFiles(const std::wstring& path, Breather* breather, RemovalSink* sink, bool preview,
                         AnchorCache* anchors) {
  RequireNameable(path);
  if (SplitTarget(path).leaf.empty()) {
    throw Failure("no file name", ERROR_FILE_NOT_FOUND);
  }
  const TargetFolder folder = OpenTargetFolder(path, anchors);

  WIN32_FIND_DATAW data{};
  FindHandle find(::FindFirstFileW(VerbatimPath(path).c_str(), &data));
  if (!find) {
    throw Failure("no file matches", ::GetLastError());
  }
  CheckBuffers buffers;
  bool matched = false;
  DWORD first_error = 0;
  unsigned count = 0;
  std::vector<std::wstring> removed;  // while few enough to ask for by name
  do {
    if (IsDirectory(data.dwFileAttributes)) {
      continue;  // folders never go, whatever their name
    }
    matched = true;
    const DWORD error = RemoveMatch(folder.handle.get(), folder.name, data, preview, buffers);
    if (error != 0 && first_error == 0) {
      first_error = error;
    }
    if (error == 0 && count < kAskByNameUpTo) {
      removed.emplace_back(data.cFileName);
    }
    if (sink != nullptr) {
      Report(*sink, path, data, error);
    }
    if (++count % kBreatheEntries == 0 && breather != nullptr) {
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
  if (!preview && first_error == 0) {
    const bool stays =
        count <= kAskByNameUpTo
            ? std::ranges::any_of(
                  removed, [&](const std::wstring& name) { return StillThere(folder.handle.get(), name); })
            : AFileStillMatches(path);
    if (stays) {
      first_error = ERROR_ACCESS_DENIED;
    }
  }
  if (first_error != 0) {
    throw Failure("a matching file stays", first_error);
  }
}

}  // namespace brim::platform::win32
