#pragma once
// The few NT-layer calls the removal needs. All of them exist in the XP
// generation's ntdll; they are looked up at run time so that the exe imports
// nothing from ntdll and loads everywhere.

#include <windows.h>
#include <winternl.h>

#include <cstddef>

namespace brim::platform::win32::nt {

using Status = LONG;

constexpr Status StatusOf(unsigned long v) { return static_cast<Status>(v); }
inline constexpr Status kSuccess = 0;
inline constexpr Status kBufferOverflow = StatusOf(0x80000005UL);
inline constexpr Status kNoMoreFiles = StatusOf(0x80000006UL);
inline constexpr Status kNotImplemented = StatusOf(0xC0000002UL);
inline constexpr Status kInvalidInfoClass = StatusOf(0xC0000003UL);
inline constexpr Status kInvalidParameter = StatusOf(0xC000000DUL);
inline constexpr Status kNoSuchFile = StatusOf(0xC000000FUL);
inline constexpr Status kObjectNameNotFound = StatusOf(0xC0000034UL);
inline constexpr Status kObjectNameCollision = StatusOf(0xC0000035UL);
inline constexpr Status kFileIsADirectory = StatusOf(0xC00000BAUL);
inline constexpr Status kNotSupported = StatusOf(0xC00000BBUL);
inline constexpr Status kNameTooLong = StatusOf(0xC0000106UL);
inline constexpr Status kCannotDelete = StatusOf(0xC0000121UL);
inline constexpr Status kDeletePending = StatusOf(0xC0000056UL);
inline constexpr Status kAccessDenied = StatusOf(0xC0000022UL);
inline constexpr Status kSharingViolation = StatusOf(0xC0000043UL);
inline constexpr Status kDirectoryNotEmpty = StatusOf(0xC0000101UL);
inline constexpr Status kObjectPathNotFound = StatusOf(0xC000003AUL);

inline constexpr Status kNoMemory = StatusOf(0xC0000017UL);
inline constexpr Status kObjectNameInvalid = StatusOf(0xC0000033UL);
// The removal's own outcomes, in the customer range (never the system's).
// Met a link, or something swapped in, and left it (ERROR_CANT_ACCESS_FILE).
inline constexpr Status kLinkRefused = StatusOf(0xE0000001UL);
// A read-only file that stays because another name shares its attributes
// (ERROR_FILE_READ_ONLY).
inline constexpr Status kReadOnlyKept = StatusOf(0xE0000002UL);

inline bool Failed(Status s) { return s < 0; }

// The most characters a UNICODE_STRING can count (its length is 16 bits of
// bytes). A longer name must fail, never be cut to its front part.
inline constexpr std::size_t kMaxNameChars = 32767;

// Information classes, as numbered by the NT layer.
inline constexpr ULONG kFileBothDirectoryInformation = 3;
inline constexpr ULONG kFileBasicInformation = 4;
inline constexpr ULONG kFileStandardInformation = 5;
inline constexpr ULONG kFileInternalInformation = 6;
inline constexpr ULONG kFileRenameInformation = 10;
inline constexpr ULONG kFileDispositionInformation = 13;
inline constexpr ULONG kFileIdBothDirectoryInformation = 37;
inline constexpr ULONG kFileDispositionInformationEx = 64;
inline constexpr ULONG kObjectNameInformation = 1;

// Create options and object attributes.
inline constexpr ULONG kFileDirectoryFile = 0x00000001;
inline constexpr ULONG kFileSynchronousIoNonalert = 0x00000020;
inline constexpr ULONG kFileNonDirectoryFile = 0x00000040;
inline constexpr ULONG kFileOpenForBackupIntent = 0x00004000;
inline constexpr ULONG kFileOpenReparsePoint = 0x00200000;
inline constexpr ULONG kObjCaseInsensitive = 0x00000040;

inline constexpr ULONG kDispositionDelete = 0x00000001;
inline constexpr ULONG kDispositionPosixSemantics = 0x00000002;
inline constexpr ULONG kDispositionIgnoreReadOnly = 0x00000010;

struct FileBasicInformation {
  LARGE_INTEGER CreationTime;
  LARGE_INTEGER LastAccessTime;
  LARGE_INTEGER LastWriteTime;
  LARGE_INTEGER ChangeTime;
  ULONG FileAttributes;
};
struct FileStandardInformation {
  LARGE_INTEGER AllocationSize;
  LARGE_INTEGER EndOfFile;
  ULONG NumberOfLinks;
  BOOLEAN DeletePending;
  BOOLEAN Directory;
};
struct FileInternalInformation {
  LARGE_INTEGER IndexNumber;
};
struct FileRenameInformation {
  BOOLEAN ReplaceIfExists;
  HANDLE RootDirectory;
  ULONG FileNameLength;
  WCHAR FileName[1];  // NOLINT(modernize-avoid-c-arrays): the system's layout
};
struct FileDispositionInformation {
  BOOLEAN DeleteFile;
};
struct FileDispositionInformationEx {
  ULONG Flags;
};
struct FileIdBothDirInformation {
  ULONG NextEntryOffset;
  ULONG FileIndex;
  LARGE_INTEGER CreationTime;
  LARGE_INTEGER LastAccessTime;
  LARGE_INTEGER LastWriteTime;
  LARGE_INTEGER ChangeTime;
  LARGE_INTEGER EndOfFile;
  LARGE_INTEGER AllocationSize;
  ULONG FileAttributes;
  ULONG FileNameLength;
  ULONG EaSize;
  CCHAR ShortNameLength;
  WCHAR ShortName[12];  // NOLINT(modernize-avoid-c-arrays): the system's layout
  LARGE_INTEGER FileId;
  WCHAR FileName[1];  // NOLINT(modernize-avoid-c-arrays): the system's layout
};
// The class without ids has the same layout up to ShortName; its FileName
// follows ShortName at once.
inline constexpr std::size_t kBothDirNameOffset =
    offsetof(FileIdBothDirInformation, ShortName) + sizeof(FileIdBothDirInformation::ShortName);
static_assert(kBothDirNameOffset == 0x5E);

using NtOpenFileFn = Status(NTAPI*)(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*, IO_STATUS_BLOCK*, ULONG share,
                                    ULONG options);
using NtQueryDirectoryFileFn = Status(NTAPI*)(HANDLE, HANDLE event, void* apc, void* apc_context,
                                              IO_STATUS_BLOCK*, void* buffer, ULONG length, ULONG info_class,
                                              BOOLEAN single, UNICODE_STRING* mask, BOOLEAN restart);
using NtFileInformationFn = Status(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, void* buffer, ULONG length,
                                           ULONG info_class);
using NtQueryObjectFn = Status(NTAPI*)(HANDLE, ULONG info_class, void* buffer, ULONG length, ULONG* returned);
using RtlNtStatusToDosErrorFn = ULONG(NTAPI*)(Status);
using RtlEqualUnicodeStringFn = BOOLEAN(NTAPI*)(const UNICODE_STRING*, const UNICODE_STRING*, BOOLEAN);

struct Api {
  NtOpenFileFn OpenFile;
  NtQueryDirectoryFileFn QueryDirectoryFile;
  NtFileInformationFn QueryInformationFile;
  NtFileInformationFn SetInformationFile;
  NtQueryObjectFn QueryObject;
  RtlNtStatusToDosErrorFn StatusToDosError;
  RtlEqualUnicodeStringFn EqualUnicodeString;
};

// Looked up once. Throws Failure when ntdll lacks one of them.
const Api& Ntdll();

#ifdef BRIM_NT_LAYER
// Test builds only (never the shipped exes): a table put in front of the
// system's, which the layer itself reaches through SystemNtdll(). Null takes
// it away; putting one in front of another throws Failure.
const Api& SystemNtdll();
void SetNtdllLayer(const Api* layer);
#endif

// The Win32 error code that matches an NT status, the removal's own
// included: the one conversion, where a failure leaves the removal.
DWORD ToWin32Error(Status s);

}  // namespace brim::platform::win32::nt
