// The helper threads kept across removals: made once, reused by every later
// removal, and never handing a later removal's files to an earlier one's state.
#include <gtest/gtest.h>

#include <windows.h>

#include <tlhelp32.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/removal/folder_removal.h"
#include "platform/win32/removal/helper_threads.h"
#include "platform/win32/removal/removal_front.h"
#include "removal/removal_test_support.h"

namespace brim::testing {
namespace {

namespace win32 = platform::win32;

int ThreadsOfThisProcess() {
  const win32::KernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = ::Thread32First(snapshot.get(), &entry); more != FALSE;
       more = ::Thread32Next(snapshot.get(), &entry)) {
    count += entry.th32OwnerProcessID == ::GetCurrentProcessId() ? 1 : 0;
  }
  return count;
}

// A target with enough plain files at two levels for the helpers to take a share.
std::wstring FullFolder(const std::wstring& base, const std::wstring& name, int files) {
  const std::wstring t = base + L"\\" + name;
  MakeDir(t);
  MakeDir(t + L"\\sub");
  for (int i = 0; i < files; ++i) {
    MakeFile(t + L"\\f" + std::to_wstring(i), i % 7 == 0);
    MakeFile(t + L"\\sub\\g" + std::to_wstring(i));
  }
  return t;
}

TEST(HelperThreads, KeptOnesAreMadeOnceServeEveryRemovalAndStopWithTheirOwner) {
  const std::wstring base = FreshFolder(L"KeptHelpers");
  const int before = ThreadsOfThisProcess();
  auto front = std::make_unique<win32::RemovalFront>();
  platform::FileSystemObjectFactory& factory = front->Folders();
  for (int row = 0; row < 4; ++row) {
    const std::wstring t = FullFolder(base, L"t" + std::to_wstring(row), 40);
    EXPECT_EQ(FailureCode([&] { factory.Create()->DeleteFolder(t, true); }), 0UL) << row;
    EXPECT_FALSE(Exists(t)) << row;
    EXPECT_EQ(ThreadsOfThisProcess(), before + static_cast<int>(win32::HelperThreads::kCount)) << row;
  }
  front.reset();
  EXPECT_EQ(ThreadsOfThisProcess(), before);
}

TEST(HelperThreads, ARemovalWithoutKeptOnesLeavesNoThreadBehind) {
  const std::wstring base = FreshFolder(L"OwnHelpers");
  const std::wstring t = FullFolder(base, L"t", 40);
  const int before = ThreadsOfThisProcess();
  EXPECT_EQ(FailureCode([&] { win32::RemoveFolderTree(t, win32::RemovalOptions{}); }), 0UL);
  EXPECT_FALSE(Exists(t));
  EXPECT_EQ(ThreadsOfThisProcess(), before);
}

TEST(HelperThreads, ARemovalStartedInsideAnotherGetsThreadsOfItsOwnAndBothFinish) {
  const std::wstring base = FreshFolder(L"NestedHelpers");
  const std::wstring outer = FullFolder(base, L"outer", 30);
  const std::wstring inner = FullFolder(base, L"inner", 30);
  bool started_inner = false;
  unsigned long inner_error = ~0UL;
  win32::RemovalFront* self = nullptr;
  win32::RemovalHooks hooks;
  hooks.before_open = [&](std::wstring_view child) {
    if (child == L"sub" && !started_inner) {
      started_inner = true;
      inner_error = FailureCode([&] { self->Folders().Create()->DeleteFolder(inner, true); });
    }
  };
  win32::RemovalFront front(nullptr, hooks);
  self = &front;
  EXPECT_EQ(FailureCode([&] { front.Folders().Create()->DeleteFolder(outer, true); }), 0UL);
  EXPECT_TRUE(started_inner);
  EXPECT_EQ(inner_error, 0UL);
  EXPECT_FALSE(Exists(outer));
  EXPECT_FALSE(Exists(inner));
}

TEST(HelperThreads, EachReportedRemovalNamesOnlyItsOwnFiles) {
  const std::wstring base = FreshFolder(L"ReportedHelpers");
  win32::RemovalFront front;
  platform::ReportingRemoval& removal = front.Reporting();
  for (int row = 0; row < 3; ++row) {
    const int files = 20 + row * 25;  // batches of different lengths
    const std::wstring t = FullFolder(base, L"r" + std::to_wstring(row), files);
    RecordingSink sink;
    removal.Folder(t, platform::Mode::Remove, sink);
    EXPECT_TRUE(sink.stayed.empty()) << row;
    ASSERT_EQ(sink.files.size(), static_cast<std::size_t>(files) * 2) << row;
    for (int i = 0; i < files; ++i) {
      EXPECT_EQ(sink.files.count(t + L"\\f" + std::to_wstring(i)), 1U) << row << " " << i;
      EXPECT_EQ(sink.files.count(t + L"\\sub\\g" + std::to_wstring(i)), 1U) << row << " " << i;
    }
    EXPECT_FALSE(Exists(t)) << row;
  }
}

// Files held open all through three shared batches: whichever thread meets a
// held one, the report must name exactly the held ones as stayed and all
// others as gone.
TEST(HelperThreads, FilesThatStayAmongSharedBatchesAreReportedByTheirOwnNames) {
  const std::wstring t = FreshFolder(L"HeldAmongShared") + L"\\t";
  MakeDir(t);
  constexpr int kFiles = 150;  // more than two batches
  std::vector<win32::FileHandle> held;
  std::set<std::wstring> held_names;
  for (int i = 0; i < kFiles; ++i) {
    const std::wstring name = t + L"\\f" + std::to_wstring(i);
    MakeFile(name);
    if (i % 9 == 4) {
      held.emplace_back(::CreateFileW((L"\\\\?\\" + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
      ASSERT_TRUE(held.back()) << name;
      held_names.insert(name);
    }
  }
  win32::RemovalFront front;
  platform::ReportingRemoval& removal = front.Reporting();
  RecordingSink sink;
  EXPECT_NE(FailureCode([&] { removal.Folder(t, platform::Mode::Remove, sink); }), 0UL);
  EXPECT_EQ(sink.stayed, held_names);
  EXPECT_EQ(sink.files.size(), static_cast<std::size_t>(kFiles) - held_names.size());
  for (int i = 0; i < kFiles; ++i) {
    const std::wstring name = t + L"\\f" + std::to_wstring(i);
    EXPECT_EQ(Exists(name), held_names.count(name) == 1) << name;
    EXPECT_EQ(sink.files.count(name), held_names.count(name) == 1 ? 0U : 1U) << name;
  }
  held.clear();
  EXPECT_EQ(DeleteFolder(t), 0UL);
  EXPECT_FALSE(Exists(t));
}

}  // namespace
}  // namespace brim::testing
