#pragma once
// Handle-relative file operations on top of the NT layer: list a directory,
// open a child of an open directory without following links, ask an open
// handle what it is, and delete through the handle.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/removal/ntdll.h"

namespace brim::platform::win32 {

// A listed item that was gone, or only delete-pending, when it was opened:
// another program removed it, and it counts as gone.
inline constexpr nt::Status kItemGone = nt::kObjectNameNotFound;

// One entry of a directory listing, valid until the listing moves on.
struct DirEntry {
  std::wstring_view name;
  ULONG attributes = 0;
  std::int64_t id = 0;  // 0 where the file system gives none
  std::int64_t size = 0;
};

// Walks one open directory in fixed-size batches: memory per listing does
// not grow with the directory.
class DirectoryListing {
 public:
  // `mask` (optional) restricts the listing to matching names; it is only
  // honoured by a handle's first query, so give each mask a fresh handle.
  explicit DirectoryListing(HANDLE dir, std::wstring_view mask = {});
  // kSuccess with `out` filled, kNoMoreFiles at the end, or a failure.
  nt::Status Next(DirEntry& out);

 private:
  nt::Status Fill();

  HANDLE dir_;
  std::wstring mask_;
  std::vector<ULONGLONG> buffer_;  // 8-byte aligned, as the NT layer wants
  ULONG info_class_ = nt::kFileIdBothDirectoryInformation;
  std::size_t offset_ = 0;
  bool have_batch_ = false;
  bool first_ = true;
  bool done_ = false;
};

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

struct Identity {
  ULONG attributes = 0;
  std::int64_t id = 0;
};

inline bool IsDirectory(ULONG attributes) { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
inline bool IsReparsePoint(ULONG attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// Opens `name` inside the directory `root`. A link is opened as itself where
// the platform can (FILE_OPEN_REPARSE_POINT); callers must still check.
nt::Status OpenRelative(HANDLE root, std::wstring_view name, ACCESS_MASK access, ULONG options,
                        NtHandle& out);

// Opens the NT path `name` as a folder, following links on the way and at
// its end, as a path typed by a person is followed. Callers check where it led.
nt::Status OpenFollowingLinks(std::wstring_view name, ACCESS_MASK access, NtHandle& out);

nt::Status QueryIdentity(HANDLE h, Identity& out);

// The handle's whole name as the system resolved it, volume included
// ("\Device\HarddiskVolume1\WINDOWS" on Windows, "\??\Q:\WINDOWS" under
// Wine): the same path on another drive has another name. Under Wine a
// handle opened through a symlink names the link's target here. Fails on a
// name longer than the NT layer can count.
// `buffer` is reused between calls; the view points into it.
nt::Status QueryResolvedName(HANDLE h, std::vector<ULONGLONG>& buffer, std::wstring_view& out);

// Equal as the file system compares names: letter case ignored.
bool SameName(std::wstring_view a, std::wstring_view b);

// What one volume's file system refused of the newer delete calls, learnt
// by one removal (a removal never leaves its volume: links are not
// followed) and shared by its threads; never by the whole process.
struct DeleteModes {
  std::atomic<bool> posix_refused{false};             // Windows 10 1607 on
  std::atomic<bool> ignore_read_only_refused{false};  // Windows 10 1809 on
};

// Marks the handle's file for deletion, as the newest system allows: with
// POSIX semantics (the name goes at once, even while another program holds
// the file), else on close. With `ignore_read_only` a read-only item goes
// too: ignored where the platform can, else cleared through the handle
// (which then needs FILE_WRITE_ATTRIBUTES), but only for an item with one name. A file's
// attributes are shared by all its hard links, so clearing them would
// change a link that may lie outside the target: such a file stays
// (kCannotDelete).
nt::Status MarkForDeletion(HANDLE h, bool ignore_read_only, DeleteModes& modes);

// Scanners and indexers hold files in Temp folders for a moment: a call
// that meets `busy` (a sharing violation, a folder not yet empty) is made
// again, up to kBusyTries times in all, after pauses of 1, 2, 4, 8 and 16 ms
// (31 ms at most for an item that never lets go).
inline constexpr int kBusyTries = 6;
template <typename Attempt>
nt::Status Retrying(nt::Status busy, Attempt attempt) {
  nt::Status s = attempt();
  for (DWORD pause = 1; s == busy && pause < (1U << (kBusyTries - 1)); pause *= 2) {
    ::Sleep(pause);
    s = attempt();
  }
  return s;
}

// Takes the mark back: closing the handle then removes nothing.
nt::Status UnmarkForDeletion(HANDLE h);

// True when `opened_as` (the NT path a folder was reached by: "\??\" and
// the composed path, then the names as listed), opened afresh, is still the
// folder `id` with the resolved name `resolved`. Under Wine a delete takes
// effect at close by the path recorded at open, through whatever the
// folders on that path are by then; this is the check that they are still
// what was opened. (Resolved names can't be opened again: Wine gives "d."
// as "d".)
bool StillAtItsName(std::wstring_view opened_as, std::wstring_view resolved, std::int64_t id,
                    std::vector<ULONGLONG>& buffer);

// True when `name` inside `dir` is gone: not found, or (on Windows) only
// delete-pending, waiting for another program's handle to close.
bool NameGone(HANDLE dir, std::wstring_view name, ULONG options);

nt::Status ClearReadOnly(HANDLE h, ULONG attributes);

// Moves the handle's item into the directory `dir` as `name`, never over
// something already there (kObjectNameCollision).
nt::Status MoveInto(HANDLE h, HANDLE dir, std::wstring_view name);

}  // namespace brim::platform::win32
