#pragma once
// A layer in front of the removal's NT table (test builds only) that behaves
// as Windows does where Wine doesn't: listing-denied compatibility junctions,
// write-attributes withheld by an ACL, delete-pending files that another
// process still holds, sharing violations that clear, and the extended
// delete disposition per volume. Everything else reaches Wine unchanged.
//
// Paths are named below their drive ("\Documents and Settings\U\Local
// Settings"; '/' works too) and apply on every drive; volumes by letter.

#include <windows.h>

#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/removal/ntdll.h"

namespace brim::testing::windows_like {

namespace nt = brim::platform::win32::nt;

inline constexpr nt::Status kAccessDenied = nt::StatusOf(0xC0000022UL);
inline constexpr nt::Status kSharingViolation = nt::StatusOf(0xC0000043UL);
inline constexpr nt::Status kDeletePending = nt::StatusOf(0xC0000056UL);
inline constexpr nt::Status kDirectoryNotEmpty = nt::StatusOf(0xC0000101UL);
inline constexpr ULONG kPosixSemantics = 0x2;

struct Counted {
  std::wstring path;
  int count = 0;
};

struct Config {
  // Refuse FILE_LIST_DIRECTORY on open and any listing; traversal and opens
  // below them work.
  std::vector<std::wstring> junctions;
  // These and everything below refuse FILE_WRITE_ATTRIBUTES (DELETE stays granted).
  std::vector<std::wstring> write_attributes_withheld;
  // Opened for more than reading attributes: a sharing violation for the first `count` tries.
  std::vector<Counted> busy;
  // Another process holds these open (sharing delete) until `count` more of
  // our calls after a delete without POSIX semantics: meanwhile they stay
  // listed, their open fails with STATUS_DELETE_PENDING and their folder
  // with STATUS_DIRECTORY_NOT_EMPTY.
  std::vector<Counted> held;
  // Volumes that refuse FileDispositionInformationEx (as FAT32 does), and
  // those that have it without the ignore-read-only flag (Windows 10 1607).
  // Every other volume has it all (1809 on).
  std::wstring no_disposition_ex;
  std::wstring no_ignore_read_only;
};

// "junction=PATH|deny-write-attributes=PATH|busy=PATH*N|held=PATH*N|
// no-posix=LETTERS|no-ignore-read-only=LETTERS", items in any order. False
// on an item it does not know.
bool Parse(std::wstring_view text, Config& out);

// One open asked of the layer: the name as asked (drive letter first) and the access.
struct Open {
  std::wstring path;
  ACCESS_MASK access;
};

class Layer {
 public:
  explicit Layer(Config config);
  ~Layer();  // taken out of the table
  Layer(const Layer&) = delete;
  Layer& operator=(const Layer&) = delete;

  [[nodiscard]] std::vector<Open> Opens() const;
  [[nodiscard]] int PendingNow() const;

 private:
  struct Pending {
    std::wstring path;  // as asked, drive letter first
    int calls_left;
  };

  static Layer* Current();
  static nt::Status NTAPI OpenFile(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*, IO_STATUS_BLOCK*, ULONG, ULONG);
  static nt::Status NTAPI QueryDirectoryFile(HANDLE, HANDLE, void*, void*, IO_STATUS_BLOCK*, void*, ULONG,
                                             ULONG, BOOLEAN, UNICODE_STRING*, BOOLEAN);
  static nt::Status NTAPI QueryInformationFile(HANDLE, IO_STATUS_BLOCK*, void*, ULONG, ULONG);
  static nt::Status NTAPI SetInformationFile(HANDLE, IO_STATUS_BLOCK*, void*, ULONG, ULONG);
  static nt::Status NTAPI QueryObject(HANDLE, ULONG, void*, ULONG, ULONG*);

  // Every call: the other process lets go of what it held long enough.
  void Tick();
  std::wstring NameOf(HANDLE h) const;  // drive letter first, or empty
  nt::Status OpenAsked(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*, IO_STATUS_BLOCK*, ULONG, ULONG);
  nt::Status Dispose(HANDLE h, IO_STATUS_BLOCK* io, ULONG flags);

  Config config_;
  nt::Api table_{};
  mutable std::mutex mutex_;
  std::map<HANDLE, std::pair<std::wstring, std::wstring>> asked_;  // handle: name as asked, as resolved
  std::vector<Open> opens_;
  std::vector<Pending> pending_;
  std::vector<Counted> busy_left_;
};

// Installs a layer configured by the environment variable BRIM_WINDOWS_LIKE,
// if set (the script-driven tools link from_environment.cpp, which does it).
void InstallFromEnvironment();

}  // namespace brim::testing::windows_like
