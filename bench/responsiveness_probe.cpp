// Measures how quickly a running Brimsweep answers another process while a
// cleanup run is under way. Sets the drive box, presses "Cleanup", then sends
// WM_NULL over and over until the "Finished" box appears, and prints the
// worst and mean reply times and how often the bar was seen to move.
// Usage (under Wine, with the program already showing): responsiveness_probe DRIVE

#include <windows.h>
// After windows.h.
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>
#include <string>

#include "window_finder.h"

namespace {

using brim::windows::ClassOf;

constexpr DWORD kReplyLimitMs = 10000;

std::wstring TextOf(HWND w) { return brim::windows::TextOf(w, kReplyLimitMs); }

HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text) {
  return brim::windows::Child(
      parent, [&](HWND c) { return ClassOf(c) == cls && (text == nullptr || TextOf(c) == text); });
}

double Ms(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER freq) {
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(freq.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: responsiveness_probe DRIVE\n");
    return 2;
  }
  const HWND main = brim::windows::WaitFor([] { return ::FindWindowW(L"Brimsweep_S", nullptr); },
                                           std::chrono::seconds(30), std::chrono::milliseconds(50));
  if (main == nullptr) {
    std::fprintf(stderr, "probe: no main window\n");
    return 1;
  }
  const DWORD process = brim::windows::ProcessOf(main);
  HWND drive = Child(main, L"Edit", L"C");
  HWND cleanup = Child(main, L"Button", L"Cleanup");
  HWND bar = Child(main, L"msctls_progress32", nullptr);
  if (drive == nullptr || cleanup == nullptr || bar == nullptr) {
    std::fprintf(stderr, "probe: controls not found\n");
    return 1;
  }
  const std::wstring letter(argv[1], 1);
  ::SendMessageW(drive, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(letter.c_str()));

  LARGE_INTEGER freq;
  LARGE_INTEGER start;
  ::QueryPerformanceFrequency(&freq);
  ::QueryPerformanceCounter(&start);
  ::PostMessageW(cleanup, BM_CLICK, 0, 0);

  double worst = 0.0;
  double total = 0.0;
  long pings = 0;
  long timeouts = 0;
  std::set<LRESULT> positions;
  HWND box = nullptr;
  while (box == nullptr) {
    LARGE_INTEGER t0;
    LARGE_INTEGER t1;
    DWORD_PTR result = 0;
    ::QueryPerformanceCounter(&t0);
    const LRESULT ok = ::SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, kReplyLimitMs, &result);
    ::QueryPerformanceCounter(&t1);
    const double ms = Ms(t0, t1, freq);
    worst = std::max(worst, ms);
    total += ms;
    ++pings;
    timeouts += ok == 0 ? 1 : 0;
    DWORD_PTR pos = 0;
    if (::SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, kReplyLimitMs, &pos) != 0) {
      positions.insert(static_cast<LRESULT>(pos));
    }
    box = brim::windows::VisibleTopLevel(
        process, [main](HWND w) { return ClassOf(w) == L"#32770" && ::GetWindow(w, GW_OWNER) == main; });
    ::Sleep(10);
  }
  LARGE_INTEGER end;
  ::QueryPerformanceCounter(&end);
  const std::wstring text = TextOf(::GetDlgItem(box, 0xFFFF));
  std::printf("run: %.0f ms until the box \"%ls\"\n", Ms(start, end, freq), text.c_str());
  std::printf("WM_NULL: %ld replies, worst %.1f ms, mean %.2f ms, %ld timed out\n", pings, worst,
              pings > 0 ? total / static_cast<double>(pings) : 0.0, timeouts);
  std::printf("bar: %zu distinct positions seen during the run\n", positions.size());

  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  ::Sleep(200);
  ::PostMessageW(Child(main, L"Button", L"Exit Program"), BM_CLICK, 0, 0);
  return worst <= 250.0 && timeouts == 0 ? 0 : 3;
}
