// The file-removal operation on a drive mapped under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/win32/removal/factories.h"
#include "removal/removal_test_support.h"

namespace brim::testing {
namespace {

unsigned long Kill(const std::wstring& path) {
  const auto removal = platform::win32::MakeFileRemoval(nullptr);
  return FailureCode([&] { removal->Kill(path); });
}

TEST(FileRemoval, StarDotTxtRemovesTheMatchesOnly) {
  const std::wstring d = FreshFolder(L"Txt");
  MakeFile(d + L"\\a.txt");
  MakeFile(d + L"\\B.TXT");
  MakeFile(d + L"\\c.log");
  MakeFile(d + L"\\txt");
  MakeDir(d + L"\\sub");
  MakeFile(d + L"\\sub\\deep.txt");
  EXPECT_EQ(Kill(d + L"\\*.txt"), 0UL);
  EXPECT_FALSE(Exists(d + L"\\a.txt"));
  EXPECT_FALSE(Exists(d + L"\\B.TXT"));
  EXPECT_TRUE(Exists(d + L"\\c.log"));
  EXPECT_TRUE(Exists(d + L"\\txt"));
  EXPECT_TRUE(Exists(d + L"\\sub\\deep.txt"));
}

TEST(FileRemoval, NameDotStarAlsoMatchesTheNameWithoutExtension) {
  const std::wstring d = FreshFolder(L"Undo");
  MakeFile(d + L"\\LNK_UNDO");
  MakeFile(d + L"\\LNK_UNDO.dat");
  MakeFile(d + L"\\LNK_UNDO.1.bak");
  MakeFile(d + L"\\LNK_UNDOX");
  MakeFile(d + L"\\xLNK_UNDO.dat");
  EXPECT_EQ(Kill(d + L"\\LNK_UNDO.*"), 0UL);
  EXPECT_FALSE(Exists(d + L"\\LNK_UNDO"));
  EXPECT_FALSE(Exists(d + L"\\LNK_UNDO.dat"));
  EXPECT_FALSE(Exists(d + L"\\LNK_UNDO.1.bak"));
  EXPECT_TRUE(Exists(d + L"\\LNK_UNDOX"));
  EXPECT_TRUE(Exists(d + L"\\xLNK_UNDO.dat"));
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
  MakeDir(d + L"\\old.log");
  MakeFile(d + L"\\old.log\\inner.log");
  EXPECT_EQ(Kill(d + L"\\*.log"), static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(Kill(d + L"\\old.log"), static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(Exists(d + L"\\old.log\\inner.log"));

  MakeFile(d + L"\\new.log");
  EXPECT_EQ(Kill(d + L"\\*.log"), 0UL);
  EXPECT_FALSE(Exists(d + L"\\new.log"));
  EXPECT_TRUE(Exists(d + L"\\old.log\\inner.log"));
}

TEST(FileRemoval, ReadOnlyMatchesAreNotForced) {
  const std::wstring d = FreshFolder(L"ReadOnly");
  MakeFile(d + L"\\r.txt", true);
  MakeFile(d + L"\\s.txt");
  EXPECT_EQ(Kill(d + L"\\*.txt"), static_cast<unsigned long>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(Exists(d + L"\\r.txt"));
  EXPECT_FALSE(Exists(d + L"\\s.txt"));
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
