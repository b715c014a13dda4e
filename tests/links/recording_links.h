#pragma once
// Recording stand-ins for the shell, the hidden browser and a window handle.
// With an inner object they record and pass the call on, so the Win32 tests
// can see the text at the program's own seam before the platform touches it.

#include <string>
#include <vector>

#include "fakes/fake_controls.h"
#include "platform/failure.h"
#include "platform/shell.h"

namespace brim::fakes {

struct ShellCall {
  platform::NativeWindow owner;
  std::wstring operation;
  std::wstring file;
  std::wstring parameters;
  std::wstring directory;
  int show;
};

class RecordingShell : public platform::Shell {
 public:
  explicit RecordingShell(Log& log, platform::Shell* inner = nullptr) : log_(log), inner_(inner) {}
  void Execute(platform::NativeWindow owner, std::wstring_view operation, std::wstring_view file,
               std::wstring_view parameters, std::wstring_view directory, int show) override {
    log_.push_back(L"shell:" + std::wstring(file));
    calls.push_back({owner, std::wstring(operation), std::wstring(file), std::wstring(parameters),
                     std::wstring(directory), show});
    if (fail) {
      throw platform::Failure("Can't find DLL entry point");
    }
    if (inner_ != nullptr) {
      inner_->Execute(owner, operation, file, parameters, directory, show);
    }
  }
  std::vector<ShellCall> calls;
  bool fail = false;

 private:
  Log& log_;
  platform::Shell* inner_;
};

class RecordingBrowser : public platform::WebBrowser {
 public:
  explicit RecordingBrowser(Log& log, platform::WebBrowser* inner = nullptr) : log_(log), inner_(inner) {}
  void Navigate(std::wstring_view url) override {
    log_.push_back(L"navigate:" + std::wstring(url));
    urls.emplace_back(url);
    if (fail) {
      throw platform::Failure("Navigation failed");
    }
    if (inner_ != nullptr) {
      inner_->Navigate(url);
    }
  }
  std::vector<std::wstring> urls;
  bool fail = false;

 private:
  Log& log_;
  platform::WebBrowser* inner_;
};

// A window whose handle may be unreadable (as when its object is gone).
class FakeWindow : public platform::HasNativeWindow {
 public:
  explicit FakeWindow(platform::NativeWindow handle) : handle_(handle) {}
  [[nodiscard]] platform::NativeWindow hWnd() const override {
    if (unreadable) {
      throw platform::Failure("Object was unloaded");
    }
    return handle_;
  }
  bool unreadable = false;

 private:
  platform::NativeWindow handle_;
};

}  // namespace brim::fakes
