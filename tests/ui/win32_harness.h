#pragma once
// The real program in the test's own thread, on the Win32 forms layer, and
// the tools of a dialog test: hand-made keys, a pump, a message-box watcher.

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/failure.h"
#include "platform/win32/forms/breather.h"
#include "platform/win32/forms/dpi.h"
#include "platform/win32/forms/forms_win32.h"
#include "platform/win32/removal/removal_front.h"
#include "platform/win32/shell/factories.h"
#include "platform/win32/windows_api.h"

#include "ui/program.h"

namespace brim::testing {

namespace win32 = platform::win32;

inline std::wstring WindowText(HWND w) {
  wchar_t buffer[1024] = {};
  ::GetWindowTextW(w, buffer, 1024);
  return buffer;
}

inline std::wstring ClassOf(HWND w) {
  wchar_t buffer[256] = {};
  ::GetClassNameW(w, buffer, 256);
  return buffer;
}

struct SeenBox {
  std::wstring title;
  std::wstring text;
  HWND owner;
};

// Finds the message boxes of one thread (class #32770), notes their title,
// text and owner, and presses their OK.
class BoxWatcher {
 public:
  explicit BoxWatcher(DWORD thread) : thread_(thread), worker_([this] { Watch(); }) {}
  ~BoxWatcher() {
    stop_ = true;
    worker_.join();
  }
  BoxWatcher(const BoxWatcher&) = delete;
  BoxWatcher& operator=(const BoxWatcher&) = delete;

  std::vector<SeenBox> Seen() {
    const std::lock_guard lock(mutex_);
    return seen_;
  }

 private:
  void Watch() {
    while (!stop_) {
      ::EnumThreadWindows(thread_, &BoxWatcher::OnWindow, reinterpret_cast<LPARAM>(this));
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  static BOOL CALLBACK OnWindow(HWND w, LPARAM self) {
    auto* watcher = reinterpret_cast<BoxWatcher*>(self);
    if (ClassOf(w) == L"#32770" && ::IsWindowVisible(w) != FALSE) {
      bool known = false;
      {
        const std::lock_guard lock(watcher->mutex_);
        for (HWND h : watcher->dismissed_) {
          known = known || h == w;
        }
        if (!known) {
          watcher->dismissed_.push_back(w);
          wchar_t text[1024] = {};
          ::GetDlgItemTextW(w, 0xFFFF, text, 1024);  // the message's static text
          watcher->seen_.push_back({WindowText(w), text, ::GetWindow(w, GW_OWNER)});
        }
      }
      if (!known) {
        ::PostMessageW(w, WM_COMMAND, IDOK, 0);
      }
    }
    return TRUE;
  }

  DWORD thread_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<SeenBox> seen_;
  std::vector<HWND> dismissed_;
  std::thread worker_;
};

// A shell and browser that only record: no test opens a real link.
class QuietShell : public platform::Shell {
 public:
  void Execute(platform::NativeWindow, std::wstring_view, std::wstring_view file, std::wstring_view,
               std::wstring_view, int) override {
    opened.emplace_back(file);
  }
  std::vector<std::wstring> opened;
};

struct RealProgram {
  QuietShell shell;
  bool browser_fails = false;  // the browser stand-in can't be made
  win32::FormsRuntime forms{[this] {
    if (browser_fails) {
      throw platform::Failure("Cannot create the browser control");
    }
    return win32::MakeWebBrowser(shell);
  }};
  win32::PaintBreather breather{forms};
  win32::RemovalFront removal{&breather};
  ui::Program program{forms, ui::Services{removal.Folders(), removal.Files(), shell, &breather}};
  bool quit = false;

  RealProgram() {
    forms.AfterEachHandler([this] { removal.EndRun(); });  // as in the program
    win32::EnableDpiAwareness();
    forms.Register(program.MainClass());
    forms.Register(program.AboutClass());
    forms.Dispatch([this] { program.S().Show(); });
    Pump();
  }

  // Handles everything queued, until the queue stays empty for a moment.
  // Until the queue has been idle for 60 ms, or 5 s at most: a stream of
  // messages (a hover timer, say) must fail a test, not hang it.
  void Pump() {
    const auto start = std::chrono::steady_clock::now();
    auto idle_since = start;
    while (std::chrono::steady_clock::now() - idle_since < std::chrono::milliseconds(60) &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
      MSG msg;
      if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
        if (msg.message == WM_QUIT) {
          quit = true;
        } else {
          forms.ProcessMessage(msg);
        }
        idle_since = std::chrono::steady_clock::now();
      } else {
        ::Sleep(5);
      }
    }
  }

  // A key as the keyboard would deliver it: to the focused control, through
  // the message loop and so through the dialog manager.
  void Key(UINT vk) {
    HWND focus = ::GetFocus();
    ::PostMessageW(focus, WM_KEYDOWN, vk, 1);
    ::PostMessageW(focus, WM_KEYUP, vk, 0xC0000001);
    Pump();
  }
  void Char(wchar_t c) {
    ::PostMessageW(::GetFocus(), WM_CHAR, c, 1);
    Pump();
  }

  HWND Window(std::wstring_view form) const {
    const win32::Win32Form* f = forms.Find(form);
    return f != nullptr ? f->Window() : nullptr;
  }
  HWND Control(std::wstring_view form, std::wstring_view name) const {
    const win32::Win32Form* f = forms.Find(form);
    return f != nullptr ? f->ControlWindow(name) : nullptr;
  }
  // Which control of which window has the focus, as "S.U".
  std::wstring Focus() const {
    HWND focus = ::GetFocus();
    for (const std::wstring_view form : {ui::kMainName, ui::kAboutName}) {
      const win32::Win32Form* f = forms.Find(form);
      if (f == nullptr || f->Window() == nullptr) {
        continue;
      }
      if (focus == f->Window()) {
        return std::wstring(form);
      }
      for (const auto& c : (form == ui::kMainName ? ui::kMainDesign : ui::kAboutDesign).controls) {
        if (f->ControlWindow(c.name) == focus && focus != nullptr) {
          return std::wstring(form) + L"." + std::wstring(c.name);
        }
      }
    }
    return L"(elsewhere)";
  }
};

}  // namespace brim::testing
