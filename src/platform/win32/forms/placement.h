#pragma once
// Where a window goes when it is shown: centred over an area, inside the work
// area (the screen less the taskbar) of the monitor that holds it.

#include "platform/win32/windows_api.h"

namespace brim::platform::win32 {

// The top left corner of a window of `size` centred over `over`, moved as
// little as it takes to lie inside `work`; at work's top left when too large.
[[nodiscard]] POINT CentredInside(const RECT& over, SIZE size, const RECT& work);

// The work area of the monitor that holds the most of `window`; the primary
// monitor's where the system has no monitor functions.
[[nodiscard]] RECT WorkAreaOf(HWND window);

}  // namespace brim::platform::win32
