// The program file itself under Wine: how it starts, the message boxes'
// title, and every way of ending the process.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/windows_api.h"

namespace {

using namespace std::chrono_literals;

std::wstring Text(HWND w) {
  std::array<wchar_t, 512> buffer{};
  ::SendMessageTimeoutW(w, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()), SMTO_NORMAL,
                        5000, nullptr);
  return buffer.data();
}

std::wstring ClassOf(HWND w) {
  std::array<wchar_t, 128> buffer{};
  ::GetClassNameW(w, buffer.data(), static_cast<int>(buffer.size()));
  return buffer.data();
}

// The program's path as Wine sees it (the build passes the Unix path).
std::wstring AppPath() {
  const char* unix_path = std::getenv("BRIM_APP_EXE");
  if (unix_path == nullptr) {
    return {};
  }
  std::wstring path = L"Z:";
  for (const char* c = unix_path; *c != '\0'; ++c) {
    path += *c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c));
  }
  return path;
}

template <typename F>
bool WaitFor(F&& done, std::chrono::milliseconds limit = 10s) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < until) {
    if (done()) {
      return true;
    }
    std::this_thread::sleep_for(20ms);
  }
  return done();
}

// One started copy of the program; ended by force if a test leaves it running.
class App {
 public:
  App() {
    std::wstring command = L"\"" + AppPath() + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    started_ = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                                &pi_) != FALSE;
  }
  ~App() {
    if (started_) {
      if (::WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(pi_.hProcess, 99);
        ::WaitForSingleObject(pi_.hProcess, 5000);
      }
      ::CloseHandle(pi_.hThread);
      ::CloseHandle(pi_.hProcess);
    }
  }
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  [[nodiscard]] bool Started() const { return started_; }

  // The visible top-level windows of this process.
  [[nodiscard]] std::vector<HWND> Windows() const {
    Search search{pi_.dwProcessId, {}};
    ::EnumWindows(&App::OnWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }
  [[nodiscard]] HWND Window(const std::wstring& cls) const {
    for (HWND w : Windows()) {
      if (ClassOf(w) == cls) {
        return w;
      }
    }
    return nullptr;
  }
  [[nodiscard]] HWND WaitMain() const {
    HWND main = nullptr;
    WaitFor([&] { return (main = Window(L"Brimsweep_S")) != nullptr; });
    return main;
  }
  bool WaitExit(DWORD* code = nullptr) const {
    if (::WaitForSingleObject(pi_.hProcess, 15000) != WAIT_OBJECT_0) {
      return false;
    }
    if (code != nullptr) {
      ::GetExitCodeProcess(pi_.hProcess, code);
    }
    return true;
  }

 private:
  struct Search {
    DWORD pid;
    std::vector<HWND> found;
  };
  static BOOL CALLBACK OnWindow(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<Search*>(p);  // NOLINT(performance-no-int-to-ptr): the callback's context
    DWORD pid = 0;
    ::GetWindowThreadProcessId(w, &pid);
    if (pid == s->pid && ::IsWindowVisible(w) != FALSE) {
      s->found.push_back(w);
    }
    return TRUE;
  }

  PROCESS_INFORMATION pi_{};
  bool started_ = false;
};

HWND Child(HWND parent, const std::wstring& cls, const std::wstring& text) {
  for (HWND c = ::GetWindow(parent, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
    if (ClassOf(c) == cls && (text.empty() || Text(c) == text)) {
      return c;
    }
  }
  return nullptr;
}

// Waits for a message box of the program, reads it and presses OK.
struct Box {
  std::wstring title;
  std::wstring text;
  HWND owner = nullptr;
};
bool TakeBox(App& app, Box& box) {
  HWND found = nullptr;
  if (!WaitFor([&] { return (found = app.Window(L"#32770")) != nullptr; })) {
    return false;
  }
  box.title = Text(found);
  box.text = Text(::GetDlgItem(found, 0xFFFF));
  box.owner = ::GetWindow(found, GW_OWNER);
  ::PostMessageW(found, WM_COMMAND, IDOK, 0);
  return WaitFor([&] { return ::IsWindow(found) == FALSE; });
}

class Startup : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(AppPath().empty()) << "BRIM_APP_EXE not set"; }
};

