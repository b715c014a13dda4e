// The program file's resources and XP support, seen through the system's own
// loaders. This test exe carries the same .rc and manifest as the program.
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#ifndef _WIN64
#include "app/xp_imports.h"
#endif

namespace {

struct IconDeleter {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

struct ObjectDeleter {
  void operator()(HBITMAP bitmap) const { DeleteObject(bitmap); }
};
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, ObjectDeleter>;

struct LibraryDeleter {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
using UniqueLibrary = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryDeleter>;

// Version 6 lives in the side-by-side store, on Windows and in Wine alike (whose
// copy reports 5.81 from DllGetVersion, so the path is what tells).
TEST(ProgramFileTest, ManifestBringsCommonControlsVersion6) {
  UniqueLibrary comctl(LoadLibraryW(L"comctl32.dll"));
  ASSERT_TRUE(comctl);
  std::wstring path(MAX_PATH, L'\0');
  path.resize(GetModuleFileNameW(comctl.get(), path.data(), static_cast<DWORD>(path.size())));
  CharLowerW(path.data());
  EXPECT_NE(path.find(L"\\winsxs\\"), std::wstring::npos) << path.c_str();
  EXPECT_NE(path.find(L"common-controls"), std::wstring::npos) << path.c_str();
}

TEST(ProgramFileTest, IconGroupOffersEachImageForItsSize) {
  const HMODULE self = GetModuleHandleW(nullptr);
  const HRSRC group = FindResourceW(self, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));
  ASSERT_NE(group, nullptr);
  auto* directory = static_cast<PBYTE>(LockResource(LoadResource(self, group)));
  ASSERT_NE(directory, nullptr);
  EXPECT_EQ(LookupIconIdFromDirectoryEx(directory, TRUE, 16, 16, LR_DEFAULTCOLOR), 30003);
  EXPECT_EQ(LookupIconIdFromDirectoryEx(directory, TRUE, 32, 32, LR_DEFAULTCOLOR), 30002);
  EXPECT_EQ(LookupIconIdFromDirectoryEx(directory, TRUE, 32, 32, LR_MONOCHROME), 30001);
}

TEST(ProgramFileTest, IconLoadsAtBothSizes) {
  for (const int size : {16, 32}) {
    UniqueIcon icon(static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    ASSERT_TRUE(icon) << size;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon.get(), &info));
    UniqueBitmap colour(info.hbmColor);
    UniqueBitmap mask(info.hbmMask);
    BITMAP bitmap{};
    ASSERT_NE(GetObjectW(colour.get(), sizeof(bitmap), &bitmap), 0);
    EXPECT_EQ(bitmap.bmWidth, size);
    EXPECT_EQ(bitmap.bmHeight, size);
  }
}

// Only the 32-bit build carries the XP shim.
#ifndef _WIN64
// Static start-up of this file may come before that of the shim's.
struct TickBeforeMain {
  DWORD system = GetTickCount();
  ULONGLONG widened = brim_GetTickCount64();
};
const TickBeforeMain tick_before_main;

// The widened count keeps the system's low 32 bits, give or take the time
// between the two reads.
bool Follows(ULONGLONG widened, DWORD system) {
  const auto apart = static_cast<DWORD>(widened) - system;
  return apart < 1000u || apart > 0u - 1000u;
}

TEST(XpImportsTest, TickCountFollowsTheSystemClockFromBeforeMain) {
  EXPECT_TRUE(Follows(tick_before_main.widened, tick_before_main.system));
  const ULONGLONG widened = brim_GetTickCount64();
  EXPECT_TRUE(Follows(widened, GetTickCount()));
  EXPECT_GE(widened, tick_before_main.widened);
  EXPECT_GE(brim_GetTickCount64(), widened);
}

// A wrap counted by mistake, from a count read out of order, jumps 49.7 days.
TEST(XpImportsTest, ThreadsTogetherSeeNoFalseWrap) {
  constexpr int kThreads = 8;
  std::vector<int> monotonic(kThreads, 1);  // not vector<bool>: each thread writes its own element
  std::vector<ULONGLONG> last(kThreads, 0);
  {
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        for (int i = 0; i < 20000; ++i) {
          const ULONGLONG now = brim_GetTickCount64();
          if (now < last[t]) {
            monotonic[t] = 0;
          }
          last[t] = now;
        }
      });
    }
    for (auto& thread : threads) {
      thread.join();
    }
  }
  const ULONGLONG after = brim_GetTickCount64();
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(monotonic[t], 1) << t;
    EXPECT_LE(last[t], after) << t;
    EXPECT_LT(after - last[t], 60000u) << t;
  }
}

TEST(XpImportsTest, WidenerCountsEveryWrap) {
  using brim::xp::WidenTick;
  static_assert(WidenTick(0, 0xFFFFFFF0u) == 0xFFFFFFF0ULL);
  EXPECT_EQ(WidenTick(0xFFFFFFF0ULL, 0x10u), 0x100000010ULL);
  EXPECT_EQ(WidenTick(0x100000010ULL, 0x20u), 0x100000020ULL);
  EXPECT_EQ(WidenTick(0x100000020ULL, 0x20u), 0x100000020ULL);  // the same count: no wrap
  EXPECT_EQ(WidenTick(0x1FFFFFFFFULL, 0x5u), 0x200000005ULL);
}
#endif

// The thread library times its waits through the redirected import slot.
TEST(XpImportsTest, TimedWaitsStillTimeOut) {
  std::mutex mutex;
  std::condition_variable never;
  // cppcheck-suppress localMutex ; the wait needs a lock, nothing else contends
  std::unique_lock<std::mutex> lock(mutex);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(never.wait_for(lock, std::chrono::milliseconds(30)), std::cv_status::timeout);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
}

}  // namespace
