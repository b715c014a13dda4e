// The real windows under Wine: keyboard through the dialog manager, the About
// window's hold on the main window, and the ways of ending.

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "cleanup/cleanup_run.h"
#include "platform/failure.h"
#include "ui/win32_harness.h"

namespace brim::testing {
namespace {

// The drive mapped for this test: runs never reach the prefix's own C:.
std::wstring TestDrive() {
  const char* letter = std::getenv("BRIM_TEST_DRIVE");
  return letter != nullptr ? std::wstring(1, static_cast<wchar_t>(letter[0])) : L"F";
}

class Windows : public ::testing::Test {
 protected:
  void SetUp() override {
    p.program.S().TextBoxNamed(L"D").SetText(TestDrive());
    ASSERT_EQ(p.Focus(), L"S.U");
  }
  void OpenAbout() {
    ::SetFocus(p.Control(L"S", L"Cmd3"));
    p.Key(VK_RETURN);
    ASSERT_NE(p.Window(L"Ab"), nullptr);
  }
  [[nodiscard]] bool MainEnabled() const { return ::IsWindowEnabled(p.Window(L"S")) != FALSE; }

  RealProgram p;
  BoxWatcher boxes{::GetCurrentThreadId()};
};

TEST_F(Windows, TabWalksTheMainWindowByTabIndex) {
  const std::vector<std::wstring> expected{L"S.Cmd1", L"S.Cmd3", L"S.Cmd2", L"S.D", L"S.U", L"S.Cmd1"};
  for (const auto& next : expected) {
    p.Key(VK_TAB);
    EXPECT_EQ(p.Focus(), next);
  }
}

TEST_F(Windows, TabWalksTheAboutWindowAndNeverReachesLabelOrBrowser) {
  OpenAbout();
  EXPECT_EQ(p.Focus(), L"Ab.Cmd1");
  const std::vector<std::wstring> expected{L"Ab.Cmd2", L"Ab.Cmd4", L"Ab.Blog", L"Ab.Cmd1"};
  for (const auto& next : expected) {
    p.Key(VK_TAB);
    EXPECT_EQ(p.Focus(), next);
  }
}

TEST_F(Windows, EnterInEitherTextBoxStartsARun) {
  for (const wchar_t* box : {L"U", L"D"}) {
    ::SetFocus(p.Control(L"S", box));
    p.program.S().ProgressBarNamed(L"PrB").SetValue(0.0F);
    p.Key(VK_RETURN);
    const auto seen = boxes.Seen();
    ASSERT_FALSE(seen.empty()) << box;
    EXPECT_EQ(seen.back().text, cleanup::kFinishedPrompt) << box;
    EXPECT_EQ(seen.back().title, L"Brimsweep 1.8");
    EXPECT_EQ(seen.back().owner, p.Window(L"S"));
    EXPECT_FLOAT_EQ(p.program.S().ProgressBarNamed(L"PrB").Value(), 184.0F) << box;
    EXPECT_EQ(::SendMessageW(p.Control(L"S", L"PrB"), PBM_GETPOS, 0, 0), 184);
    for (const wchar_t* c : {L"Cmd1", L"Cmd2", L"Cmd3", L"D", L"U"}) {
      EXPECT_TRUE(::IsWindowEnabled(p.Control(L"S", c))) << c;
    }
  }
  EXPECT_EQ(boxes.Seen().size(), 2U);
}

// A bar repaints at most every kRepaintMs; whatever holds a position back,
// the next breath once due, a fall, a message box or the end of a handler
// shows it. Where this thread was held up past the interval between two
// calls, the held-back step can't be told apart and is skipped.
TEST_F(Windows, ABarHoldsBackOnlyUntilItsNextChanceToShow) {
  auto& bar = p.program.S().ProgressBarNamed(L"PrB");
  HWND window = p.Control(L"S", L"PrB");
  const auto shown = [window] { return ::SendMessageW(window, PBM_GETPOS, 0, 0); };
  const auto past_interval = [] { ::Sleep(win32::ProgressControl::kRepaintMs + 20); };
  // Held back, then shown by whichever comes first.
  const auto held_then = [&](float value, const auto& show, const char* by) {
    past_interval();
    bar.SetValue(value - 1.0F);  // due: shown at once
    const DWORD since = ::GetTickCount();
    bar.SetValue(value);
    if (::GetTickCount() - since < win32::ProgressControl::kRepaintMs) {
      EXPECT_EQ(shown(), std::lround(value - 1.0F)) << by;
    }
    EXPECT_FLOAT_EQ(bar.Value(), value) << by;
    show();
    EXPECT_EQ(shown(), std::lround(value)) << by;
  };

  bar.SetValue(0.0F);
  held_then(
      20.0F,
      [&] {
        past_interval();
        p.breather.Breathe();
      },
      "a breath once due");
  held_then(
      40.0F, [&] { p.forms.Dispatch([] {}); }, "the end of a handler");
  held_then(
      60.0F, [&] { p.forms.Box().Show(L"x", MB_OK); }, "a message box");
  // A fall shows at once, also right after a rise.
  bar.SetValue(80.0F);
  bar.SetValue(10.0F);
  EXPECT_EQ(shown(), 10);
  EXPECT_EQ(boxes.Seen().size(), 1U);
}

// However often a run breathes, a message another thread sends the window
// meanwhile is answered within a breath's interval or so.
TEST_F(Windows, BreathsAnswerSentMessagesPromptly) {
  HWND main = p.Window(L"S");
  std::atomic<DWORD> waited{INFINITE};
  std::thread asker([&] {
    ::Sleep(30);
    const DWORD since = ::GetTickCount();
    DWORD_PTR result = 0;
    if (::SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result) != 0) {
      waited = ::GetTickCount() - since;
    }
  });
  const DWORD until = ::GetTickCount() + 200;
  while (::GetTickCount() < until) {
    p.breather.Breathe();  // as a run of tiny rows would
  }
  asker.join();
  EXPECT_LE(waited.load(), 100U);  // the interval, plus room for a loaded machine
}

// What ends a run ends with its handler, also one that fails.
TEST_F(Windows, AfterEachHandlerHooksRunAlsoWhenTheHandlerFails) {
  int ran = 0;
  p.forms.AfterEachHandler([&ran] { ++ran; });
  p.forms.Dispatch([] {});
  p.forms.Dispatch([] { throw platform::Failure("a handler that fails"); });
  EXPECT_EQ(ran, 2);
}

TEST_F(Windows, EnterOnAboutOpensAboutWithFocusOnOk) {
  OpenAbout();
  EXPECT_TRUE(::IsWindowVisible(p.Window(L"Ab")));
  EXPECT_EQ(WindowText(p.Window(L"Ab")), L"About");
  EXPECT_EQ(p.Focus(), L"Ab.Cmd1");
  EXPECT_FALSE(MainEnabled());
  EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(Windows, EnterOnExitProgramEndsWithoutAbout) {
  ::SetFocus(p.Control(L"S", L"Cmd2"));
  p.Key(VK_RETURN);
  EXPECT_TRUE(p.forms.Ended());
  EXPECT_TRUE(p.quit);
  EXPECT_FALSE(p.forms.AnyLoaded());
  EXPECT_EQ(::FindWindowW(L"Brimsweep_Ab", nullptr), nullptr);
  EXPECT_EQ(::FindWindowW(L"Brimsweep_S", nullptr), nullptr);
  EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(Windows, EscDoesNothingInEitherWindow) {
  p.Key(VK_ESCAPE);
  EXPECT_EQ(p.Focus(), L"S.U");
  EXPECT_NE(p.Window(L"S"), nullptr);
  EXPECT_EQ(p.forms.Existing(L"Ab"), nullptr);
  OpenAbout();
  p.Key(VK_ESCAPE);
  EXPECT_EQ(p.Focus(), L"Ab.Cmd1");
  EXPECT_NE(p.Window(L"Ab"), nullptr);
  EXPECT_FALSE(MainEnabled());
  EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(Windows, DriveBoxRefusesASecondCharacter) {
  ::SetFocus(p.Control(L"S", L"D"));
  ::SendMessageW(p.Control(L"S", L"D"), EM_SETSEL, 1, 1);  // caret after "F"
  p.Char(L'X');
  EXPECT_EQ(p.program.S().TextBoxNamed(L"D").Text(), TestDrive());
  ::SendMessageW(p.Control(L"S", L"D"), EM_SETSEL, 0, -1);  // typing over the selection is allowed
  p.Char(L'X');
  p.Char(L'Y');
  EXPECT_EQ(p.program.S().TextBoxNamed(L"D").Text(), L"X");
}

TEST_F(Windows, EmptiedDriveBoxWarnsAndChangesNothing) {
  p.program.S().ProgressBarNamed(L"PrB").SetValue(10.0F);
  p.Key(VK_TAB);  // U -> Cmd1 -> Cmd3 -> Cmd2 -> D: the dialog manager selects its text
  p.Key(VK_TAB);
  p.Key(VK_TAB);
  p.Key(VK_TAB);
  ASSERT_EQ(p.Focus(), L"S.D");
  p.Char(L'\b');
  ASSERT_EQ(p.program.S().TextBoxNamed(L"D").Text(), L"");
  p.Key(VK_RETURN);
  const auto seen = boxes.Seen();
  ASSERT_EQ(seen.size(), 1U);
  EXPECT_EQ(seen[0].title, L"Brimsweep 1.8");
  EXPECT_NE(seen[0].text.find(L"Please fix the input boxes and try again."), std::wstring::npos);
  EXPECT_FLOAT_EQ(p.program.S().ProgressBarNamed(L"PrB").Value(), 10.0F);
  EXPECT_EQ(p.program.S().TextBoxNamed(L"U").Text(), L"Administrator");
  for (const wchar_t* c : {L"Cmd1", L"Cmd2", L"Cmd3", L"D", L"U"}) {
    EXPECT_TRUE(::IsWindowEnabled(p.Control(L"S", c))) << c;
  }
}

TEST_F(Windows, AboutHoldsMainWindowUntilOkEnterOrCloseBox) {
  enum class Close { OkClicked, Enter, CloseBox };
  for (int round = 0; round < 2; ++round) {  // reopening works every time
    for (const Close how : {Close::OkClicked, Close::Enter, Close::CloseBox}) {
      ::SetFocus(p.Control(L"S", L"Cmd3"));
      p.Key(VK_RETURN);
      ASSERT_NE(p.Window(L"Ab"), nullptr);
      EXPECT_FALSE(MainEnabled());
      EXPECT_EQ(p.Focus(), L"Ab.Cmd1");
      switch (how) {
        case Close::OkClicked:
          ::SendMessageW(p.Control(L"Ab", L"Cmd1"), BM_CLICK, 0, 0);
          break;
        case Close::Enter:
          p.Key(VK_RETURN);
          break;
        case Close::CloseBox:
          ::PostMessageW(p.Window(L"Ab"), WM_SYSCOMMAND, SC_CLOSE, 0);
          break;
      }
      p.Pump();
      EXPECT_EQ(p.Window(L"Ab"), nullptr) << static_cast<int>(how);
      EXPECT_TRUE(MainEnabled()) << static_cast<int>(how);
      EXPECT_FALSE(p.quit);
    }
  }
  EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(Windows, LinkButtonsLeaveAboutOpenAndMainDisabled) {
  OpenAbout();
  for (const wchar_t* b : {L"Blog", L"Cmd2", L"Cmd4"}) {
    ::SendMessageW(p.Control(L"Ab", b), BM_CLICK, 0, 0);
    p.Pump();
    EXPECT_NE(p.Window(L"Ab"), nullptr) << b;
    EXPECT_FALSE(MainEnabled()) << b;
  }
}

// The system sends the second click of a double-click as a double-click
// message; it presses the button as any click does, on release over it.
TEST_F(Windows, EveryClickOfADoubleClickPressesTheButtonOnce) {
  enum class Step { Down, DoubleDown, Up, UpOff };
  struct Case {
    const char* what;
    std::vector<Step> steps;
    std::size_t presses;
  };
  using enum Step;
  const std::vector<Case> cases{
      {"a click", {Down, Up}, 1},
      {"a double-click", {Down, Up, DoubleDown, Up}, 2},
      {"a triple click", {Down, Up, DoubleDown, Up, Down, Up}, 3},
      {"a double-click released off the button", {Down, Up, DoubleDown, UpOff}, 1},
  };
  OpenAbout();
  for (const wchar_t* button : {L"Blog", L"Cmd2"}) {
    HWND w = p.Control(L"Ab", button);
    RECT r{};
    ::GetClientRect(w, &r);
    for (const Case& c : cases) {
      p.shell.opened.clear();
      for (const Step s : c.steps) {
        const UINT message = s == Down ? WM_LBUTTONDOWN : s == DoubleDown ? WM_LBUTTONDBLCLK : WM_LBUTTONUP;
        const LPARAM at = s == UpOff ? MAKELPARAM(r.right + 10, r.bottom + 10) : MAKELPARAM(4, 4);
        ::PostMessageW(w, message, (s == Down || s == DoubleDown) ? MK_LBUTTON : 0, at);
      }
      p.Pump();
      EXPECT_EQ(p.shell.opened.size(), c.presses) << c.what << " on " << button;
    }
    // Two real clicks at once, which the system itself makes a double-click.
    ::GetWindowRect(w, &r);
    ASSERT_TRUE(::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    p.Pump();
    p.shell.opened.clear();
    std::array<INPUT, 4> clicks{};
    for (std::size_t i = 0; i < clicks.size(); ++i) {
      clicks[i].type = INPUT_MOUSE;
      clicks[i].mi.dwFlags = i % 2 == 0 ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    }
    ASSERT_EQ(::SendInput(static_cast<UINT>(clicks.size()), clicks.data(), sizeof(INPUT)), clicks.size());
    p.Pump();
    EXPECT_EQ(p.shell.opened.size(), 2U) << "a real double-click on " << button;
  }
  EXPECT_NE(p.Window(L"Ab"), nullptr);
}

// A control is reached only as what its kind is, and what is reached is
// its own window.
TEST_F(Windows, EachControlIsReachedOnlyAsWhatItIs) {
  using platform::Kind;
  const auto reached = [](const auto& reach) {
    try {
      reach();
      return true;
    } catch (const platform::Failure&) {
      return false;
    }
  };
  OpenAbout();
  for (const platform::FormDesign* design : {&ui::kMainDesign, &ui::kAboutDesign}) {
    platform::Form& form = p.forms.Instance(design->name);
    for (const platform::ControlDesign& c : design->controls) {
      const std::wstring name(c.name);
      const bool windowed = c.kind != Kind::WebBrowser;
      EXPECT_EQ(reached([&] { form.TextBoxNamed(name); }), c.kind == Kind::TextBox) << name;
      EXPECT_EQ(reached([&] { form.ProgressBarNamed(name); }), c.kind == Kind::ProgressBar) << name;
      EXPECT_EQ(reached([&] { form.WebBrowserNamed(name); }), !windowed) << name;
      EXPECT_EQ(reached([&] { form.ControlNamed(name); }), windowed) << name;
      if (windowed) {
        form.ControlNamed(name).SetEnabled(false);
        EXPECT_FALSE(::IsWindowEnabled(p.Control(design->name, name))) << name;
        form.ControlNamed(name).SetEnabled(true);
        EXPECT_TRUE(::IsWindowEnabled(p.Control(design->name, name))) << name;
      }
    }
  }
}

TEST_F(Windows, CloseBoxEndsTheProgramWithNoAboutLeft) {
  for (const bool about_open : {false, true}) {
    RealProgram q;
    if (about_open) {
      q.forms.Dispatch([&q] { q.program.Ab().Show(); });
      q.Pump();
      ASSERT_NE(q.Window(L"Ab"), nullptr);
    }
    // With About open the main window is disabled: the system closes it.
    ::PostMessageW(q.Window(L"S"), about_open ? WM_CLOSE : WM_SYSCOMMAND, about_open ? 0 : SC_CLOSE, 0);
    q.Pump();
    EXPECT_TRUE(q.quit) << about_open;
    EXPECT_FALSE(q.forms.AnyLoaded()) << about_open;
    EXPECT_FALSE(q.forms.Ended());
    q.forms.Release();  // the terminate handlers create no window
    EXPECT_FALSE(q.forms.AnyLoaded());
    EXPECT_EQ(::FindWindowW(L"Brimsweep_S", nullptr), p.Window(L"S"));
  }
}

TEST_F(Windows, UntrappedFailureIsReportedAndTheProgramGoesOn) {
  p.forms.Dispatch([] { throw platform::Failure("Object was unloaded"); });
  const auto seen = boxes.Seen();
  ASSERT_EQ(seen.size(), 1U);
  EXPECT_EQ(seen[0].title, L"Brimsweep 1.8");
  EXPECT_EQ(seen[0].text, L"Run-time error: Object was unloaded");
  EXPECT_TRUE(p.forms.AnyLoaded());
  EXPECT_FALSE(p.quit);
}

TEST_F(Windows, AboutWhoseControlFailsIsReportedAndNotLeftLoaded) {
  p.browser_fails = true;
  ::SetFocus(p.Control(L"S", L"Cmd3"));
  p.Key(VK_RETURN);
  const auto seen = boxes.Seen();
  ASSERT_EQ(seen.size(), 1U);
  EXPECT_EQ(seen[0].text, L"Run-time error: Cannot create the browser control");
  EXPECT_EQ(p.Window(L"Ab"), nullptr);
  EXPECT_TRUE(MainEnabled());
  p.browser_fails = false;
  p.Key(VK_RETURN);  // the focus is back on "About"
  EXPECT_NE(p.Window(L"Ab"), nullptr);
}

}  // namespace
}  // namespace brim::testing
