#include "platform/win32/removal/nt_file.h"

#include <cstddef>
#include <cstring>

#include "platform/failure.h"
#include "platform/win32/forced_absence.h"

namespace brim::platform::win32 {
namespace {

constexpr ULONG kListingBytes = 16 * 1024;
// Room for the longest name the NT layer can count, and no more: a longer
// one fails the query instead of coming back cut.
constexpr ULONG kNameInfoBytes = sizeof(UNICODE_STRING) + (nt::kMaxNameChars + 1) * sizeof(wchar_t);

// False when `s` is too long to be counted; `out` is then untouched.
bool Counted(std::wstring_view s, UNICODE_STRING& out) {
  if (s.size() > nt::kMaxNameChars) {
    return false;
  }
  out.Length = static_cast<USHORT>(s.size() * sizeof(wchar_t));
  out.MaximumLength = out.Length;
  out.Buffer = const_cast<wchar_t*>(s.data());  // the API takes it non-const but only reads it
  return true;
}

bool ClassUnsupported(nt::Status s) {
  return s == nt::kInvalidInfoClass || s == nt::kNotImplemented || s == nt::kInvalidParameter ||
         s == nt::kNotSupported;
}

// Test builds can have the listing with ids refused, as FAT-like volumes do.
bool IdsRefused(ULONG info_class) {
  return info_class == nt::kFileIdBothDirectoryInformation && ForcedAbsent("FileIdBothDirectoryInformation");
}

}  // namespace

DirectoryListing::DirectoryListing(HANDLE dir, std::wstring_view mask)
    : dir_(dir), mask_(mask), buffer_(kListingBytes / sizeof(ULONGLONG)) {}

nt::Status DirectoryListing::Fill() {
  for (;;) {
    IO_STATUS_BLOCK io{};
    UNICODE_STRING mask{};
    if (!Counted(mask_, mask)) {
      done_ = true;
      return nt::kNameTooLong;
    }
    const nt::Status s =
        IdsRefused(info_class_)
            ? nt::kInvalidInfoClass
            : nt::Ntdll().QueryDirectoryFile(
                  dir_, nullptr, nullptr, nullptr, &io, buffer_.data(), kListingBytes, info_class_, FALSE,
                  (first_ && !mask_.empty()) ? &mask : nullptr, first_ ? TRUE : FALSE);
    if (first_ && info_class_ == nt::kFileIdBothDirectoryInformation && ClassUnsupported(s)) {
      info_class_ = nt::kFileBothDirectoryInformation;  // file systems without ids
      continue;
    }
    first_ = false;
    if (s == nt::kNoMoreFiles || s == nt::kNoSuchFile || (s == nt::kSuccess && io.Information == 0)) {
      done_ = true;
      return nt::kNoMoreFiles;
    }
    if (nt::Failed(s)) {
      done_ = true;
      return s;
    }
    offset_ = 0;
    have_batch_ = true;
    return nt::kSuccess;
  }
}

nt::Status DirectoryListing::Next(DirEntry& out) {
  if (done_) {
    return nt::kNoMoreFiles;
  }
  if (!have_batch_) {
    const nt::Status s = Fill();
    if (s != nt::kSuccess) {
      return s;
    }
  }
  const auto* base = reinterpret_cast<const unsigned char*>(buffer_.data()) + offset_;
  // Both classes share the fields read here but the name's place and the id.
  const auto* e = reinterpret_cast<const nt::FileIdBothDirInformation*>(base);
  const bool with_id = info_class_ == nt::kFileIdBothDirectoryInformation;
  const wchar_t* name =
      with_id ? e->FileName : reinterpret_cast<const wchar_t*>(base + nt::kBothDirNameOffset);
  out.name = std::wstring_view(name, e->FileNameLength / sizeof(wchar_t));
  out.attributes = e->FileAttributes;
  out.id = with_id ? e->FileId.QuadPart : 0;
  out.size = e->EndOfFile.QuadPart;
  const ULONG next = e->NextEntryOffset;
  if (next == 0) {
    have_batch_ = false;
  } else {
    offset_ += next;
  }
  return nt::kSuccess;
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

namespace {

nt::Status Open(HANDLE root, std::wstring_view name, ACCESS_MASK access, ULONG options, NtHandle& out) {
  UNICODE_STRING u{};
  if (!Counted(name, u)) {
    return nt::kNameTooLong;
  }
  OBJECT_ATTRIBUTES oa{};
  oa.Length = sizeof oa;
  oa.RootDirectory = root;
  oa.ObjectName = &u;
  oa.Attributes = nt::kObjCaseInsensitive;
  IO_STATUS_BLOCK io{};
  return nt::Ntdll().OpenFile(out.put(), access | SYNCHRONIZE, &oa, &io,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              options | nt::kFileSynchronousIoNonalert | nt::kFileOpenForBackupIntent);
}

}  // namespace

nt::Status OpenRelative(HANDLE root, std::wstring_view name, ACCESS_MASK access, ULONG options,
                        NtHandle& out) {
  return Open(root, name, access, options | nt::kFileOpenReparsePoint, out);
}

nt::Status OpenFollowingLinks(std::wstring_view name, ACCESS_MASK access, NtHandle& out) {
  return Open(nullptr, name, access, nt::kFileDirectoryFile, out);
}

nt::Status QueryIdentity(HANDLE h, Identity& out) {
  IO_STATUS_BLOCK io{};
  nt::FileBasicInformation basic{};
  nt::Status s = nt::Ntdll().QueryInformationFile(h, &io, &basic, sizeof basic, nt::kFileBasicInformation);
  if (nt::Failed(s)) {
    return s;
  }
  nt::FileInternalInformation internal{};
  s = nt::Ntdll().QueryInformationFile(h, &io, &internal, sizeof internal, nt::kFileInternalInformation);
  if (nt::Failed(s)) {
    internal.IndexNumber.QuadPart = 0;  // some file systems have no ids; the other checks still hold
  }
  out.attributes = basic.FileAttributes;
  out.id = internal.IndexNumber.QuadPart;
  return nt::kSuccess;
}

nt::Status QueryResolvedName(HANDLE h, std::vector<ULONGLONG>& buffer, std::wstring_view& out) {
  buffer.resize((kNameInfoBytes + sizeof(ULONGLONG) - 1) / sizeof(ULONGLONG));
  ULONG returned = 0;
  const nt::Status s =
      nt::Ntdll().QueryObject(h, nt::kObjectNameInformation, buffer.data(), kNameInfoBytes, &returned);
  if (nt::Failed(s)) {
    return s;
  }
  const auto* name = reinterpret_cast<const UNICODE_STRING*>(buffer.data());
  if (name->Buffer == nullptr || name->Length == 0) {
    return nt::kObjectNameNotFound;  // a nameless handle can't be checked
  }
  out = std::wstring_view(name->Buffer, name->Length / sizeof(wchar_t));
  return nt::kSuccess;
}

bool SameName(std::wstring_view a, std::wstring_view b) {
  UNICODE_STRING ua{};
  UNICODE_STRING ub{};
  if (a.size() != b.size() || !Counted(a, ua) || !Counted(b, ub)) {
    return false;  // names too long to compare are not taken as equal
  }
  return nt::Ntdll().EqualUnicodeString(&ua, &ub, TRUE) != FALSE;
}

nt::Status ClearReadOnly(HANDLE h, ULONG attributes) {
  nt::FileBasicInformation basic{};  // zero times mean "leave as they are"
  basic.FileAttributes = attributes & ~static_cast<ULONG>(FILE_ATTRIBUTE_READONLY);
  if (basic.FileAttributes == 0) {
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  }
  IO_STATUS_BLOCK io{};
  return nt::Ntdll().SetInformationFile(h, &io, &basic, sizeof basic, nt::kFileBasicInformation);
}

nt::Status MoveInto(HANDLE h, HANDLE dir, std::wstring_view name) {
  constexpr std::size_t kHead = offsetof(nt::FileRenameInformation, FileName);
  if (name.size() > nt::kMaxNameChars) {
    return nt::kNameTooLong;
  }
  std::vector<ULONGLONG> buffer((kHead + (name.size() + 1) * sizeof(wchar_t) + sizeof(ULONGLONG) - 1) /
                                sizeof(ULONGLONG));
  auto* info = reinterpret_cast<nt::FileRenameInformation*>(buffer.data());
  info->ReplaceIfExists = FALSE;
  info->RootDirectory = dir;
  info->FileNameLength = static_cast<ULONG>(name.size() * sizeof(wchar_t));
  std::memcpy(info->FileName, name.data(), name.size() * sizeof(wchar_t));
  IO_STATUS_BLOCK io{};
  return nt::Ntdll().SetInformationFile(h, &io, info, static_cast<ULONG>(buffer.size() * sizeof(ULONGLONG)),
                                        nt::kFileRenameInformation);
}

nt::Status MarkForDeletion(HANDLE h, bool ignore_read_only, DeleteModes& modes) {
  IO_STATUS_BLOCK io{};
  const ULONG read_only = ignore_read_only ? nt::kDispositionIgnoreReadOnly : 0;
  // Each newer form is tried until this volume refuses it (FAT32 and many
  // network file systems refuse them all).
  const auto newer = [&](ULONG flags, std::atomic<bool>& refused) {
    if (refused.load(std::memory_order_relaxed)) {
      return nt::kNotSupported;
    }
    nt::FileDispositionInformationEx ex{nt::kDispositionDelete | flags};
    const nt::Status s =
        nt::Ntdll().SetInformationFile(h, &io, &ex, sizeof ex, nt::kFileDispositionInformationEx);
    if (ClassUnsupported(s)) {
      refused.store(true, std::memory_order_relaxed);
    }
    return s;
  };
  nt::Status s = newer(nt::kDispositionPosixSemantics | read_only, modes.posix_refused);
  if (!ClassUnsupported(s)) {
    return s;
  }
  if (ignore_read_only) {
    s = newer(read_only, modes.ignore_read_only_refused);
    if (!ClassUnsupported(s)) {
      return s;
    }
  }
  nt::FileDispositionInformation disposition{TRUE};
  s = nt::Ntdll().SetInformationFile(h, &io, &disposition, sizeof disposition,
                                     nt::kFileDispositionInformation);
  if (s != nt::kCannotDelete || !ignore_read_only) {
    return s;
  }
  nt::FileStandardInformation standard{};
  s = nt::Ntdll().QueryInformationFile(h, &io, &standard, sizeof standard, nt::kFileStandardInformation);
  if (nt::Failed(s) || standard.NumberOfLinks != 1) {
    return nt::kCannotDelete;  // another name shares its attributes: left as it is
  }
  Identity identity;
  s = QueryIdentity(h, identity);
  if (nt::Failed(s)) {
    return s;
  }
  s = ClearReadOnly(h, identity.attributes);
  if (nt::Failed(s)) {
    return s;
  }
  return nt::Ntdll().SetInformationFile(h, &io, &disposition, sizeof disposition,
                                        nt::kFileDispositionInformation);
}

nt::Status UnmarkForDeletion(HANDLE h) {
  IO_STATUS_BLOCK io{};
  nt::FileDispositionInformation disposition{FALSE};
  return nt::Ntdll().SetInformationFile(h, &io, &disposition, sizeof disposition,
                                        nt::kFileDispositionInformation);
}

bool StillAtItsName(std::wstring_view opened_as, std::wstring_view resolved, std::int64_t id,
                    std::vector<ULONGLONG>& buffer) {
  NtHandle again;
  Identity identity;
  std::wstring_view actual;
  return !nt::Failed(OpenRelative(nullptr, opened_as, FILE_READ_ATTRIBUTES, nt::kFileDirectoryFile, again)) &&
         !nt::Failed(QueryIdentity(again.get(), identity)) && identity.id == id &&
         !IsReparsePoint(identity.attributes) &&
         !nt::Failed(QueryResolvedName(again.get(), buffer, actual)) && SameName(actual, resolved);
}

bool NameGone(HANDLE dir, std::wstring_view name, ULONG options) {
  NtHandle probe;
  const nt::Status s = OpenRelative(dir, name, FILE_READ_ATTRIBUTES, options, probe);
  return s == nt::kObjectNameNotFound || s == nt::kObjectPathNotFound || s == nt::kDeletePending;
}

}  // namespace brim::platform::win32