TEST_F(Startup, FreshStartShowsOnlyTheMainWindowWithItsDefaults) {
  App app;
  ASSERT_TRUE(app.Started());
  HWND main = app.WaitMain();
  ASSERT_NE(main, nullptr);
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(app.Windows().size(), 1U);
  EXPECT_EQ(Text(main), L"Brimsweep 1.8");
  HWND d = Child(main, L"Edit", L"C");
  HWND u = Child(main, L"Edit", L"Administrator");
  HWND bar = Child(main, L"msctls_progress32", L"");
  ASSERT_NE(d, nullptr);
  ASSERT_NE(u, nullptr);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 0);
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  ASSERT_NE(::GetGUIThreadInfo(::GetWindowThreadProcessId(main, nullptr), &gui), FALSE);
  EXPECT_EQ(gui.hwndFocus, u);
  RECT r{};
  ::GetWindowRect(main, &r);
  EXPECT_LE(std::abs((r.left + r.right) / 2 - ::GetSystemMetrics(SM_CXSCREEN) / 2), 1);
  EXPECT_LE(std::abs((r.top + r.bottom) / 2 - ::GetSystemMetrics(SM_CYSCREEN) / 2), 1);
}

TEST_F(Startup, SecondCopyRunsBesideTheFirst) {
  App first;
  ASSERT_NE(first.WaitMain(), nullptr);
  App second;
  HWND second_main = second.WaitMain();
  ASSERT_NE(second_main, nullptr);
  EXPECT_NE(first.Window(L"Brimsweep_S"), nullptr);  // the first is still there
  ::PostMessageW(second_main, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(second.WaitExit());
  EXPECT_NE(first.Window(L"Brimsweep_S"), nullptr);
}

TEST_F(Startup, ExitProgramEndsTheProcess) {
  App app;
  HWND main = app.WaitMain();
  ASSERT_NE(main, nullptr);
  ::PostMessageW(Child(main, L"Button", L"Exit Program"), BM_CLICK, 0, 0);
  DWORD code = 1;
  ASSERT_TRUE(app.WaitExit(&code));
  EXPECT_EQ(code, 0U);
}

TEST_F(Startup, CloseBoxEndsTheProcessAndTakesAboutAlong) {
  for (const bool about_open : {false, true}) {
    App app;
    HWND main = app.WaitMain();
    ASSERT_NE(main, nullptr);
    if (about_open) {
      ::PostMessageW(Child(main, L"Button", L"About"), BM_CLICK, 0, 0);
      ASSERT_TRUE(WaitFor([&] { return app.Window(L"Brimsweep_Ab") != nullptr; }));
      EXPECT_FALSE(::IsWindowEnabled(main));
      // The main window is disabled meanwhile: the system closes it.
      ::PostMessageW(main, WM_CLOSE, 0, 0);
    } else {
      ::PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    DWORD code = 1;
    ASSERT_TRUE(app.WaitExit(&code)) << about_open;
    EXPECT_EQ(code, 0U);
  }
}

TEST_F(Startup, MessageBoxesCarryTheApplicationTitle) {
  App app;
  HWND main = app.WaitMain();
  ASSERT_NE(main, nullptr);
  HWND d = Child(main, L"Edit", L"C");
  HWND cleanup = Child(main, L"Button", L"Cleanup");
  ASSERT_NE(d, nullptr);

  ::SendMessageW(d, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  ::PostMessageW(cleanup, BM_CLICK, 0, 0);
  Box warning;
  ASSERT_TRUE(TakeBox(app, warning));
  EXPECT_EQ(warning.title, L"Brimsweep 1.8");
  EXPECT_NE(warning.text.find(L"Please fix the input boxes"), std::wstring::npos);
  EXPECT_EQ(warning.owner, main);

  // A run over this test's own empty drive.
  const char* letter = std::getenv("BRIM_TEST_DRIVE");
  ASSERT_NE(letter, nullptr);
  const std::wstring drive(1, static_cast<wchar_t>(letter[0]));
  ::SendMessageW(d, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(drive.c_str()));
  ::PostMessageW(cleanup, BM_CLICK, 0, 0);
  Box finished;
  ASSERT_TRUE(TakeBox(app, finished));
  EXPECT_EQ(finished.title, L"Brimsweep 1.8");
  EXPECT_EQ(finished.text, L"Finished");
  EXPECT_EQ(::SendMessageW(Child(main, L"msctls_progress32", L""), PBM_GETPOS, 0, 0), 184);

  ::PostMessageW(Child(main, L"Button", L"Exit Program"), BM_CLICK, 0, 0);
  EXPECT_TRUE(app.WaitExit());
}

}  // namespace
