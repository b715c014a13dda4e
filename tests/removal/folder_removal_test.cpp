// The folder removal (DeleteFolder's replacement) on a drive mapped under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include "removal/removal_test_support.h"

namespace brim::testing {
namespace {

TEST(FolderRemoval, RemovesNestedTreeWithReadOnlyItemsAndTheFolderItself) {
  const std::wstring base = FreshFolder(L"Nested");
  const std::wstring t = base + L"\\Temp";
  MakeTree(base, {L"!Temp\\", L"Temp\\a.tmp", L"!Temp\\ro.tmp", L"Temp\\sub\\", L"Temp\\sub\\deeper\\",
                  L"!Temp\\sub\\deeper\\b.dat", L"!Temp\\rodir\\", L"Temp\\rodir\\c.dat", L"Temp2.keep",
                  L"Temp2\\"});

  EXPECT_EQ(DeleteFolder(t), 0UL);
  EXPECT_FALSE(Exists(t));
  EXPECT_TRUE(Exists(base + L"\\Temp2.keep"));
  EXPECT_TRUE(Exists(base + L"\\Temp2"));
}

TEST(FolderRemoval, RemovesAnEmptyFolder) {
  const std::wstring base = FreshFolder(L"Empty");
  MakeDir(base + L"\\Recent");
  EXPECT_EQ(DeleteFolder(base + L"\\Recent"), 0UL);
  EXPECT_FALSE(Exists(base + L"\\Recent"));
  EXPECT_TRUE(Exists(base));
}

TEST(FolderRemoval, FailsOnAFileOrNothingAndLeavesTheFile) {
  const std::wstring base = FreshFolder(L"NotAFolder");
  MakeFile(base + L"\\DELPHI32.dsk");
  EXPECT_EQ(DeleteFolder(base + L"\\DELPHI32.dsk"), static_cast<unsigned long>(ERROR_PATH_NOT_FOUND));
  EXPECT_TRUE(Exists(base + L"\\DELPHI32.dsk"));
  EXPECT_NE(DeleteFolder(base + L"\\missing"), 0UL);
  EXPECT_NE(DeleteFolder(base + L"\\missing\\deeper"), 0UL);
  EXPECT_NE(DeleteFolder(L"1:\\WINDOWS\\Offline Web Pages"), 0UL);
}

TEST(FolderRemoval, IgnoresLetterCaseAndFindsNothingTheSecondTime) {
  const std::wstring base = FreshFolder(L"Case");
  MakeTree(base, {L"RECYCLER\\", L"RECYCLER\\INFO2"});
  EXPECT_EQ(DeleteFolder(base + L"\\RECYCLER"), 0UL);
  EXPECT_NE(DeleteFolder(base + L"\\Recycler"), 0UL);

  MakeDir(base + L"\\RECYCLER");
  EXPECT_EQ(DeleteFolder(base + L"\\Recycler"), 0UL);
  EXPECT_FALSE(Exists(base + L"\\RECYCLER"));
}

TEST(FolderRemoval, DotsBlanksAndPatternsNameNothing) {
  const std::wstring base = FreshFolder(L"Dots");
  MakeTree(base, {L"a\\", L"b\\", L"b\\keep"});
  EXPECT_NE(DeleteFolder(base + L"\\a\\..\\b"), 0UL);
  EXPECT_NE(DeleteFolder(base + L"\\b\\.."), 0UL);
  EXPECT_NE(DeleteFolder(base + L"\\b\\."), 0UL);
  EXPECT_NE(DeleteFolder(base + L"\\ \\b"), 0UL);
  EXPECT_NE(DeleteFolder(base + L"\\ "), 0UL);
  EXPECT_NE(DeleteFolder(base + L"\\*"), 0UL);
  EXPECT_NE(DeleteFolder(base + L"\\"), 0UL);
  EXPECT_TRUE(Exists(base + L"\\b\\keep"));
  EXPECT_TRUE(Exists(base + L"\\a"));
}

TEST(FolderRemoval, RemovesPathsLongerThanMaxPath) {
  const std::wstring base = FreshFolder(L"Long");
  std::wstring path = base + L"\\History";
  MakeDir(path);
  const std::wstring top = path;
  for (int i = 0; i < 6; ++i) {
    path += L"\\" + std::wstring(60, static_cast<wchar_t>(L'a' + i));
    MakeDir(path);
  }
  MakeFile(path + L"\\index.dat");
  ASSERT_GT(path.size(), 300U);
  ASSERT_TRUE(Exists(path + L"\\index.dat"));

  EXPECT_EQ(DeleteFolder(path), 0UL);  // a folder whose own path is long
  EXPECT_FALSE(Exists(path));
  EXPECT_EQ(DeleteFolder(top), 0UL);
  EXPECT_FALSE(Exists(top));
}

TEST(FolderRemoval, RemovesATreeFortyLevelsDeepAndNonAsciiNames) {
  const std::wstring base = FreshFolder(L"Deep");
  const std::wstring top = base + L"\\Cache";
  Chain(top, 40);
  MakeFile(top + L"\\gr\u00fc\u00dfe.txt");
  MakeDir(top + L"\\\u65e5\u672c");
  MakeFile(top + L"\\\u65e5\u672c\\\u2713 done");

  EXPECT_EQ(DeleteFolder(top), 0UL);
  EXPECT_FALSE(Exists(top));
}

TEST(FolderRemoval, WithoutForceReadOnlyFilesStay) {
  const std::wstring base = FreshFolder(L"NoForce");
  const Tree tree = {L"t\\", L"!t\\ro", L"t\\rw"};
  MakeTree(base, tree);
  EXPECT_NE(DeleteFolder(base + L"\\t", false), 0UL);
  EXPECT_EQ(Present(base, tree), (Tree{L"t", L"t\\ro"}));
}

TEST(FolderRemoval, AFileHeldOpenStaysEverythingElseGoesAndNothingHangs) {
  const std::wstring base = FreshFolder(L"Locked");
  const std::wstring t = base + L"\\Temp";
  MakeTree(base, {L"Temp\\", L"Temp\\a\\", L"Temp\\a\\busy.log", L"Temp\\a\\free.log", L"Temp\\b\\",
                  L"Temp\\b\\other.log"});
  const HANDLE busy = ::CreateFileW((L"\\\\?\\" + t + L"\\a\\busy.log").c_str(), GENERIC_READ,
                                    FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(busy, INVALID_HANDLE_VALUE);

  const DWORD start = ::GetTickCount();
  EXPECT_NE(DeleteFolder(t), 0UL);
  EXPECT_LT(::GetTickCount() - start, 5000UL);
  EXPECT_TRUE(Exists(t + L"\\a\\busy.log"));
  EXPECT_FALSE(Exists(t + L"\\a\\free.log"));
  EXPECT_FALSE(Exists(t + L"\\b"));

  ::CloseHandle(busy);
  EXPECT_EQ(DeleteFolder(t), 0UL);
  EXPECT_FALSE(Exists(t));
}

class CountingBreather : public platform::Breather {
 public:
  void Breathe() override { ++count; }
  int count = 0;
};

TEST(FolderRemoval, BreathesDuringALongRemoval) {
  const std::wstring base = FreshFolder(L"Breath");
  MakeDir(base + L"\\t");
  for (int i = 0; i < 1000; ++i) {
    MakeFile(base + L"\\t\\f" + std::to_wstring(i));
  }
  CountingBreather breather;
  EXPECT_EQ(DeleteFolder(base + L"\\t", true, &breather), 0UL);
  EXPECT_GE(breather.count, 3);
}

}  // namespace
}  // namespace brim::testing
