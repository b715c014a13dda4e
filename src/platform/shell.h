#pragma once

#include <cstdint>
#include <string_view>

namespace brim::platform {

// A native window handle, kept as an integer so platform-free code can hold it.
using NativeWindow = std::uintptr_t;

// A window of the program whose native handle can be read (reading may throw).
class HasNativeWindow {
 public:
  virtual ~HasNativeWindow() = default;
  [[nodiscard]] virtual NativeWindow hWnd() const = 0;
};

// The shell's open operation. The result is not reported: callers discard it.
class Shell {
 public:
  virtual ~Shell() = default;
  virtual void Execute(NativeWindow owner, std::wstring_view operation, std::wstring_view file,
                       std::wstring_view parameters, std::wstring_view directory, int show) = 0;
};

// Stands in for the hidden browser control: only the one operation used.
class WebBrowser {
 public:
  virtual ~WebBrowser() = default;
  virtual void Navigate(std::wstring_view url) = 0;
};

}  // namespace brim::platform
