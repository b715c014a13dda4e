// The program file itself under Wine: how it starts, the message boxes'
// title, and every way of ending the process.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/win32/windows_api.h"
#include "window_finder.h"

namespace {

using namespace std::chrono_literals;
using brim::windows::ChildOfClass;
using brim::windows::TextOf;

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
auto WaitFor(F&& probe, std::chrono::milliseconds limit = 10s) {
  return brim::windows::WaitFor(std::forward<F>(probe), limit);
}

// One started copy of the program; ended by force if a test leaves it running.
class App {
 public:
  App() : program_(AppPath()) {}

  [[nodiscard]] bool Started() const { return program_.Started(); }

  // The visible top-level windows of this process.
  [[nodiscard]] std::vector<HWND> Windows() const {
    return Started() ? brim::windows::VisibleTopLevels(program_.Id()) : std::vector<HWND>{};
  }
  [[nodiscard]] HWND Window(const std::wstring& cls) const {
    return Started() ? brim::windows::VisibleTopLevelOfClass(program_.Id(), cls) : nullptr;
  }
  [[nodiscard]] HWND WaitMain() const {
    return WaitFor([&] { return Window(L"Brimsweep_S"); });
  }
  bool WaitExit(DWORD* code = nullptr) const { return program_.WaitExit(15000, code); }

 private:
  brim::windows::StartedProgram program_;
};

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
  box.title = TextOf(found);
  box.text = TextOf(::GetDlgItem(found, 0xFFFF));
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
  EXPECT_EQ(TextOf(main), L"Brimsweep 1.8");
  HWND d = ChildOfClass(main, L"Edit", L"C");
  HWND u = ChildOfClass(main, L"Edit", L"Administrator");
  HWND bar = ChildOfClass(main, L"msctls_progress32", L"");
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
  ::PostMessageW(ChildOfClass(main, L"Button", L"Exit Program"), BM_CLICK, 0, 0);
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
      ::PostMessageW(ChildOfClass(main, L"Button", L"About"), BM_CLICK, 0, 0);
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
  HWND d = ChildOfClass(main, L"Edit", L"C");
  HWND cleanup = ChildOfClass(main, L"Button", L"Cleanup");
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
  EXPECT_EQ(::SendMessageW(ChildOfClass(main, L"msctls_progress32", L""), PBM_GETPOS, 0, 0), 184);

  ::PostMessageW(ChildOfClass(main, L"Button", L"Exit Program"), BM_CLICK, 0, 0);
  EXPECT_TRUE(app.WaitExit());
}

}  // namespace
