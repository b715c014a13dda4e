#pragma once
// Functions newer than XP that the toolchain's own libraries import by name.
// The exe links their import slots to these pointers instead (see program_file.cmake),
// so it still loads where kernel32 lacks them.

#include <windows.h>

extern "C" {
// Stands in for kernel32's GetTickCount64 (Vista and later), which the thread
// library under the C++ runtime calls for its timeouts. It never changes, so
// callers may read it from any thread, before main as after.
extern ULONGLONG(WINAPI* const brim_GetTickCount64)();
}

namespace brim::xp {

// Widens a 32-bit tick count that wraps every 49.7 days into a 64-bit one:
// `last` is the previous widened count, `now` the current 32-bit one.
constexpr ULONGLONG WidenTick(ULONGLONG last, DWORD now) {
  constexpr ULONGLONG kWrap = 0x100000000ULL;
  const ULONGLONG wraps = last & ~(kWrap - 1);
  return wraps + now + (now < static_cast<DWORD>(last) ? kWrap : 0);
}

}  // namespace brim::xp
