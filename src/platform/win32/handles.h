#pragma once
// Owners of the window-system objects the forms layer creates.

#include "platform/win32/windows_api.h"

#include <memory>
#include <type_traits>

namespace brim::platform::win32 {

struct WindowDestroyer {
  void operator()(HWND w) const noexcept { ::DestroyWindow(w); }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

struct GdiDeleter {
  void operator()(HGDIOBJ o) const noexcept { ::DeleteObject(o); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiDeleter>;

struct DcReleaser {
  HWND window;
  void operator()(HDC dc) const noexcept { ::ReleaseDC(window, dc); }
};
using WindowDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcReleaser>;

}  // namespace brim::platform::win32
