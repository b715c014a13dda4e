// Where the windows and their controls land, in pixels, at 96 and 144 dpi.

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "platform/win32/forms/placement.h"
#include "ui/win32_harness.h"

namespace brim::testing {
namespace {

struct Row {
  const wchar_t* form;
  const wchar_t* control;  // null: the client area itself
  // In the client area, in pixels:
  RECT at96;   // 15 twips a pixel; every stored value is a multiple of 15.
  RECT at120;  // 12 twips a pixel: most edges fall between pixels and round to the nearest.
  // 10 twips a pixel: odd multiples of 15 fall on half pixels, and every edge
  // rounds up from there, so neighbours stay adjacent (Exit Program meets the bar).
  RECT at144;
};

const std::vector<Row> kRows = {
    {L"S", nullptr, {0, 0, 306, 104}, {0, 0, 383, 130}, {0, 0, 459, 156}},
    {L"S", L"PrB", {0, 77, 306, 104}, {0, 96, 383, 130}, {0, 116, 459, 156}},
    {L"S", L"D", {4, 2, 35, 21}, {5, 3, 44, 26}, {6, 3, 53, 32}},
    {L"S", L"Cmd2", {216, 54, 305, 77}, {270, 68, 381, 96}, {324, 81, 458, 116}},
    {L"S", L"Cmd3", {216, 28, 305, 51}, {270, 35, 381, 64}, {324, 42, 458, 77}},
    {L"S", L"Cmd1", {216, 2, 305, 27}, {270, 3, 381, 34}, {324, 3, 458, 41}},
    {L"S", L"U", {36, 2, 215, 23}, {45, 3, 269, 29}, {54, 3, 323, 35}},
    {L"S", L"Label3", {4, 24, 213, 91}, {5, 30, 266, 114}, {6, 36, 320, 137}},
    {L"Ab", nullptr, {0, 0, 217, 118}, {0, 0, 271, 148}, {0, 0, 326, 177}},
    {L"Ab", L"Blog", {2, 94, 53, 119}, {3, 118, 66, 149}, {3, 141, 80, 179}},
    {L"Ab", L"Cmd4", {54, 94, 113, 119}, {68, 118, 141, 149}, {81, 141, 170, 179}},
    {L"Ab", L"Cmd2", {112, 94, 173, 119}, {140, 118, 216, 149}, {168, 141, 260, 179}},
    {L"Ab", L"Cmd1", {172, 94, 219, 119}, {215, 118, 274, 149}, {258, 141, 329, 179}},
    {L"Ab", L"Label1", {2, 2, 221, 99}, {3, 3, 276, 124}, {3, 3, 332, 149}},
};

int ScreenDpi() {
  HDC dc = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
  ::ReleaseDC(nullptr, dc);
  return dpi;
}

POINT Centre(HWND w) {
  RECT r{};
  ::GetWindowRect(w, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void CheckGeometry(int dpi, RECT Row::*at) {
  RealProgram p;
  // Asked once the program has made the process DPI-aware: before that, Windows
  // since Vista (and Wine 10) tell every process 96.
  ASSERT_EQ(ScreenDpi(), dpi);
  p.forms.Dispatch([&p] { p.program.Ab().Show(); });
  p.Pump();
  for (const Row& row : kRows) {
    const RECT& px = row.*at;
    RECT got{};
    if (row.control == nullptr) {
      ::GetClientRect(p.Window(row.form), &got);
    } else {
      HWND c = p.Control(row.form, row.control);
      ASSERT_NE(c, nullptr) << row.control;
      ::GetWindowRect(c, &got);
      ::MapWindowPoints(nullptr, p.Window(row.form), reinterpret_cast<POINT*>(&got), 2);
    }
    const std::wstring name =
        std::wstring(row.form) + L"." + (row.control != nullptr ? row.control : L"client");
    const std::string where = std::to_string(dpi) + " dpi " + std::string(name.begin(), name.end());
    EXPECT_EQ(got.left, px.left) << where;
    EXPECT_EQ(got.top, px.top) << where;
    EXPECT_EQ(got.right, px.right) << where;
    EXPECT_EQ(got.bottom, px.bottom) << where;
  }

  // S centred on the screen; Ab centred over S.
  const POINT s = Centre(p.Window(L"S"));
  EXPECT_LE(std::abs(s.x - ::GetSystemMetrics(SM_CXSCREEN) / 2), 1);
  EXPECT_LE(std::abs(s.y - ::GetSystemMetrics(SM_CYSCREEN) / 2), 1);
  const POINT ab = Centre(p.Window(L"Ab"));
  EXPECT_LE(std::abs(ab.x - s.x), 1);
  EXPECT_LE(std::abs(ab.y - s.y), 1);

  // U's own font: MS Sans Serif 9.75 pt.
  LOGFONTW lf{};
  auto* font = reinterpret_cast<HFONT>(  // NOLINT(performance-no-int-to-ptr): WM_GETFONT's answer
      ::SendMessageW(p.Control(L"S", L"U"), WM_GETFONT, 0, 0));
  ASSERT_NE(::GetObjectW(font, sizeof lf, &lf), 0);
  EXPECT_EQ(lf.lfHeight, -::MulDiv(975, dpi, 7200));
  EXPECT_EQ(std::wstring(lf.lfFaceName), L"MS Sans Serif");
}

TEST(Geometry, At96Dpi) { CheckGeometry(96, &Row::at96); }

TEST(Geometry, WindowsAndControlsAsStored) {
  RealProgram p;
  p.forms.Dispatch([&p] { p.program.Ab().Show(); });
  p.Pump();
  HWND s = p.Window(L"S");
  HWND ab = p.Window(L"Ab");
  const auto style = [](HWND w) { return static_cast<DWORD>(::GetWindowLongW(w, GWL_STYLE)); };
  const auto ex = [](HWND w) { return static_cast<DWORD>(::GetWindowLongW(w, GWL_EXSTYLE)); };
  for (HWND w : {s, ab}) {
    EXPECT_EQ(style(w) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0U);
    EXPECT_NE(style(w) & WS_SYSMENU, 0U);  // the close box
    EXPECT_NE(ex(w) & WS_EX_TOOLWINDOW, 0U);
  }
  EXPECT_NE(ex(s) & WS_EX_APPWINDOW, 0U);  // in the taskbar
  EXPECT_EQ(ex(ab) & WS_EX_APPWINDOW, 0U);
  EXPECT_EQ(::GetWindow(ab, GW_OWNER), nullptr);
  EXPECT_EQ(WindowText(s), L"Brimsweep 1.8");

  EXPECT_EQ(::SendMessageW(p.Control(L"S", L"D"), EM_GETLIMITTEXT, 0, 0), 1);
  EXPECT_GT(::SendMessageW(p.Control(L"S", L"U"), EM_GETLIMITTEXT, 0, 0), 65535);
  PBRANGE range{};
  ::SendMessageW(p.Control(L"S", L"PrB"), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(range.iLow, 0);
  EXPECT_EQ(range.iHigh, 186);
  EXPECT_EQ(::SendMessageW(p.Control(L"S", L"PrB"), PBM_GETPOS, 0, 0), 0);
  EXPECT_NE(style(p.Control(L"S", L"Label3")) & SS_CENTER, 0U);
  EXPECT_EQ(WindowText(p.Control(L"S", L"Label3")).size(), 168U);
  EXPECT_EQ(WindowText(p.Control(L"S", L"D")), L"C");
  EXPECT_EQ(WindowText(p.Control(L"S", L"U")), L"Administrator");

  // The browser stand-in has no window: Ab's children are the five others.
  int children = 0;
  for (HWND c = ::GetWindow(ab, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
    ++children;
  }
  EXPECT_EQ(children, 5);
  EXPECT_NO_THROW(p.program.Ab().WebBrowserNamed(L"WebBrowser1"));

  // The bar refuses values outside 0..186 and keeps its value.
  auto& bar = p.program.S().ProgressBarNamed(L"PrB");
  bar.SetValue(186.0F);
  EXPECT_THROW(bar.SetValue(186.5F), platform::Failure);
  EXPECT_THROW(bar.SetValue(-1.0F), platform::Failure);
  EXPECT_FLOAT_EQ(bar.Value(), 186.0F);
}

// Placement on a desk of monitors that Wine's one screen can't show: the
// window stays on the monitor of the window it is centred over, clear of the
// taskbar, wherever that monitor lies.
TEST(Placement, CentredOverTheOwnerInsideItsMonitorsWorkArea) {
  using platform::win32::CentredInside;
  const SIZE about{223, 143};
  struct Case {
    const char* what;
    RECT over;
    RECT work;
    POINT expected;
  };
  const std::vector<Case> cases = {
      {"second monitor on the right", {1800, 400, 2112, 531}, {1280, 0, 2560, 994}, {1844, 394}},
      {"its right edge", {2400, 400, 2712, 531}, {1280, 0, 2560, 994}, {2337, 394}},
      {"monitor on the left, at negative x", {-900, 100, -588, 231}, {-1280, 0, 0, 1024}, {-856, 94}},
      {"taskbar along the top", {400, 0, 712, 131}, {0, 40, 1280, 1024}, {444, 40}},
      {"taskbar along the bottom", {400, 950, 712, 1081}, {0, 0, 1280, 994}, {444, 851}},
      {"a work area smaller than the window", {0, 0, 100, 100}, {10, 20, 110, 120}, {10, 20}},
  };
  for (const Case& c : cases) {
    const POINT at = CentredInside(c.over, about, c.work);
    EXPECT_EQ(at.x, c.expected.x) << c.what;
    EXPECT_EQ(at.y, c.expected.y) << c.what;
  }
}

TEST(Placement, WorkAreaIsTheMonitorsOwn) {
  RealProgram p;
  HWND s = p.Window(L"S");
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ASSERT_NE(::GetMonitorInfoW(::MonitorFromWindow(s, MONITOR_DEFAULTTOPRIMARY), &monitor), FALSE);
  const RECT work = platform::win32::WorkAreaOf(s);
  EXPECT_TRUE(::EqualRect(&work, &monitor.rcWork) != FALSE);
  RECT placed{};
  ::GetWindowRect(s, &placed);
  RECT inside{};
  ::IntersectRect(&inside, &placed, &work);
  EXPECT_TRUE(::EqualRect(&inside, &placed) != FALSE) << "the main window lies in the work area";
}

// Runs this program again in the prefix switched to another DPI for the while.
TEST(Geometry, At120And144Dpi) {
  if (std::getenv("BRIM_GEOMETRY_CHILD") != nullptr) {
    GTEST_SKIP();
  }
  const auto set_dpi = [](DWORD dpi) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    ::RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    ::RegCloseKey(key);
  };
  struct Restore {
    decltype(set_dpi)& set;
    ~Restore() { set(96); }
  } restore{set_dpi};
  for (const DWORD dpi : {120U, 144U}) {
    set_dpi(dpi);

    std::array<wchar_t, MAX_PATH> self{};
    ::GetModuleFileNameW(nullptr, self.data(), MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self.data()) + L"\" --gtest_filter=GeometryChild.*";
    ::SetEnvironmentVariableW(L"BRIM_GEOMETRY_CHILD", std::to_wstring(dpi).c_str());
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    const BOOL started =
        ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    ::SetEnvironmentVariableW(L"BRIM_GEOMETRY_CHILD", nullptr);
    ASSERT_NE(started, FALSE);
    EXPECT_EQ(::WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 1;
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    EXPECT_EQ(code, 0U) << "the " << dpi << " dpi run failed; its output is above";
  }
}

TEST(GeometryChild, AtOtherDpi) {
  const char* dpi = std::getenv("BRIM_GEOMETRY_CHILD");
  if (dpi == nullptr) {
    GTEST_SKIP() << "run by Geometry.At120And144Dpi";
  }
  const bool at144 = std::string(dpi) == "144";
  CheckGeometry(at144 ? 144 : 120, at144 ? &Row::at144 : &Row::at120);
}

}  // namespace
}  // namespace brim::testing
