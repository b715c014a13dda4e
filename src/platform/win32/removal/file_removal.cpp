#include "platform/win32/removal/file_removal.h"

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "platform/win32/handles.h"
#include "platform/win32/removal/child_open.h"
#include "platform/win32/removal/nt_file.h"
#include "platform/win32/removal/removal_mode.h"
#include "platform/win32/removal/target_folder.h"

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
  nt::Status status = nt::kSuccess;
  NtHandle marked;  // closing it removes the file
};

// Removes one listed file (in a preview, checks it as if). The listing's
// name and attributes are enough: the checked open catches a swap since
// (see OpenChecked), and whether it went is asked once per row.
nt::Status RemoveMatch(HANDLE folder, const std::wstring& folder_name, const DirEntry& entry,
                       const RemovalMode& mode, DeleteModes& modes, std::vector<ULONGLONG>& name_buffer,
                       Match& match) {
  if (IsReparsePoint(entry.attributes)) {
    return nt::kLinkRefused;
  }
  CheckedChild child = OpenChecked(folder, folder_name, entry, mode.file_access(), {}, name_buffer);
  if (child.status == kItemGone) {
    return nt::kSuccess;  // another program removed it since it was listed
  }
  if (child.status != nt::kSuccess) {
    return child.status;
  }
  if (child.link_itself) {
    return nt::kLinkRefused;
  }
  return mode.Mark(child.handle, entry.attributes, modes, match.marked);
}

// What a files row's leaf matches in its placed folder, listed through
// that folder's handle, never by path again: the file system takes the
// leaf as its mask (it matches long and short names alike), and the bare
// name of a "name.*" leaf is asked for apart (see Target::bare_match).
class MatchListing {
 public:
  MatchListing(HANDLE folder, const Target& target)
      : folder_(folder),
        bare_(target.bare_match),
        handle_(FreshHandle(folder)),
        listing_(handle_.get(), target.leaf) {}

  // kSuccess with `out` filled, kNoMoreFiles at the end, or a failure.
  nt::Status Next(DirEntry& out) {
    for (;;) {
      const nt::Status s = listing_.Next(out);
      if (s != nt::kSuccess) {
        if (s != nt::kNoMoreFiles || asking_bare_ || bare_.empty() || bare_listed_) {
          return s;
        }
        asking_bare_ = true;
        handle_ = FreshHandle(folder_);
        listing_ = DirectoryListing(handle_.get(), bare_);
        continue;
      }
      const bool bare = !bare_.empty() && out.name.size() == bare_.size() && SameName(out.name, bare_);
      if (!asking_bare_) {
        bare_listed_ = bare_listed_ || bare;
        return s;
      }
      if (bare) {
        return s;  // the exact mask may also give a short name's file, which is not "name.*"
      }
    }
  }

 private:
  // A fresh handle for each mask: a listing's mask is fixed by its handle's first query.
  static NtHandle FreshHandle(HANDLE folder) {
    NtHandle h;
    const nt::Status s = OpenRelative(folder, L"", FILE_LIST_DIRECTORY, nt::kFileDirectoryFile, h);
    if (nt::Failed(s)) {
      throw Failure("cannot list the target's folder", nt::ToWin32Error(s));
    }
    return h;
  }

  HANDLE folder_;
  std::wstring_view bare_;
  NtHandle handle_;
  DirectoryListing listing_;
  bool asking_bare_ = false;
  bool bare_listed_ = false;
};

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
bool AFileStillMatches(const TargetFolder& folder) {
  MatchListing listing(folder.handle.get(), folder.target);
  DirEntry entry;
  nt::Status s = nt::kSuccess;
  while ((s = listing.Next(entry)) == nt::kSuccess) {
    if (!IsDirectory(entry.attributes)) {
      return true;
    }
  }
  return s != nt::kNoMoreFiles;  // unlisted is not gone
}

void Report(RemovalSink& sink, const Target& target, const Match& match) {
  std::wstring item = target.path.substr(0, target.path.size() - target.leaf.size());
  item += match.name;
  if (match.status == nt::kSuccess) {
    sink.Removed(item, false, match.size);
    return;
  }
  const Stay why = match.status == nt::kLinkRefused                    ? Stay::Link
                   : (match.attributes & FILE_ATTRIBUTE_READONLY) != 0 ? Stay::ReadOnly
                                                                       : Stay::Error;
  sink.Stayed(item, why, nt::ToWin32Error(match.status));
}

