// Finding and waiting for another program's windows, the way the tests and
// benchmarks that drive the real program from outside all need to.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace brim::windows {

using WindowMatch = std::function<bool(HWND)>;

std::wstring ClassOf(HWND window);

// Asked, not read: the owner may be busy, so a reply is waited for only
// `timeout_ms`; an unanswered window reads as empty.
std::wstring TextOf(HWND window, DWORD timeout_ms = 5000);

DWORD ProcessOf(HWND window);

// The visible top-level windows, front to back, of `process` (0: of any) that
// `match` accepts (none: all of them).
std::vector<HWND> VisibleTopLevels(DWORD process, const WindowMatch& match = {});
HWND VisibleTopLevel(DWORD process, const WindowMatch& match);
HWND VisibleTopLevelOfClass(DWORD process, std::wstring_view cls);

// A direct child, first in z-order, that `match` accepts.
HWND Child(HWND parent, const WindowMatch& match);
// By class, and by text unless `text` is empty (asked as TextOf does).
HWND ChildOfClass(HWND parent, std::wstring_view cls, std::wstring_view text = {}, DWORD timeout_ms = 5000);
// By text alone: a program may superclass its controls.
HWND ChildWithText(HWND parent, std::wstring_view text);

// Polls `probe` until it gives something true or `limit` has passed, and
// returns what it gave last (false, null, ...).
template <typename Probe>
auto WaitFor(Probe&& probe, std::chrono::milliseconds limit,
             std::chrono::milliseconds step = std::chrono::milliseconds(20)) -> decltype(probe()) {
  const auto until = std::chrono::steady_clock::now() + limit;
  for (;;) {
    auto found = probe();
    if (found || std::chrono::steady_clock::now() >= until) {
      return found;
    }
    std::this_thread::sleep_for(step);
  }
}

// A program started for a test; ended by force if still running at the end.
class StartedProgram {
 public:
  explicit StartedProgram(const std::wstring& exe);
  ~StartedProgram();
  StartedProgram(const StartedProgram&) = delete;
  StartedProgram& operator=(const StartedProgram&) = delete;
  StartedProgram(StartedProgram&&) = delete;
  StartedProgram& operator=(StartedProgram&&) = delete;

  [[nodiscard]] bool Started() const { return started_; }
  [[nodiscard]] DWORD StartError() const { return start_error_; }
  [[nodiscard]] HANDLE Process() const { return info_.hProcess; }
  [[nodiscard]] DWORD Id() const { return info_.dwProcessId; }
  [[nodiscard]] DWORD ThreadId() const { return info_.dwThreadId; }

  // False if it still runs after `timeout_ms`.
  bool WaitExit(DWORD timeout_ms, DWORD* code = nullptr) const;
  void Kill(UINT code) const;

 private:
  PROCESS_INFORMATION info_{};
  bool started_ = false;
  DWORD start_error_ = 0;
};

}  // namespace brim::windows
