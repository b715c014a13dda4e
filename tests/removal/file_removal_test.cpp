// The file-removal operation on a drive mapped under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <set>
#include <vector>

#include "platform/win32/handles.h"

#include "platform/win32/removal/removal_front.h"
#include "removal/removal_test_support.h"

namespace brim::testing {
namespace {

unsigned long Kill(const std::wstring& path) {
  platform::win32::RemovalFront front;
  return FailureCode([&] { front.Files().Kill(path); });
}

// One pattern over one folder: what it removes and what it answers.
TEST(FileRemoval, APatternRemovesItsMatchesOnly) {
  struct Case {
    const wchar_t* folder;
    Tree tree;
    const wchar_t* pattern;
    unsigned long code;
    Tree left;
  };
  const std::vector<Case> cases = {
      {L"Txt",
       {L"a.txt", L"B.TXT", L"c.log", L"txt", L"sub\\", L"sub\\deep.txt"},
       L"*.txt",
       0UL,
       {L"c.log", L"txt", L"sub", L"sub\\deep.txt"}},
      // name.* also matches the name without an extension.
      {L"Undo",
       {L"LNK_UNDO", L"LNK_UNDO.dat", L"LNK_UNDO.1.bak", L"LNK_UNDOX", L"xLNK_UNDO.dat"},
       L"LNK_UNDO.*",
       0UL,
       {L"LNK_UNDOX", L"xLNK_UNDO.dat"}},
      // Read-only matches are not forced; the others still go.
      {L"ReadOnly",
       {L"!r.txt", L"s.txt"},
       L"*.txt",
       static_cast<unsigned long>(ERROR_ACCESS_DENIED),
       {L"r.txt"}},
  };
  for (const Case& c : cases) {
    const std::wstring d = FreshFolder(c.folder);
    MakeTree(d, c.tree);
    EXPECT_EQ(Kill(d + L"\\" + c.pattern), c.code) << c.pattern;
    EXPECT_EQ(Present(d, c.tree), c.left) << c.pattern;
  }
}

// The names FindFirstFileW gives for `pattern` that are not folders.
std::set<std::wstring> PlatformMatches(const std::wstring& pattern) {
  std::set<std::wstring> out;
  WIN32_FIND_DATAW data{};
  const platform::win32::FindHandle find(::FindFirstFileW((L"\\\\?\\" + pattern).c_str(), &data));
  for (bool more = static_cast<bool>(find); more; more = ::FindNextFileW(find.get(), &data) != FALSE) {
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      out.insert(data.cFileName);
    }
  }
  return out;
}

// A row removes what the platform's own wildcard rules match, no more and
// no less, on each Wine (their listings differ in what a mask means); a
// pattern not every listing matches alike is refused untouched.
TEST(FileRemoval, RemovesWhatThePlatformsOwnListingMatches) {
  const Tree names = {L"LNK_UNDO",      L"lnk_undo.DAT", L"LNK_UNDO.1.bak", L"LNK_UNDOX",
                      L"xLNK_UNDO",     L"LNK_UNDO.d\\", L"a.txt",          L"b.b.txt",
                      L"c.txtx",        L".txt",         L"D.TXT",          L"atxt",
                      L"txt.log",       L"y.log.old",    L"Shockwave Log",  L"Shockwave Log.txt",
                      L"Shockwave Logs"};
  const auto stays_all = [&](const std::wstring& d) { return Present(d, names).size() == names.size(); };
  for (const wchar_t* pattern : {L"*.txt", L"LNK_UNDO.*", L"Shockwave Log.*", L"*.log", L"C.TXTX"}) {
    const std::wstring d = FreshFolder(L"Parity");
    MakeTree(d, names);
    const std::set<std::wstring> expected = PlatformMatches(d + L"\\" + pattern);
    ASSERT_FALSE(expected.empty()) << pattern;
    EXPECT_EQ(Kill(d + L"\\" + pattern), 0UL) << pattern;
    const Tree left = Present(d, names);
    std::set<std::wstring> gone;
    for (std::wstring name : names) {
      if (name.ends_with(L'\\')) {
        name.pop_back();
      }
      if (std::ranges::find(left, name) == left.end()) {
        gone.insert(name);
      }
    }
    EXPECT_EQ(gone, expected) << pattern;
  }
  for (const wchar_t* pattern : {L"*", L"*.*", L"a?.txt", L"*.t*", L"LNK_UNDO*"}) {
    const std::wstring d = FreshFolder(L"Parity");
    MakeTree(d, names);
    EXPECT_EQ(Kill(d + L"\\" + pattern), static_cast<unsigned long>(ERROR_INVALID_NAME)) << pattern;
    EXPECT_TRUE(stays_all(d)) << pattern;
  }
}

TEST(FileRemoval, FailsWhenNothingMatches) {
  const std::wstring d = FreshFolder(L"NoMatch");
  MakeFile(d + L"\\keep.log");
  EXPECT_EQ(Kill(d + L"\\*.mbx"), static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
  EXPECT_NE(Kill(d + L"\\hh.dat"), 0UL);
  EXPECT_NE(Kill(d + L"\\missing\\hh.dat"), 0UL);
  EXPECT_NE(Kill(d + L"\\..\\NoMatch\\keep.log"), 0UL);
  EXPECT_TRUE(Exists(d + L"\\keep.log"));
}

TEST(FileRemoval, AFolderThatMatchesStays) {
  const std::wstring d = FreshFolder(L"FolderMatch");
  MakeTree(d, {L"old.log\\", L"old.log\\inner.log"});
  EXPECT_EQ(Kill(d + L"\\*.log"), static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(Kill(d + L"\\old.log"), static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(Exists(d + L"\\old.log\\inner.log"));

  MakeFile(d + L"\\new.log");
  EXPECT_EQ(Kill(d + L"\\*.log"), 0UL);
  EXPECT_FALSE(Exists(d + L"\\new.log"));
  EXPECT_TRUE(Exists(d + L"\\old.log\\inner.log"));
}

TEST(FileRemoval, IgnoresLetterCaseAndWorksPastMaxPath) {
  const std::wstring base = FreshFolder(L"LongFile");
  std::wstring d = base;
  for (int i = 0; i < 5; ++i) {
    d += L"\\" + std::wstring(60, static_cast<wchar_t>(L'k' + i));
    MakeDir(d);
  }
  MakeFile(d + L"\\SchedLgU.Txt");
  ASSERT_GT(d.size(), 300U);
  EXPECT_EQ(Kill(d + L"\\schedlgu.txt"), 0UL);
  EXPECT_FALSE(Exists(d + L"\\SchedLgU.Txt"));
}

}  // namespace
}  // namespace brim::testing
