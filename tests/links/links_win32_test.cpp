// The links through the real Win32 shell under Wine, with a real owner window.
//
// What Wine does to each link on its way out (Wine 8):
// - ShellExecuteW looks the scheme up under HKCR\<scheme>\shell\open\command
//   (case-blind, so "MailTo" finds "mailto") and starts that command with %1
//   replaced by the text as given: a handler registered there receives each
//   link exactly.
// - Wine's stock handler for http, https and mailto is winebrowser, which
//   parses the link and hands its own canonical form to the program named
//   under HKCU\Software\Wine\WineBrowser ("Browsers", "Mailers"):
//   the article link passes unchanged; the donation link loses one escape
//   ("donate%40example%2eorg" becomes "donate%40example.org"); the mail link
//   becomes "mailto:varnholt@example.net?subject=Brimsweep%201.8".
// So exactness is checked at the program's own seam and at a handler
// registered in HKCR; behind winebrowser only the meaning is compared.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "links/expected_links.h"
#include "links/outside_links.h"
#include "links/recording_links.h"
#include "links/registry_override.h"
#include "platform/failure.h"
#include "platform/win32/shell/factories.h"
#include "platform/win32/shell/late_bound.h"
#include "platform/win32/shell/shell_open.h"
#include "platform/win32/text.h"

namespace brim::links {
namespace {

using fakes::Log;
using platform::Failure;
using testing_win32::RegistryOverride;

using expected::kArticle;
using expected::kDonation;
using expected::kMail;
const std::wstring kStockCommand = L"\"C:\\windows\\system32\\winebrowser.exe\" \"%1\"";

struct WindowRelease {
  void operator()(HWND window) const { DestroyWindow(window); }
};
using Window = std::unique_ptr<std::remove_pointer_t<HWND>, WindowRelease>;

class Win32Window : public platform::HasNativeWindow {
 public:
  Win32Window()
      : window_(CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"About", WS_OVERLAPPEDWINDOW, 0, 0, 217, 118,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr)) {}
  [[nodiscard]] platform::NativeWindow hWnd() const override {
    return reinterpret_cast<platform::NativeWindow>(window_.get());
  }
  [[nodiscard]] HWND get() const { return window_.get(); }

