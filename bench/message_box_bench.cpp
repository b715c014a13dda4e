// Where the time of the closing "Finished" box goes: the system's own
// MessageBoxW, timed from the call to its dialog's creation, its child
// windows, the end of WM_INITDIALOG and the first show, over several boxes
// that are dismissed once up. Prints one line per box, in milliseconds from
// the call.
#include <windows.h>

#include <cstdio>

#include "process_memory.h"

namespace {

struct Box {
  double start = 0;
  double dialog = -1;
  double init_done = -1;
  double shown = -1;
  int children = 0;
  int hidden_children = 0;
};

Box g_box;
HHOOK g_cbt = nullptr;
HHOOK g_ret = nullptr;

double Since() { return (brim::windows::MicrosecondsNow() - g_box.start) / 1000.0; }

LRESULT CALLBACK OnCbt(int code, WPARAM w, LPARAM l) {
  if (code == HCBT_CREATEWND) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the hook passes its record as an LPARAM
    const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(l);
    if ((create->lpcs->style & WS_CHILD) != 0) {
      ++g_box.children;
    } else if (g_box.dialog < 0) {
      g_box.dialog = Since();
    }
  }
  return ::CallNextHookEx(g_cbt, code, w, l);
}

LRESULT CALLBACK OnReturn(int code, WPARAM w, LPARAM l) {
  const auto* m = reinterpret_cast<const CWPRETSTRUCT*>(l);  // NOLINT(performance-no-int-to-ptr): as above
  const bool child = (::GetWindowLongW(m->hwnd, GWL_STYLE) & WS_CHILD) != 0;
  if (m->message == WM_INITDIALOG) {
    g_box.init_done = Since();
    ::PostMessageW(m->hwnd, WM_COMMAND, IDOK, 0);  // dismissed once it is up
  } else if (m->message == WM_SHOWWINDOW && child && m->wParam == FALSE) {
    ++g_box.hidden_children;
  } else if (m->message == WM_SHOWWINDOW && !child && m->wParam != FALSE && g_box.shown < 0) {
    g_box.shown = Since();
  }
  return ::CallNextHookEx(g_ret, code, w, l);
}

}  // namespace

int wmain() {
  HWND owner = ::CreateWindowW(L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200,
                               nullptr, nullptr, nullptr, nullptr);
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
    ::DispatchMessageW(&msg);
  }
  g_cbt = ::SetWindowsHookExW(WH_CBT, OnCbt, nullptr, ::GetCurrentThreadId());
  g_ret = ::SetWindowsHookExW(WH_CALLWNDPROCRET, OnReturn, nullptr, ::GetCurrentThreadId());
  for (int i = 0; i < 5; ++i) {
    g_box = Box{};
    g_box.start = brim::windows::MicrosecondsNow();
    ::MessageBoxW(owner, L"Finished", L"Brimsweep 1.8", 0);
    std::printf(
        "box %d: dialog made %.1f, %d child windows (%d hidden again), WM_INITDIALOG done %.1f, shown %.1f "
        "ms\n",
        i + 1, g_box.dialog, g_box.children, g_box.hidden_children, g_box.init_done, g_box.shown);
  }
  ::UnhookWindowsHookEx(g_ret);
  ::UnhookWindowsHookEx(g_cbt);
  ::DestroyWindow(owner);
  return 0;
}
