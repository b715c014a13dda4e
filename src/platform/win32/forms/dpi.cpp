#include "platform/win32/forms/dpi.h"

#include <algorithm>

#include "platform/win32/handles.h"
#include "platform/win32/run_time_entry.h"

namespace brim::platform::win32 {

void EnableDpiAwareness() {
  using SetAware = BOOL(WINAPI*)();
  if (const auto set_aware = RunTimeEntry<SetAware>(L"user32.dll", "SetProcessDPIAware")) {
    set_aware();
  }
}

int WindowDpi(HWND window) {
  using GetForWindow = UINT(WINAPI*)(HWND);
  static const auto get_for_window = RunTimeEntry<GetForWindow>(L"user32.dll", "GetDpiForWindow");
  if (get_for_window != nullptr && window != nullptr) {
    if (const UINT dpi = get_for_window(window); dpi != 0) {
      return static_cast<int>(dpi);
    }
  }
  const WindowDc dc(::GetDC(window), handle_traits::WindowDc{window});
  const int dpi = dc ? ::GetDeviceCaps(dc.get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : 96;
}

int TwipsToPixels(int twips, int dpi) { return ::MulDiv(twips, dpi, 1440); }

LOGFONTW DesignFont(const FontDesign& font, int dpi) {
  LOGFONTW lf{};
  lf.lfHeight = -::MulDiv(font.centipoints, dpi, 72 * 100);
  lf.lfWeight = font.weight;
  lf.lfItalic = font.italic ? TRUE : FALSE;
  lf.lfUnderline = font.underline ? TRUE : FALSE;
  lf.lfStrikeOut = font.strikeout ? TRUE : FALSE;
  lf.lfCharSet = static_cast<BYTE>(font.charset);
  const std::size_t n = std::min(font.face.size(), static_cast<std::size_t>(LF_FACESIZE - 1));
  std::copy_n(font.face.begin(), n, lf.lfFaceName);
  return lf;
}

}  // namespace brim::platform::win32