 private:
  Window window_;
};

std::vector<std::wstring> ReadLines(const std::wstring& path) {
  std::ifstream in(path.c_str());  // MinGW's libstdc++ takes a wide path
  std::vector<std::wstring> lines;
  for (std::string line; std::getline(in, line);) {
    lines.push_back(platform::win32::WidenUtf8(line));
  }
  return lines;
}

// The handlers run as processes of their own: wait until they have written.
std::vector<std::wstring> WaitForLines(const std::wstring& path, std::size_t count) {
  std::vector<std::wstring> lines;
  for (int i = 0; i < 300 && (lines = ReadLines(path)).size() < count; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return lines;
}

std::wstring BesideThisProgram(const std::wstring& name) {
  std::wstring path(MAX_PATH, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
  return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

// Lower-cased scheme, escapes decoded: what is left when only the form differs.
std::wstring Meaning(const std::wstring& link) {
  std::wstring out;
  const std::size_t colon = link.find(L':');
  for (std::size_t i = 0; i < link.size(); ++i) {
    if (link[i] == L'%' && i + 2 < link.size()) {
      out += static_cast<wchar_t>(std::stoi(std::wstring(link, i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += i < colon ? static_cast<wchar_t>(towlower(link[i])) : link[i];
    }
  }
  return out;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

class LinksUnderWine : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(about.get(), nullptr);
    // The Unix catcher writes into the test's drive folder, mapped as L:.
    ASSERT_NE(std::getenv("BRIM_TEST_DRIVE_DIR"), nullptr);
  }

  void ExpectOpenedByAbout(const fakes::ShellCall& call, const std::wstring& url) const {
    EXPECT_EQ(call.file, url);
    EXPECT_EQ(call.operation, L"Open");
    EXPECT_EQ(call.parameters, L"");
    EXPECT_EQ(call.directory, L"");
    EXPECT_EQ(call.owner, about.hWnd());
    EXPECT_EQ(call.show, SW_SHOWNORMAL);
  }

  Log log;
  Win32Window about;
  std::unique_ptr<platform::Shell> real_shell = platform::win32::MakeShell();
  fakes::RecordingShell shell{log, real_shell.get()};
  std::unique_ptr<platform::WebBrowser> real_browser = platform::win32::MakeWebBrowser(shell);
  fakes::RecordingBrowser browser{log, real_browser.get()};
  fakes::FakeMessageBox box{log};
  AboutContext ab{about, shell, browser, box};
};

TEST_F(LinksUnderWine, EachButtonDeliversItsExactLinkToTheRegisteredHandler) {
  const std::wstring command = Quoted(BesideThisProgram(L"link_catcher.exe")) + L" \"%1\"";
  const RegistryOverride http(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", L"", command);
  const RegistryOverride https(HKEY_CLASSES_ROOT, L"https\\shell\\open\\command", L"", command);
  const RegistryOverride mailto(HKEY_CLASSES_ROOT, L"mailto\\shell\\open\\command", L"", command);
  const std::wstring caught = L"L:\\caught.txt";
  ASSERT_TRUE(SetEnvironmentVariableW(L"BRIM_LINK_CATCH_FILE", caught.c_str()));

  // One at a time: the handlers are separate processes and may finish out of order.
  Blog_Click(ab);
  WaitForLines(caught, 1);
  Cmd4_Click(ab);
  WaitForLines(caught, 2);
  Cmd2_Click(ab);
  WaitForLines(caught, 3);
  Blog_Click(ab);
  EXPECT_EQ(WaitForLines(caught, 4), (std::vector<std::wstring>{Quoted(kArticle), Quoted(kDonation),
                                                                Quoted(kMail), Quoted(kArticle)}));

  // At the seam, before the platform sees anything.
  EXPECT_EQ(browser.urls, std::vector<std::wstring>{kMail});
  ASSERT_EQ(shell.calls.size(), 4U);
  ExpectOpenedByAbout(shell.calls[0], kArticle);
  ExpectOpenedByAbout(shell.calls[1], kDonation);
  // The browser stand-in opens the mail link as the web links are opened,
  // with the same operation and show command, but for no window of its own.
  EXPECT_EQ(shell.calls[2].file, kMail);
  EXPECT_EQ(shell.calls[2].operation, L"Open");
  EXPECT_EQ(shell.calls[2].show, SW_SHOWNORMAL);
  EXPECT_EQ(shell.calls[2].owner, 0U);
  ExpectOpenedByAbout(shell.calls[3], kArticle);
  EXPECT_EQ(log[1], L"box:Donations are highly appreciated.");
  EXPECT_TRUE(IsWindow(about.get()));
}

TEST_F(LinksUnderWine, BehindWinebrowserTheLinksKeepTheirMeaning) {
  const std::wstring catcher = platform::win32::WidenUtf8(BRIM_UNIX_CATCHER);
  const RegistryOverride http(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", L"", kStockCommand);
  const RegistryOverride https(HKEY_CLASSES_ROOT, L"https\\shell\\open\\command", L"", kStockCommand);
  const RegistryOverride mailto(HKEY_CLASSES_ROOT, L"mailto\\shell\\open\\command", L"", kStockCommand);
  const RegistryOverride browsers(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", L"Browsers", catcher);
  const RegistryOverride mailers(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", L"Mailers", catcher);
  const std::wstring caught = L"L:\\winebrowser.txt";
  DeleteFileW(caught.c_str());

  Blog_Click(ab);
  WaitForLines(caught, 1);
  Cmd4_Click(ab);
  WaitForLines(caught, 2);
  Cmd2_Click(ab);
  const std::vector<std::wstring> lines = WaitForLines(caught, 3);
  ASSERT_EQ(lines.size(), 3U);
  EXPECT_EQ(lines[0], kArticle);
  EXPECT_EQ(Meaning(lines[1]), Meaning(kDonation)) << lines[1];
  EXPECT_EQ(Meaning(lines[2]), Meaning(kMail)) << lines[2];
}

TEST_F(LinksUnderWine, WithNoHandlerRegisteredNothingOpensAndNothingIsReported) {
  const RegistryOverride http(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", L"", std::nullopt);
  const RegistryOverride https(HKEY_CLASSES_ROOT, L"https\\shell\\open\\command", L"", std::nullopt);
  // Should the shell fall back on winebrowser anyway, this would catch it.
  const std::wstring catcher = platform::win32::WidenUtf8(BRIM_UNIX_CATCHER);
  const RegistryOverride browsers(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", L"Browsers", catcher);
  const std::wstring caught = L"L:\\winebrowser.txt";
  DeleteFileW(caught.c_str());

  EXPECT_NO_THROW(Blog_Click(ab));
  EXPECT_NO_THROW(Cmd4_Click(ab));
  EXPECT_NO_THROW(Blog_Click(ab));
  std::this_thread::sleep_for(std::chrono::seconds(1));
  EXPECT_TRUE(ReadLines(caught).empty());
  EXPECT_EQ(box.shown.size(), 1U);  // the thanks only
  EXPECT_EQ(shell.calls.size(), 3U);
  EXPECT_TRUE(IsWindow(about.get()));
  EXPECT_TRUE(IsWindowEnabled(about.get()));
}

TEST(LateBinding, AMissingLibraryOrEntryFailsAndEndsTheHandler) {
  platform::win32::LateBoundEntry no_library(L"brim_no_such_shell.dll", "ShellExecuteW");
  try {
    no_library.Get();
    ADD_FAILURE() << "bound a missing library";
  } catch (const Failure& failure) {
    EXPECT_STREQ(failure.what(), "File not found: brim_no_such_shell.dll");
    EXPECT_EQ(failure.code(), static_cast<std::uint32_t>(ERROR_MOD_NOT_FOUND));
  }
  platform::win32::LateBoundEntry no_entry(L"shell32.dll", "BrimNoSuchEntry");
  EXPECT_THROW(no_entry.Get(), Failure);

  Log log;
  const fakes::FakeWindow about(0);
  const auto shell = platform::win32::MakeShellBoundThrough(no_library);
  const auto browser = platform::win32::MakeWebBrowser(*shell);
  fakes::FakeMessageBox box(log);
  const AboutContext ab{about, *shell, *browser, box};
  EXPECT_THROW(Blog_Click(ab), Failure);
  EXPECT_THROW(Cmd4_Click(ab), Failure);
  EXPECT_THROW(Cmd2_Click(ab), Failure);
  EXPECT_EQ(log, Log{L"box:Donations are highly appreciated."});
}

TEST(LateBinding, TheFirstBindingIsKept) {
  platform::win32::LateBoundEntry entry(L"shell32.dll", "ShellExecuteW");
  const auto first = entry.Get();
  EXPECT_EQ(entry.Get(), first);
  EXPECT_EQ(reinterpret_cast<void*>(first),
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"shell32.dll"), "ShellExecuteW")));
}

}  // namespace
}  // namespace brim::links
