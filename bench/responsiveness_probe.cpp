// Measures how quickly a running Brimsweep answers another process while a
// cleanup run is under way. Sets the drive box, presses "Cleanup", then sends
// WM_NULL over and over until the "Finished" box appears, and prints the
// worst and mean reply times and how often the bar was seen to move.
// Usage (under Wine, with the program already showing): responsiveness_probe DRIVE

#include <windows.h>
// After windows.h.
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <set>
#include <string>

namespace {

std::wstring ClassOf(HWND w) {
  std::array<wchar_t, 128> buffer{};
  ::GetClassNameW(w, buffer.data(), static_cast<int>(buffer.size()));
  return buffer.data();
}

std::wstring TextOf(HWND w) {
  std::array<wchar_t, 256> buffer{};
  ::SendMessageTimeoutW(w, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()), SMTO_NORMAL,
                        10000, nullptr);
  return buffer.data();
}

HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text) {
  for (HWND c = ::GetWindow(parent, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
    if (ClassOf(c) == cls && (text == nullptr || TextOf(c) == text)) {
      return c;
    }
  }
  return nullptr;
}

struct BoxSearch {
  HWND owner;
  HWND found;
};

BOOL CALLBACK FindBox(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<BoxSearch*>(p);  // NOLINT(performance-no-int-to-ptr): the callback's context
  if (ClassOf(w) == L"#32770" && ::GetWindow(w, GW_OWNER) == s->owner && ::IsWindowVisible(w) != FALSE) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
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
  HWND main = nullptr;
  for (int i = 0; i < 600 && main == nullptr; ++i) {
    main = ::FindWindowW(L"Brimsweep_S", nullptr);
    ::Sleep(50);
  }
  if (main == nullptr) {
    std::fprintf(stderr, "probe: no main window\n");
    return 1;
  }
  const DWORD thread = ::GetWindowThreadProcessId(main, nullptr);
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
  BoxSearch box{main, nullptr};
  while (box.found == nullptr) {
    LARGE_INTEGER t0;
    LARGE_INTEGER t1;
    DWORD_PTR result = 0;
    ::QueryPerformanceCounter(&t0);
    const LRESULT ok = ::SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
    ::QueryPerformanceCounter(&t1);
    const double ms = Ms(t0, t1, freq);
    worst = std::max(worst, ms);
    total += ms;
    ++pings;
    timeouts += ok == 0 ? 1 : 0;
    DWORD_PTR pos = 0;
    if (::SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, 10000, &pos) != 0) {
      positions.insert(static_cast<LRESULT>(pos));
    }
    ::EnumThreadWindows(thread, &FindBox, reinterpret_cast<LPARAM>(&box));
    ::Sleep(10);
  }
  LARGE_INTEGER end;
  ::QueryPerformanceCounter(&end);
  const std::wstring text = TextOf(::GetDlgItem(box.found, 0xFFFF));
  std::printf("run: %.0f ms until the box \"%ls\"\n", Ms(start, end, freq), text.c_str());
  std::printf("WM_NULL: %ld replies, worst %.1f ms, mean %.2f ms, %ld timed out\n", pings, worst,
              pings > 0 ? total / static_cast<double>(pings) : 0.0, timeouts);
  std::printf("bar: %zu distinct positions seen during the run\n", positions.size());

  ::PostMessageW(box.found, WM_COMMAND, IDOK, 0);
  ::Sleep(200);
  ::PostMessageW(Child(main, L"Button", L"Exit Program"), BM_CLICK, 0, 0);
  return worst <= 250.0 && timeouts == 0 ? 0 : 3;
}
