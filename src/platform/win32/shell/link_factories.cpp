#include <windows.h>
// After windows.h, which it needs.
#include <objbase.h>

#include <string>

#include "links/link_texts.h"
#include "platform/failure.h"
#include "platform/win32/shell/factories.h"
#include "platform/win32/shell/late_bound.h"
#include "platform/win32/shell/shell_open.h"

namespace brim::platform::win32 {
namespace {

static_assert(links::kShowNormal == SW_SHOWNORMAL);

using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);

// Some link handlers are shell extensions that need COM on the calling
// thread. Set it up once, at the first link, not at start-up. Without ole32
// the shell can still open plain handlers, so its absence is no failure.
void EnsureComOnThisThread() {
  static bool done = false;
  if (done) {
    return;
  }
  done = true;
  static LateBoundEntry co_initialize(L"ole32.dll", "CoInitializeEx");
  try {
    const auto init = co_initialize.As<CoInitializeExFn>();
    // S_FALSE or RPC_E_CHANGED_MODE: COM is already there in some form.
    static_cast<void>(init(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
  } catch (const Failure&) {  // NOLINT(bugprone-empty-catch): see above
  }
}

class ShellExecuteShell : public Shell {
 public:
  explicit ShellExecuteShell(LateBoundEntry& entry) : entry_(entry) {}

  void Execute(NativeWindow owner, std::wstring_view operation, std::wstring_view file,
               std::wstring_view parameters, std::wstring_view directory, int show) override {
    // Bound before anything else, so a missing shell ends the caller here.
    const auto open = entry_.As<ShellExecuteFn>();
    EnsureComOnThisThread();
    // The views need not be terminated; the shell wants terminated texts.
    const std::wstring op(operation);
    const std::wstring f(file);
    const std::wstring params(parameters);
    const std::wstring dir(directory);
    // NOLINTNEXTLINE(performance-no-int-to-ptr): handles cross the platform seam as integers
    auto* const window = reinterpret_cast<HWND>(owner);
    // The result is not looked at: an unhandled link is the shell's business.
    static_cast<void>(open(window, op.c_str(), f.c_str(), params.c_str(), dir.c_str(), show));
  }

 private:
  LateBoundEntry& entry_;
};

// Stands in for the hidden browser control: all it is ever given is a mail
// link, which goes unchanged to the handler registered for its scheme.
class ShellBrowser : public WebBrowser {
 public:
  explicit ShellBrowser(Shell& shell) : shell_(shell) {}
  void Navigate(std::wstring_view url) override {
    shell_.Execute(0, links::kOpenOperation, url, L"", L"", links::kShowNormal);
  }

 private:
  Shell& shell_;
};

LateBoundEntry& ShellExecuteBinding() {
  // One binding for the whole run, however often the About window is opened.
  static LateBoundEntry binding(L"shell32.dll", "ShellExecuteW");
  return binding;
}

}  // namespace

std::unique_ptr<Shell> MakeShellBoundThrough(LateBoundEntry& entry) {
  return std::make_unique<ShellExecuteShell>(entry);
}

std::unique_ptr<Shell> MakeShell() { return MakeShellBoundThrough(ShellExecuteBinding()); }

std::unique_ptr<WebBrowser> MakeWebBrowser(Shell& shell) { return std::make_unique<ShellBrowser>(shell); }

}  // namespace brim::platform::win32
