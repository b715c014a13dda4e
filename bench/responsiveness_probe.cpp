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

#include "process_memory.h"
#include "window_finder.h"

namespace {

using brim::windows::ClassOf;

constexpr DWORD kReplyLimitMs = 10000;

std::wstring TextOf(HWND w) { return brim::windows::TextOf(w, kReplyLimitMs); }

// Any text where `text` is empty.
HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text) {
  return brim::windows::ChildOfClass(parent, cls, text, kReplyLimitMs);
}

double MsNow() { return brim::windows::MicrosecondsNow() / 1000.0; }

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
  HWND bar = Child(main, L"msctls_progress32", L"");
  if (drive == nullptr || cleanup == nullptr || bar == nullptr) {
    std::fprintf(stderr, "probe: controls not found\n");
    return 1;
  }
  const std::wstring letter(argv[1], 1);
  ::SendMessageW(drive, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(letter.c_str()));

  const double start = MsNow();
  ::PostMessageW(cleanup, BM_CLICK, 0, 0);

  double worst = 0.0;
  double total = 0.0;
  long pings = 0;
  long timeouts = 0;
  std::set<LRESULT> positions;
  HWND box = nullptr;
  while (box == nullptr) {
    DWORD_PTR result = 0;
    const double t0 = MsNow();
    const LRESULT ok = ::SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, kReplyLimitMs, &result);
    const double ms = MsNow() - t0;
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
  const double run_ms = MsNow() - start;
  const std::wstring text = TextOf(::GetDlgItem(box, 0xFFFF));
  std::printf("run: %.0f ms until the box \"%ls\"\n", run_ms, text.c_str());
  std::printf("WM_NULL: %ld replies, worst %.1f ms, mean %.2f ms, %ld timed out\n", pings, worst,
              pings > 0 ? total / static_cast<double>(pings) : 0.0, timeouts);
  std::printf("bar: %zu distinct positions seen during the run\n", positions.size());

  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  ::Sleep(200);
  ::PostMessageW(Child(main, L"Button", L"Exit Program"), BM_CLICK, 0, 0);
  return worst <= 250.0 && timeouts == 0 ? 0 : 3;
}
