#include "platform/win32/forms/forms_win32.h"

#include <algorithm>
#include <exception>
#include <string>
#include <utility>

#include "platform/failure.h"
#include "platform/win32/forms/message_box.h"
#include "platform/win32/text.h"

namespace brim::platform::win32 {
namespace {

struct DepthGuard {
  explicit DepthGuard(int& depth) : depth_(depth) { ++depth_; }
  ~DepthGuard() { --depth_; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;

 private:
  int& depth_;
};

}  // namespace

FormsRuntime::FormsRuntime(MakeBrowser make_browser)
    : make_browser_(std::move(make_browser)),
      box_(std::make_unique<AppMessageBox>([this] { ShowHeldBackProgress(false); })) {
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = sizeof icc;
  icc.dwICC = ICC_PROGRESS_CLASS;
  ::InitCommonControlsEx(&icc);
}

FormsRuntime::~FormsRuntime() {
  // Only frees: the handlers' objects may be gone by now. Run() and
  // Release() are where terminate handlers run.
  released_ = true;
  instances_.ForEachPresent([](Win32Form& f) { f.CloseSilently(); });
}

void FormsRuntime::Register(const FormClass& cls) { instances_.Register(cls); }

Form& FormsRuntime::Instance(std::wstring_view name) {
  return instances_.Obtain(name,
                           [this](const FormClass& cls) { return std::make_unique<Win32Form>(*this, cls); });
}

Form* FormsRuntime::Existing(std::wstring_view name) { return instances_.Find(name); }

Win32Form* FormsRuntime::FindByWindow(HWND window) const {
  return window == nullptr ? nullptr
                           : instances_.FindIf([window](const Win32Form& f) { return f.Window() == window; });
}

HWND FormsRuntime::OtherActivatable(const Win32Form* except) const {
  const Win32Form* other = instances_.FindIf([except](const Win32Form& f) {
    HWND w = f.Window();
    return &f != except && w != nullptr && ::IsWindowVisible(w) != FALSE && ::IsWindowEnabled(w) != FALSE;
  });
  return other != nullptr ? other->Window() : nullptr;
}

bool FormsRuntime::AnyLoaded() const { return instances_.AnyLoaded(); }

void FormsRuntime::ShowHeldBackProgress(bool when_due) const {
  instances_.ForEachPresent([when_due](const Win32Form& f) { f.ShowHeldBackProgress(when_due); });
}

void FormsRuntime::End() {
  ended_ = true;
  instances_.ForEachPresent([](Win32Form& f) { f.CloseSilently(); });
  if (!quit_posted_) {
    quit_posted_ = true;
    ::PostQuitMessage(0);
  }
}

bool FormsRuntime::Dispatch(const std::function<void()>& handler) {
  if (ended_ || depth_ > 0) {
    return false;
  }
  {
    const DepthGuard guard(depth_);
    try {
      handler();
    } catch (const std::exception& e) {
      if (!ended_) {
        ReportUntrapped(WidenAnsi(e.what()));
      }
    } catch (...) {
      if (!ended_) {
        ReportUntrapped(L"Unknown failure");
      }
    }
  }
  ShowHeldBackProgress(false);  // a handler never leaves a bar behind its value
  for (const auto& hook : after_handler_) {
    hook();
  }
  // The program ends once no window is open and no handler is running.
  if (!ended_ && !quit_posted_ && !AnyLoaded()) {
    quit_posted_ = true;
    ::PostQuitMessage(0);
  }
  return true;
}

void FormsRuntime::ReportUntrapped(const std::wstring& description) {
  box_->Show(L"Run-time error: " + description, MB_OK | MB_ICONERROR);
}

void FormsRuntime::ProcessMessage(MSG& msg) const {
  if (msg.hwnd != nullptr) {
    HWND root = ::GetAncestor(msg.hwnd, GA_ROOT);
    if (root != nullptr && FindByWindow(root) != nullptr && ::IsDialogMessageW(root, &msg) != FALSE) {
      return;
    }
  }
  ::TranslateMessage(&msg);
  ::DispatchMessageW(&msg);
}

int FormsRuntime::Run() {
  MSG msg{};
  int code = 0;
  for (;;) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      code = static_cast<int>(msg.wParam);
      break;
    }
    if (got == -1) {
      code = 1;
      break;
    }
    ProcessMessage(msg);
  }
  Release();
  return code;
}

void FormsRuntime::Release() {
  if (released_) {
    return;
  }
  released_ = true;
  if (!ended_) {
    // Handlers may reach instances by name: only those there now are released.
    instances_.ForEachPresent([this](Win32Form& f) { Dispatch([&f] { f.Events().Form_Terminate(); }); });
  }
  instances_.ForEachPresent([](Win32Form& f) { f.CloseSilently(); });
  instances_.Clear();
}

}  // namespace brim::platform::win32
