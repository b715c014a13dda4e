// Presses the About window's link buttons of a running program the way a user
// would (button clicks posted to the real controls) and checks what reaches
// the link catcher registered for http, https and mailto.
//
// Usage: about_driver.exe CATCH_FILE
// The program under test must already be starting, with BRIM_LINK_CATCH_FILE
// set to the same CATCH_FILE. Exit code 0 when every check held.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "links/expected_links.h"
#include "window_finder.h"

namespace {

const std::wstring kTitle = L"Brimsweep 1.8";
using brim::expected::kArticle;
using brim::expected::kDonation;
using brim::expected::kMail;
using brim::expected::kThanks;

int failures = 0;

void Check(bool ok, const std::wstring& what) {
  std::wprintf(L"%ls: %ls\n", ok ? L"ok" : L"FAILED", what.c_str());
  std::fflush(stdout);
  if (!ok) {
    ++failures;
  }
}

// Polls for up to ten seconds.
template <typename Probe>
auto WaitFor(Probe&& probe) {
  return brim::windows::WaitFor(std::forward<Probe>(probe), std::chrono::seconds(10),
                                std::chrono::milliseconds(50));
}

// A visible top-level window by caption (of `process`, 0: of any); `dialog` asks for a message box.
HWND TopLevel(const std::wstring& caption, bool dialog, DWORD process) {
  return brim::windows::VisibleTopLevel(process, [&](HWND window) {
    return brim::windows::TextOf(window) == caption &&
           (brim::windows::ClassOf(window) == L"#32770") == dialog;
  });
}

HWND Child(HWND parent, const std::wstring& text) { return brim::windows::ChildWithText(parent, text); }

// Posted, not sent: "Donate" stays inside its handler until the box is closed.
void Press(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

std::vector<std::wstring> Caught(const std::wstring& path) {
  std::ifstream in(path.c_str());
  std::vector<std::wstring> lines;
  for (std::string line; std::getline(in, line);) {
    lines.emplace_back(line.begin(), line.end());  // the links are ASCII
  }
  return lines;
}

std::vector<std::wstring> WaitForCaught(const std::wstring& path, std::size_t count) {
  std::vector<std::wstring> lines;
  WaitFor([&] { return (lines = Caught(path)).size() >= count; });
  return lines;
}

void CheckStillAsLeft(HWND main, HWND about, const std::wstring& button) {
  Check(IsWindow(about) != FALSE && IsWindowVisible(about) != FALSE, L"About still open after " + button);
  Check(IsWindowEnabled(main) == FALSE, L"main window still disabled after " + button);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fwprintf(stderr, L"usage: about_driver CATCH_FILE\n");
    return 2;
  }
  const std::wstring catch_file = argv[1];

  const HWND main = WaitFor([] { return TopLevel(kTitle, false, 0); });
  Check(main != nullptr, L"main window found");
  if (main == nullptr) {
    return 1;
  }
  const DWORD process = brim::windows::ProcessOf(main);

  Press(Child(main, L"About"));
  const HWND about = WaitFor([&] { return TopLevel(L"About", false, process); });
  Check(about != nullptr, L"About window opened");
  if (about == nullptr) {
    return 1;
  }
  const HWND blog = Child(about, L"Blog");
  const HWND donate = Child(about, L"Donate");
  const HWND email = Child(about, L"Email Me");
  Check(blog != nullptr && donate != nullptr && email != nullptr, L"the three link buttons found");

  Press(blog);
  auto lines = WaitForCaught(catch_file, 1);
  Check(lines.size() == 1 && lines[0] == L"\"" + kArticle + L"\"",
        L"Blog delivered the article link exactly");
  CheckStillAsLeft(main, about, L"Blog");

  Press(donate);
  const HWND box = WaitFor([&] { return TopLevel(kTitle, true, process); });
  Check(box != nullptr, L"Donate shows a box titled with the application title");
  if (box != nullptr) {
    Check(Child(box, kThanks) != nullptr, L"the box thanks the user");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Check(Caught(catch_file).size() == 1, L"no payment page while the box is up");
    Press(Child(box, L"OK"));
  }
  lines = WaitForCaught(catch_file, 2);
  Check(lines.size() == 2 && lines[1] == L"\"" + kDonation + L"\"",
        L"Donate delivered the payment link exactly");
  CheckStillAsLeft(main, about, L"Donate");

  Press(email);
  lines = WaitForCaught(catch_file, 3);
  Check(lines.size() == 3 && lines[2] == L"\"" + kMail + L"\"", L"Email Me delivered the mail link exactly");
  CheckStillAsLeft(main, about, L"Email Me");

  Press(blog);
  lines = WaitForCaught(catch_file, 4);
  Check(lines.size() == 4 && lines[3] == L"\"" + kArticle + L"\"",
        L"Blog pressed again opened the article again");

  Press(Child(about, L"OK"));
  Check(WaitFor([&] { return IsWindowEnabled(main) != FALSE; }),
        L"OK closed About and enabled the main window");
  return failures == 0 ? 0 : 1;
}
