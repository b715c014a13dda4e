#include "platform/win32/removal/file_removal.h"

#include <windows.h>

#include <algorithm>
#include <functional>
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
// Marked files are held open up to this many at a time, so that one check
// of their folder covers them all before they close (see Settle).
constexpr std::size_t kHoldUpTo = 64;

// A match listed and dealt with, its removal not yet taken effect.
struct Match {
  std::wstring name;
  ULONG attributes = 0;
  std::uint64_t size = 0;
  DWORD error = 0;
  NtHandle marked;  // closing it removes the file
};

// Removes one file that FindFirstFileW listed (in a preview, checks it as
// if). Returns 0 or a Win32 error. The listing's name and attributes are
// enough: the checked open catches a swap since (see OpenChecked), and
// whether it went is asked once per row.
DWORD RemoveMatch(HANDLE folder, const std::wstring& folder_name, const WIN32_FIND_DATAW& data, bool preview,
                  DeleteModes& modes, CheckBuffers& buffers, Match& match) {
  if (IsReparsePoint(data.dwFileAttributes)) {
    return kLinkRefused;
  }
  CheckedChild child;
  const DWORD error =
      OpenChecked(folder, folder_name, DirEntry{data.cFileName, data.dwFileAttributes, 0},
                  preview ? FILE_READ_ATTRIBUTES : DELETE | FILE_READ_ATTRIBUTES, {}, buffers, child);
  if (error == kItemGone) {
    return 0;  // another program removed it since it was listed
  }
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
  const nt::Status s = MarkForDeletion(child.handle.get(), false, modes);
  if (nt::Failed(s)) {
    return nt::ToWin32Error(s);
  }
  match.marked = std::move(child.handle);
  return 0;
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

void Report(RemovalSink& sink, const std::wstring& path, const Match& match) {
  std::wstring item = path.substr(0, path.size() - SplitTarget(path).leaf.size());
  item += match.name;
  if (match.error == 0) {
    sink.Removed(item, false, match.size);
    return;
  }
  const Stay why = match.error == kLinkRefused                         ? Stay::Link
                   : (match.attributes & FILE_ATTRIBUTE_READONLY) != 0 ? Stay::ReadOnly
                                                                       : Stay::Error;
  sink.Stayed(item, why, match.error);
}

// The held matches take effect. Under Wine each goes at its close by the
// path recorded at open, checked only to lead to the same file: if the
// folder was swapped for a link since, to a place holding other names of
// the same files (hard links), those would go. So the folder must still be
// at its name, or the marks are taken back.
// Returns the first error among them.
DWORD Settle(const TargetFolder& folder, std::vector<Match>& held, RemovalSink* sink,
             const std::wstring& path, bool preview, const std::function<void()>& after_mark,
             CheckBuffers& buffers) {
  const bool any_marked =
      std::ranges::any_of(held, [](const Match& m) { return static_cast<bool>(m.marked); });
  if (any_marked && after_mark) {
    after_mark();
  }
  if (any_marked && !StillAtItsName(folder.opened_as, folder.name, folder.id, buffers.name_info)) {
    for (Match& m : held) {
      if (m.marked) {
        UnmarkForDeletion(m.marked.get());  // if even this fails, the row fails all the same
        m.error = kLinkRefused;
      }
    }
  }
  for (Match& m : held) {
    m.marked.reset();
  }
  DWORD first_error = 0;
  for (Match& m : held) {
    // A sink hears of a removal only once the file is gone: Wine drops an
    // error at close.
    if (sink != nullptr && m.error == 0 && !preview && !NameGone(folder.handle.get(), m.name, 0)) {
      m.error = ERROR_ACCESS_DENIED;
    }
    if (sink != nullptr) {
      Report(*sink, path, m);
    }
    first_error = first_error != 0 ? first_error : m.error;
  }
  held.clear();
  return first_error;
}

}  // namespace

void RemoveMatchingFiles(const std::wstring& path, const RemovalOptions& options) {
  Breather* const breather = options.breather;
  RemovalSink* const sink = options.sink;
  const bool preview = options.preview;
  RequireNameable(path);
  if (SplitTarget(path).leaf.empty()) {
    throw Failure("no file name", ERROR_FILE_NOT_FOUND);
  }
  const TargetFolder folder = OpenTargetFolder(path, options.anchors);

  WIN32_FIND_DATAW data{};
  FindHandle find(::FindFirstFileW(VerbatimPath(path).c_str(), &data));
  if (!find) {
    throw Failure("no file matches", ::GetLastError());
  }
  CheckBuffers buffers;
  DeleteModes modes;
  bool matched = false;
  DWORD first_error = 0;
  unsigned count = 0;
  std::vector<std::wstring> removed;  // while few enough to ask for by name
  std::vector<Match> held;
  const auto settle = [&] {
    const DWORD error = Settle(folder, held, sink, path, preview, options.hooks.after_mark, buffers);
    first_error = first_error != 0 ? first_error : error;
  };
  do {
    if (IsDirectory(data.dwFileAttributes)) {
      continue;  // folders never go, whatever their name
    }
    matched = true;
    Match& match = held.emplace_back();
    match.name = data.cFileName;
    match.attributes = data.dwFileAttributes;
    match.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    match.error = RemoveMatch(folder.handle.get(), folder.name, data, preview, modes, buffers, match);
    if (match.error == 0 && count < kAskByNameUpTo) {
      removed.emplace_back(data.cFileName);
    }
    if (held.size() == kHoldUpTo) {
      settle();
    }
    if (++count % kBreatheEntries == 0 && breather != nullptr) {
      breather->Breathe();
    }
  } while (::FindNextFileW(find.get(), &data) != FALSE);
  const DWORD end = ::GetLastError();
  settle();
  if (end != ERROR_NO_MORE_FILES && first_error == 0) {
    first_error = end;
  }
  if (!matched) {
    throw Failure("no file matches", ERROR_FILE_NOT_FOUND);
  }
  if (!preview && first_error == 0 && sink == nullptr) {  // with a sink each file was asked already
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