// The held matches take effect. Under Wine each goes at its close by the
// path recorded at open, checked only to lead to the same file: if the
// folder was swapped for a link since, to a place holding other names of
// the same files (hard links), those would go. So the folder must still be
// at its name, or the marks are taken back.
// Returns the first failure among them.
nt::Status Settle(const TargetFolder& folder, std::vector<Match>& held, RemovalSink* sink,
                  const RemovalMode& mode, const std::function<void()>& after_mark,
                  std::vector<ULONGLONG>& name_buffer) {
  const bool any_marked =
      std::ranges::any_of(held, [](const Match& m) { return static_cast<bool>(m.marked); });
  if (any_marked && after_mark) {
    after_mark();
  }
  if (any_marked && !StillAtItsName(folder.opened_as, folder.name, folder.id, name_buffer)) {
    for (Match& m : held) {
      if (m.marked) {
        UnmarkForDeletion(m.marked.get());  // if even this fails, the row fails all the same
        m.status = nt::kLinkRefused;
      }
    }
  }
  for (Match& m : held) {
    m.marked.reset();
  }
  nt::Status first_error = nt::kSuccess;
  for (Match& m : held) {
    // A sink hears of a removal only once the file is gone: Wine drops an
    // error at close.
    if (sink != nullptr && m.status == nt::kSuccess && mode.removes() &&
        !NameGone(folder.handle.get(), m.name, 0)) {
      m.status = nt::kAccessDenied;
    }
    if (sink != nullptr) {
      Report(*sink, folder.target, m);
    }
    first_error = first_error != nt::kSuccess ? first_error : m.status;
  }
  held.clear();
  return first_error;
}

}  // namespace

void RemoveMatchingFiles(const std::wstring& path, const RemovalOptions& options) {
  Breather* const breather = options.breather;
  RemovalSink* const sink = options.sink;
  const RemovalMode mode = RemovalMode::ForMatches(options.preview);
  const TargetFolder folder = PlaceTarget(path, RowKind::Files, options.anchors);

  MatchListing listing(folder.handle.get(), folder.target);
  std::vector<ULONGLONG> name_buffer;
  DeleteModes modes;
  bool matched = false;
  nt::Status first_error = nt::kSuccess;
  unsigned count = 0;
  std::vector<std::wstring> removed;  // while few enough to ask for by name
  std::vector<Match> held;
  const auto settle = [&] {
    const nt::Status error = Settle(folder, held, sink, mode, options.hooks.after_mark, name_buffer);
    first_error = first_error != nt::kSuccess ? first_error : error;
  };
  DirEntry entry;
  nt::Status end = nt::kSuccess;
  while ((end = listing.Next(entry)) == nt::kSuccess) {
    if (IsDirectory(entry.attributes)) {
      continue;  // folders never go, whatever their name
    }
    matched = true;
    Match& match = held.emplace_back();
    match.name = entry.name;
    match.attributes = entry.attributes;
    match.size = static_cast<std::uint64_t>(entry.size);
    match.status = RemoveMatch(folder.handle.get(), folder.name, entry, mode, modes, name_buffer, match);
    if (match.status == nt::kSuccess && count < kAskByNameUpTo) {
      removed.emplace_back(entry.name);
    }
    if (held.size() == kHoldUpTo) {
      settle();
    }
    if (++count % kBreatheEntries == 0 && breather != nullptr) {
      breather->Breathe();
    }
  }
  settle();
  DWORD failure = nt::ToWin32Error(first_error);
  if (end != nt::kNoMoreFiles && failure == 0) {
    failure = nt::ToWin32Error(end);
  }
  if (!matched) {
    throw Failure("no file matches", failure != 0 ? failure : ERROR_FILE_NOT_FOUND);
  }
  if (mode.removes() && failure == 0 && sink == nullptr) {  // with a sink each file was asked already
    const bool stays =
        count <= kAskByNameUpTo
            ? std::ranges::any_of(
                  removed, [&](const std::wstring& name) { return StillThere(folder.handle.get(), name); })
            : AFileStillMatches(folder);
    if (stays) {
      failure = ERROR_ACCESS_DENIED;
    }
  }
  if (failure != 0) {
    throw Failure("a matching file stays", failure);
  }
}

}  // namespace brim::platform::win32
