#pragma once
// Dots per inch, and the one conversion from twips to pixels.

#include "platform/win32/windows_api.h"

#include "platform/forms.h"

namespace brim::platform::win32 {

// Asks the system not to scale the program's windows (Vista on; absent on XP).
void EnableDpiAwareness();

// The DPI the window is drawn at.
[[nodiscard]] int WindowDpi(HWND window);

// A coordinate in twips (1/1440 inch) as pixels at `dpi`, rounded to the
// nearest pixel. Convert edges, not sizes, so neighbours stay adjacent.
[[nodiscard]] int TwipsToPixels(int twips, int dpi);

// A font of the stored design, sized at `dpi`.
[[nodiscard]] LOGFONTW DesignFont(const FontDesign& font, int dpi);

}  // namespace brim::platform::win32
