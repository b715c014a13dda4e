#include "window_finder.h"

#include <array>

namespace brim::windows {

std::wstring ClassOf(HWND window) {
  std::array<wchar_t, 256> buffer{};
  ::GetClassNameW(window, buffer.data(), static_cast<int>(buffer.size()));
  return buffer.data();
}

std::wstring TextOf(HWND window, DWORD timeout_ms) {
  std::array<wchar_t, 2048> buffer{};
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                        SMTO_NORMAL, timeout_ms, &ignored);
  return buffer.data();
}

DWORD ProcessOf(HWND window) {
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  return process;
}

namespace {

struct TopLevelSearch {
  DWORD process;
  const WindowMatch& match;
  bool first_only;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
  // NOLINTNEXTLINE(performance-no-int-to-ptr): EnumWindows' own pointer
  auto& search = *reinterpret_cast<TopLevelSearch*>(param);
  if (::IsWindowVisible(window) != FALSE && (search.process == 0 || ProcessOf(window) == search.process) &&
      (!search.match || search.match(window))) {
    search.found.push_back(window);
    return search.first_only ? FALSE : TRUE;
  }
  return TRUE;
}

std::vector<HWND> Search(DWORD process, const WindowMatch& match, bool first_only) {
  TopLevelSearch search{process, match, first_only, {}};
  ::EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

std::vector<HWND> VisibleTopLevels(DWORD process, const WindowMatch& match) {
  return Search(process, match, false);
}

HWND VisibleTopLevel(DWORD process, const WindowMatch& match) {
  const std::vector<HWND> found = Search(process, match, true);
  return found.empty() ? nullptr : found.front();
}

HWND VisibleTopLevelOfClass(DWORD process, std::wstring_view cls) {
  return VisibleTopLevel(process, [cls](HWND window) { return ClassOf(window) == cls; });
}

HWND Child(HWND parent, const WindowMatch& match) {
  for (HWND c = ::GetWindow(parent, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
    if (match(c)) {
      return c;
    }
  }
  return nullptr;
}

HWND ChildOfClass(HWND parent, std::wstring_view cls, std::wstring_view text, DWORD timeout_ms) {
  return Child(parent,
               [&](HWND c) { return ClassOf(c) == cls && (text.empty() || TextOf(c, timeout_ms) == text); });
}

HWND ChildWithText(HWND parent, std::wstring_view text) {
  return Child(parent, [&](HWND c) { return TextOf(c) == text; });
}

StartedProgram::StartedProgram(const std::wstring& exe) {
  std::wstring command = L"\"" + exe + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  started_ = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                              &info_) != FALSE;
  if (!started_) {
    start_error_ = ::GetLastError();
  }
}

StartedProgram::~StartedProgram() {
  if (started_) {
    if (::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
      Kill(99);
    }
    ::CloseHandle(info_.hThread);
    ::CloseHandle(info_.hProcess);
  }
}

bool StartedProgram::WaitExit(DWORD timeout_ms, DWORD* code) const {
  if (::WaitForSingleObject(info_.hProcess, timeout_ms) != WAIT_OBJECT_0) {
    return false;
  }
  if (code != nullptr) {
    ::GetExitCodeProcess(info_.hProcess, code);
  }
  return true;
}

void StartedProgram::Kill(UINT code) const {
  ::TerminateProcess(info_.hProcess, code);
  ::WaitForSingleObject(info_.hProcess, 5000);
}

}  // namespace brim::windows
