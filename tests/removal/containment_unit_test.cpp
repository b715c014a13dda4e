// The rules that keep a removal in its place, on the NT layer and the
// composed paths themselves (drive Q: under Wine).
#include <gtest/gtest.h>

#include <windows.h>

#include <utility>
#include <vector>

#include "platform/win32/removal/anchor_cache.h"
#include "platform/win32/removal/file_removal.h"
#include "platform/win32/removal/folder_by_path.h"
#include "platform/win32/removal/nt_file.h"
#include "platform/win32/removal/removal_front.h"
#include "platform/win32/removal/target_folder.h"
#include "removal/removal_test_support.h"

namespace brim::testing {
namespace {

namespace win32 = platform::win32;
namespace nt = platform::win32::nt;

// 32,769 characters: cut to 16 bits of bytes it would be the one "A".
const std::wstring kPastTheCount = L"A" + std::wstring(nt::kMaxNameChars + 1, L'A');

TEST(NtNames, ANameTooLongToCountFailsInsteadOfNamingItsFrontPart) {
  const std::wstring d = FreshFolder(L"Counted");
  MakeFile(d + L"\\A");
  const win32::NtHandle dir = win32::OpenFolderByPath(d, FILE_LIST_DIRECTORY);
  win32::NtHandle h;
  EXPECT_EQ(win32::OpenRelative(dir.get(), kPastTheCount, DELETE, 0, h), nt::kNameTooLong);
  win32::FoundEntry found;
  EXPECT_THROW(win32::LookupEntry(dir.get(), kPastTheCount, found), platform::Failure);
  EXPECT_FALSE(win32::SameName(kPastTheCount + L"x", kPastTheCount + L"y"));
  EXPECT_TRUE(win32::SameName(L"\\??\\Q:\\Windows", L"\\??\\q:\\WINDOWS"));
  EXPECT_TRUE(Exists(d + L"\\A"));
}

// Inside, the removal speaks in statuses, its own outcomes included; they
// leave it as the Win32 errors its callers have always seen.
TEST(NtNames, TheRemovalsOutcomesLeaveItAsTheirWin32Errors) {
  const std::vector<std::pair<nt::Status, DWORD>> cases = {
      {nt::kSuccess, 0UL},
      {nt::kLinkRefused, ERROR_CANT_ACCESS_FILE},
      {nt::kReadOnlyKept, ERROR_FILE_READ_ONLY},
      {win32::kItemGone, ERROR_FILE_NOT_FOUND},
      {nt::kObjectNameInvalid, ERROR_INVALID_NAME},
      {nt::kNoMemory, ERROR_NOT_ENOUGH_MEMORY},
      {nt::kAccessDenied, ERROR_ACCESS_DENIED},
      {nt::kDirectoryNotEmpty, ERROR_DIR_NOT_EMPTY},
  };
  for (const auto& [status, error] : cases) {
    EXPECT_EQ(nt::ToWin32Error(status), error) << std::hex << status;
  }
}

TEST(NtNames, APathPastTheLimitFailsBeforeAnythingIsOpened) {
  const std::wstring d = FreshFolder(L"Limit");
  MakeTree(d, {L"Temp\\", L"Temp\\x.tmp"});
  win32::RemovalFront front;
  platform::FileSystemObjectFactory& folders = front.Folders();
  platform::FileRemoval& files = front.Files();
  // "\\?\" and the path: one character past what the system can name.
  const std::wstring too_long =
      d + L"\\" + std::wstring(nt::kMaxNameChars - 4 - d.size() - 5, L'A') + L"\\Temp";
  ASSERT_EQ(too_long.size() + 4, nt::kMaxNameChars + 1);
  EXPECT_EQ(FailureCode([&] { folders.Create()->DeleteFolder(too_long, true); }),
            static_cast<unsigned long>(ERROR_FILENAME_EXCED_RANGE));
  EXPECT_EQ(FailureCode([&] { files.Kill(too_long + L"\\*.tmp"); }),
            static_cast<unsigned long>(ERROR_FILENAME_EXCED_RANGE));
  // One shorter is a path like any other: it names nothing here.
  const std::wstring longest = too_long.substr(0, too_long.size() - 6) + L"\\Temp";
  EXPECT_NE(FailureCode([&] { folders.Create()->DeleteFolder(longest, true); }),
            static_cast<unsigned long>(ERROR_FILENAME_EXCED_RANGE));
  EXPECT_TRUE(Exists(d + L"\\Temp\\x.tmp"));
}

TEST(NtNames, APathHoldingANulFailsInsteadOfNamingWhatComesBeforeIt) {
  // "Guest\0x" read as a C string is Guest: that profile's Cookies must stay.
  const std::wstring d = FreshFolder(L"Nul");
  MakeTree(d, {L"Guest\\", L"Guest\\Cookies\\", L"Guest\\Cookies\\c.txt", L"Guest\\x.log"});
  win32::RemovalFront front;
  platform::FileSystemObjectFactory& folders = front.Folders();
  platform::FileRemoval& files = front.Files();
  const std::wstring nul_user = d + L"\\Guest" + std::wstring(1, L'\0') + L"x";
  for (const std::wstring& tail : {std::wstring(L"\\Cookies"), std::wstring(1, L'\0') + L"\\Cookies"}) {
    EXPECT_EQ(FailureCode([&] { folders.Create()->DeleteFolder(nul_user + tail, true); }),
              static_cast<unsigned long>(ERROR_INVALID_NAME));
  }
  EXPECT_EQ(FailureCode([&] {
              folders.Create()->DeleteFolder(d + L"\\Guest\\Cookies" + std::wstring(1, L'\0'), true);
            }),
            static_cast<unsigned long>(ERROR_INVALID_NAME));
  EXPECT_EQ(FailureCode([&] { files.Kill(d + L"\\Guest" + std::wstring(1, L'\0') + L"\\*.log"); }),
            static_cast<unsigned long>(ERROR_INVALID_NAME));
  EXPECT_EQ(FailureCode([&] { files.Kill(d + L"\\Guest\\*.log" + std::wstring(1, L'\0') + L"x"); }),
            static_cast<unsigned long>(ERROR_INVALID_NAME));
  EXPECT_TRUE(Exists(d + L"\\Guest\\Cookies\\c.txt"));
  EXPECT_TRUE(Exists(d + L"\\Guest\\x.log"));
}

// A run resolves its anchors once: the profile's name is kept however the
// folder fares during the run, and a target is still opened by its path and
// checked against it. The next run, and any failed resolution, start afresh.
// (A link put in the profile's place mid-run: races_test.py.)
TEST(Anchors, ARunResolvesItsAnchorsOnceAndTheNextRunAfresh) {
  const std::wstring d = FreshFolder(L"Kept");
  const std::wstring profile = d + L"\\Documents and Settings\\U";
  MakeTree(d, {L"Documents and Settings\\", L"Documents and Settings\\U\\",
               L"Documents and Settings\\U\\Temp\\", L"Documents and Settings\\U\\Temp\\a.tmp"});
  win32::AnchorCache anchors;
  const std::wstring first = anchors.Resolved(profile);
  EXPECT_EQ(win32::PlaceTarget(profile + L"\\Temp\\a.tmp", platform::RowKind::Files, &anchors).name,
            first + L"\\Temp");

  ASSERT_NE(::MoveFileW((L"\\\\?\\" + profile).c_str(), (L"\\\\?\\" + d + L"\\U.old").c_str()), FALSE);
  EXPECT_EQ(anchors.Resolved(profile), first);  // not opened again
  win32::RemovalOptions kept;
  kept.anchors = &anchors;
  EXPECT_NE(FailureCode([&] { win32::RemoveMatchingFiles(profile + L"\\Temp\\a.tmp", kept); }), 0UL);
  EXPECT_TRUE(Exists(d + L"\\U.old\\Temp\\a.tmp"));

  anchors.Forget();  // the next run
  EXPECT_NE(FailureCode([&] { static_cast<void>(anchors.Resolved(profile)); }), 0UL);
  MakeDir(profile);  // the failure was not kept
  EXPECT_EQ(anchors.Resolved(profile), first);
}

// A file's attributes belong to all its names: clearing read-only through a
// name inside a target would clear it for a name outside too. Such a file
// goes only where the system can ignore read-only; else it stays, reported
// as read-only, and every other name keeps its attribute. Alone and among
// enough files for the helper threads.
TEST(ReadOnly, AFileWithAnotherNameOutsideKeepsItsAttribute) {
  for (const int company : {0, 20}) {
    const std::wstring base = FreshFolder((L"HardLinked" + std::to_wstring(company)).c_str());
    const std::wstring t = base + L"\\Temp";
    MakeTree(base, {L"outside\\", L"!outside\\ro.dat", L"outside\\rw.dat", L"Temp\\", L"!Temp\\solo.ro"});
    for (int i = 0; i < company; ++i) {
      MakeFile(t + L"\\f" + std::to_wstring(i));
    }
    for (const wchar_t* name : {L"ro.dat", L"rw.dat"}) {
      ASSERT_NE(
          ::CreateHardLinkW((t + L"\\" + name).c_str(), (base + L"\\outside\\" + name).c_str(), nullptr),
          FALSE);
    }
    RecordingSink sink;
    win32::RemovalFront front;
    const unsigned long error =
        FailureCode([&] { front.Reporting().Folder(t, platform::Mode::Remove, sink); });
    EXPECT_NE(::GetFileAttributesW((base + L"\\outside\\ro.dat").c_str()) & FILE_ATTRIBUTE_READONLY, 0UL);
    EXPECT_TRUE(Exists(base + L"\\outside\\rw.dat"));
    EXPECT_FALSE(Exists(t + L"\\rw.dat")) << company;
    EXPECT_FALSE(Exists(t + L"\\solo.ro")) << company;
    if (Exists(t + L"\\ro.dat")) {  // the system could not ignore read-only
      EXPECT_EQ(sink.reasons[t + L"\\ro.dat"], platform::Stay::ReadOnly) << company;
      EXPECT_NE(error, 0UL) << company;
    } else {
      EXPECT_TRUE(sink.files.contains(t + L"\\ro.dat")) << company;
      EXPECT_EQ(error, 0UL) << company;
    }
  }
}

}  // namespace
}  // namespace brim::testing
