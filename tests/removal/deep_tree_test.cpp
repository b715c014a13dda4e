// Deep trees: folders far below the target are moved up inside it before
// they are walked. Nothing may leave the target, a preview may move nothing,
// and reports name items where they were found.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/removal/removal_front.h"
#include "removal/removal_test_support.h"

namespace brim::testing {
namespace {

std::vector<std::wstring> NamesIn(const std::wstring& folder) {
  std::vector<std::wstring> out;
  WIN32_FIND_DATAW data{};
  const HANDLE find = ::FindFirstFileW((L"\\\\?\\" + folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) {
    return out;
  }
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") {
      out.push_back(name);
    }
  } while (::FindNextFileW(find, &data) != FALSE);
  ::FindClose(find);
  std::ranges::sort(out);
  return out;
}

TEST(DeepTree, GoesWholeAndNothingLeavesTheTarget) {
  const std::wstring base = FreshFolder(L"DeepWhole");
  Chain(base + L"\\t", 70);
  MakeFile(base + L"\\keep");
  EXPECT_EQ(DeleteFolder(base + L"\\t"), 0UL);
  EXPECT_EQ(NamesIn(base), std::vector<std::wstring>{L"keep"});
}

TEST(DeepTree, NamesAlreadyAtTheTopAreNeverTakenOver) {
  const std::wstring base = FreshFolder(L"DeepNames");
  const std::wstring t = base + L"\\t";
  Chain(t, 40);
  MakeDir(t + L"\\~deep1");
  MakeFile(t + L"\\~deep1\\x");
  MakeFile(t + L"\\~deep2");
  EXPECT_EQ(DeleteFolder(t), 0UL);
  EXPECT_FALSE(Exists(t));
}

TEST(DeepTree, AStuckFileDeepDownStaysInsideAndIsReportedWhereItWasFound) {
  const std::wstring base = FreshFolder(L"DeepStuck");
  const std::wstring t = base + L"\\t";
  const std::vector<std::wstring> folders = Chain(t, 50);
  const std::wstring busy = folders[40] + L"\\busy";
  MakeFile(busy);
  const HANDLE held = ::CreateFileW((L"\\\\?\\" + busy).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);

  platform::win32::RemovalFront front;
  platform::ReportingRemoval& removal = front.Reporting();
  RecordingSink sink;
  EXPECT_NE(FailureCode([&] { removal.Folder(t, platform::Mode::Remove, sink); }), 0UL);
  ::CloseHandle(held);
  EXPECT_EQ(sink.stayed.count(busy), 1U);
  EXPECT_EQ(sink.files.count(folders[45] + L"\\f"), 1U);  // found below the move, named as found
  EXPECT_EQ(sink.folders.count(folders[10]), 0U);         // holds the stuck file's folder
  EXPECT_EQ(NamesIn(base), std::vector<std::wstring>{L"t"});

  EXPECT_EQ(DeleteFolder(t), 0UL);  // what stayed, wherever inside, goes next time
  EXPECT_TRUE(NamesIn(base).empty());
}

TEST(DeepTree, APreviewMovesNothingAndNamesEveryItemWhereItIs) {
  const std::wstring base = FreshFolder(L"DeepPreview");
  const std::wstring t = base + L"\\t";
  const std::vector<std::wstring> folders = Chain(t, 40);
  platform::win32::RemovalFront front;
  platform::ReportingRemoval& removal = front.Reporting();
  RecordingSink sink;
  EXPECT_EQ(FailureCode([&] { removal.Folder(t, platform::Mode::Preview, sink); }), 0UL);
  EXPECT_EQ(sink.files.size() + sink.folders.size(), folders.size() * 2 + 1);
  for (const std::wstring& folder : folders) {
    EXPECT_TRUE(Exists(folder + L"\\f")) << std::string(folder.begin(), folder.end());
    EXPECT_EQ(sink.files.count(folder + L"\\f"), 1U);
  }
  EXPECT_EQ(NamesIn(t), std::vector<std::wstring>{L"l0"});
}

}  // namespace
}  // namespace brim::testing
