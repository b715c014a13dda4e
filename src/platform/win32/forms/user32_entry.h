#pragma once
// user32 functions newer than the oldest Windows the program loads on, looked
// up by name so that their absence is a null pointer, not a failed start.

#include "platform/win32/windows_api.h"

namespace brim::platform::win32 {

template <typename Fn>
Fn User32Entry(const char* name) {
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) {
    return nullptr;
  }
  // Through void(*)(), the one cast between function types that is exact.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(user32, name)));
}

}  // namespace brim::platform::win32
