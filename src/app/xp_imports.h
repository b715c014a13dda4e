#pragma once
// Functions newer than XP that the toolchain's own libraries import by name.
// The exe links their import slots to these pointers instead (see program_file.cmake),
// so it still loads where kernel32 lacks them.

#include <windows.h>

extern "C" {
// Stands in for kernel32's GetTickCount64 (Vista and later), which the thread
// library under the C++ runtime calls for its timeouts.
extern ULONGLONG(WINAPI* brim_GetTickCount64)();
}

namespace brim::xp {

// Widens a 32-bit tick count that wraps every 49.7 days into a 64-bit one.
class TickWidener {
 public:
  ULONGLONG Widen(DWORD now);

 private:
  DWORD last_ = 0;
  ULONGLONG wraps_ = 0;
};

}  // namespace brim::xp
