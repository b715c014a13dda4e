// The Windows-like layer itself, over Wine, on a mapped test drive: each
// case sets the layer up, makes a small tree, and checks the status of each
// step as Windows would give it.
#include "removal/windows_like/windows_like.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/removal/nt_file.h"
#include "removal/removal_test_support.h"

namespace brim::testing::windows_like {
namespace {

namespace win32 = brim::platform::win32;

enum class Op {
  Open,       // open `path` with `arg` access
  OpenBelow,  // open the folder holding `path` for traversal, then `path`'s last name relative to it
  List,       // open `path` for traversal, list it with a handle opened with `arg`
  Dispose,    // open for delete, mark with class 13 (arg 0) or class 64 flags `arg`, close
  Present,    // `arg` 1: `path` is there (as Wine sees it), 0: gone; status kSuccess when so
};

struct Step {
  Op op;
  const wchar_t* path;  // below the case's folder
  ULONG arg;
  nt::Status expect;
};

struct Case {
  const char* what;
  const wchar_t* config;  // "%" stands for the case's folder below the drive
  Tree tree;
  std::vector<Step> steps;
};

constexpr ACCESS_MASK kTraverse = FILE_TRAVERSE | FILE_READ_ATTRIBUTES;
constexpr ULONG kDelete = nt::kDispositionDelete;
constexpr ULONG kPosix = kPosixSemantics;
constexpr ULONG kIgnoreRo = nt::kDispositionIgnoreReadOnly;

std::wstring Replace(std::wstring text, const std::wstring& folder) {
  for (std::size_t at; (at = text.find(L'%')) != std::wstring::npos;) {
    text.replace(at, 1, folder);
  }
  return text;
}

nt::Status OpenPath(const std::wstring& path, ACCESS_MASK access, win32::NtHandle& out) {
  return win32::OpenRelative(nullptr, L"\\??\\" + path, access, 0, out);
}

nt::Status RunStep(const Step& step, const std::wstring& base) {
  const std::wstring path = base + L"\\" + step.path;
  win32::NtHandle h;
  switch (step.op) {
    case Op::Open:
      return OpenPath(path, step.arg, h);
    case Op::OpenBelow: {
      win32::NtHandle parent;
      const std::size_t cut = path.rfind(L'\\');
      const nt::Status s = OpenPath(path.substr(0, cut), kTraverse, parent);
      return nt::Failed(s) ? s : win32::OpenRelative(parent.get(), path.substr(cut + 1), step.arg, 0, h);
    }
    case Op::List: {
      win32::NtHandle dir;
      nt::Status s = OpenPath(path, kTraverse, dir);
      if (!nt::Failed(s)) {
        s = win32::OpenRelative(dir.get(), L"", step.arg, nt::kFileDirectoryFile, h);
      }
      if (nt::Failed(s)) {
        return s;
      }
      win32::DirectoryListing listing(h.get());
      win32::DirEntry e;
      while ((s = listing.Next(e)) == nt::kSuccess) {
      }
      return s == nt::kNoMoreFiles ? nt::kSuccess : s;
    }
    case Op::Dispose: {
      const nt::Status s = OpenPath(path, DELETE | FILE_READ_ATTRIBUTES, h);
      if (nt::Failed(s)) {
        return s;
      }
      IO_STATUS_BLOCK io{};
      if (step.arg == 0) {
        nt::FileDispositionInformation d{TRUE};
        return nt::Ntdll().SetInformationFile(h.get(), &io, &d, sizeof d, nt::kFileDispositionInformation);
      }
      nt::FileDispositionInformationEx ex{step.arg};
      return nt::Ntdll().SetInformationFile(h.get(), &io, &ex, sizeof ex, nt::kFileDispositionInformationEx);
    }
    case Op::Present:
      return Exists(path) == (step.arg != 0) ? nt::kSuccess : nt::kObjectNameCollision;
  }
  return nt::kNotImplemented;
}

const std::vector<Case> kCases = {
    {"a junction refuses listing, but not traversal or what lies below",
     L"junction=%/Local Settings",
     {L"Local Settings\\", L"Local Settings\\Temp\\", L"Local Settings\\Temp\\a.tmp"},
     {{Op::Open, L"Local Settings", FILE_LIST_DIRECTORY, kAccessDenied},
      {Op::Open, L"Local Settings", kTraverse, nt::kSuccess},
      {Op::List, L"Local Settings", kTraverse, kAccessDenied},
      {Op::List, L"Local Settings", FILE_LIST_DIRECTORY, kAccessDenied},
      {Op::OpenBelow, L"Local Settings\\Temp", FILE_LIST_DIRECTORY | DELETE, nt::kSuccess},
      {Op::List, L"Local Settings\\Temp", FILE_LIST_DIRECTORY, nt::kSuccess},
      {Op::Open, L"Local Settings\\Temp\\a.tmp", DELETE, nt::kSuccess}}},
    {"withheld write-attributes are refused, delete is not, elsewhere both are granted",
     L"deny-write-attributes=%/acl",
     {L"acl\\", L"acl\\f", L"open\\", L"open\\f"},
     {{Op::Open, L"acl\\f", FILE_WRITE_ATTRIBUTES, kAccessDenied},
      {Op::Open, L"acl", DELETE | FILE_WRITE_ATTRIBUTES, kAccessDenied},
      {Op::Open, L"acl\\f", GENERIC_WRITE, kAccessDenied},
      {Op::Open, L"acl\\f", DELETE | FILE_READ_ATTRIBUTES, nt::kSuccess},
      {Op::Dispose, L"acl\\f", 0, nt::kSuccess},
      {Op::Open, L"open\\f", DELETE | FILE_WRITE_ATTRIBUTES, nt::kSuccess}}},
    {"a busy file refuses two opens for delete, never one for its attributes",
     L"busy=%/busy.log*2",
     {L"busy.log"},
     {{Op::Open, L"busy.log", FILE_READ_ATTRIBUTES, nt::kSuccess},
      {Op::Open, L"busy.log", DELETE, kSharingViolation},
      {Op::Open, L"busy.log", DELETE | FILE_READ_ATTRIBUTES, kSharingViolation},
      {Op::Open, L"busy.log", DELETE, nt::kSuccess},
      {Op::Open, L"busy.log", DELETE, nt::kSuccess}}},
    {"a held file deleted plainly stays listed and pending, its folder not empty, until let go",
     L"held=%/d/held.tmp*5",
     {L"d\\", L"d\\held.tmp"},
     {{Op::Dispose, L"d\\held.tmp", 0, nt::kSuccess},
      {Op::Present, L"d\\held.tmp", 1, nt::kSuccess},
      {Op::Open, L"d\\held.tmp", FILE_READ_ATTRIBUTES, kDeletePending},
      {Op::Dispose, L"d", 0, kDirectoryNotEmpty},
      {Op::Open, L"d", FILE_READ_ATTRIBUTES, nt::kSuccess},
      {Op::Open, L"d", FILE_READ_ATTRIBUTES, nt::kSuccess},
      {Op::Present, L"d\\held.tmp", 0, nt::kSuccess},
      {Op::Dispose, L"d", 0, nt::kSuccess},
      {Op::Present, L"d", 0, nt::kSuccess}}},
    {"a held file deleted with POSIX semantics goes at once",
     L"held=%/held.tmp*100",
     {L"held.tmp"},
     {{Op::Dispose, L"held.tmp", kDelete | kPosix, nt::kSuccess},
      {Op::Present, L"held.tmp", 0, nt::kSuccess}}},
    {"a volume without the extended disposition refuses it, the plain one works",
     L"no-posix=XW",
     {L"f", L"g"},
     {{Op::Dispose, L"f", kDelete | kPosix, nt::kInvalidParameter},
      {Op::Dispose, L"f", kDelete, nt::kInvalidParameter},
      {Op::Present, L"f", 1, nt::kSuccess},
      {Op::Dispose, L"g", 0, nt::kSuccess},
      {Op::Present, L"g", 0, nt::kSuccess}}},
    {"a volume with it but without ignore-read-only refuses only that flag",
     L"no-ignore-read-only=w",
     {L"f", L"!ro"},
     {{Op::Dispose, L"ro", kDelete | kPosix | kIgnoreRo, nt::kInvalidParameter},
      {Op::Dispose, L"ro", kDelete | kPosix, nt::kCannotDelete},
      {Op::Dispose, L"f", kDelete | kPosix, nt::kSuccess},
      {Op::Present, L"f", 0, nt::kSuccess}}},
    {"another volume's settings leave this one whole: read-only files go with the flag only",
     L"no-posix=X|no-ignore-read-only=X",
     {L"!ro", L"!ro2"},
     {{Op::Dispose, L"ro", 0, nt::kCannotDelete},
      {Op::Dispose, L"ro", kDelete, nt::kCannotDelete},
      {Op::Dispose, L"ro", kDelete | kPosix | kIgnoreRo, nt::kSuccess},
      {Op::Present, L"ro", 0, nt::kSuccess},
      {Op::Dispose, L"ro2", kDelete | kIgnoreRo, nt::kSuccess},
      {Op::Present, L"ro2", 0, nt::kSuccess}}},
};

TEST(WindowsLikeLayer, BehavesAsWindowsCaseByCase) {
  int n = 0;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    const std::wstring base = FreshFolder((L"Case" + std::to_wstring(++n)).c_str());
    MakeTree(base, c.tree);
    Config config;
    ASSERT_TRUE(Parse(Replace(c.config, base.substr(2)), config));
    const Layer layer(config);
    int i = 0;
    for (const Step& step : c.steps) {
      EXPECT_EQ(RunStep(step, base), step.expect)
          << "step " << ++i << " (" << std::string(step.path, step.path + wcslen(step.path)) << ")";
    }
  }
}

TEST(WindowsLikeLayer, RecordsEveryOpenAsAskedAndRefusesWhatItDoesNotKnow) {
  const std::wstring base = FreshFolder(L"Record");
  MakeTree(base, {L"d\\", L"d\\f"});
  const Layer layer(Config{});
  win32::NtHandle dir;
  win32::NtHandle file;
  ASSERT_EQ(OpenPath(base + L"\\d", kTraverse, dir), nt::kSuccess);
  ASSERT_EQ(win32::OpenRelative(dir.get(), L"f", DELETE, 0, file), nt::kSuccess);
  const std::vector<Open> opens = layer.Opens();
  ASSERT_EQ(opens.size(), 2U);
  EXPECT_EQ(opens[0].path, base + L"\\d");
  EXPECT_EQ(opens[0].access, kTraverse | SYNCHRONIZE);
  EXPECT_EQ(opens[1].path, base + L"\\d\\f");  // named through its folder's handle
  EXPECT_EQ(opens[1].access, static_cast<ACCESS_MASK>(DELETE | SYNCHRONIZE));

  Config unused;
  for (const wchar_t* bad : {L"junktion=/a", L"busy=/a", L"held=/a*0", L"junction"}) {
    EXPECT_FALSE(Parse(bad, unused)) << std::wstring(bad).size();
  }
}

}  // namespace
}  // namespace brim::testing::windows_like
