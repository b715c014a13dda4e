#include "platform/win32/forms/placement.h"

#include <algorithm>

#include "platform/win32/run_time_entry.h"

namespace brim::platform::win32 {

POINT CentredInside(const RECT& over, SIZE size, const RECT& work) {
  const auto place = [](LONG from, LONG to, LONG length, LONG low, LONG high) {
    const LONG centred = from + (to - from - length) / 2;
    return std::max(low, std::min(centred, high - length));
  };
  return POINT{place(over.left, over.right, size.cx, work.left, work.right),
               place(over.top, over.bottom, size.cy, work.top, work.bottom)};
}

RECT WorkAreaOf(HWND window) {
  // XP has both functions; they are looked up all the same, as Windows 95 lacked them.
  using FromWindow = HMONITOR(WINAPI*)(HWND, DWORD);
  using Info = BOOL(WINAPI*)(HMONITOR, LPMONITORINFO);
  static const auto from_window = RunTimeEntry<FromWindow>(L"user32.dll", "MonitorFromWindow");
  static const auto info = RunTimeEntry<Info>(L"user32.dll", "GetMonitorInfoW");
  if (from_window != nullptr && info != nullptr) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (HMONITOR m = from_window(window, MONITOR_DEFAULTTOPRIMARY);
        m != nullptr && info(m, &monitor) != FALSE) {
      return monitor.rcWork;
    }
  }
  RECT primary{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &primary, 0);  // keeps the whole screen if it fails
  return primary;
}

}  // namespace brim::platform::win32
