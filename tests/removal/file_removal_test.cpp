// The file-removal operation on a drive mapped under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

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
