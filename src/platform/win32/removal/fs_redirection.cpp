#include "platform/win32/removal/fs_redirection.h"

#include <windows.h>

namespace brim::platform::win32 {
namespace {

using DisableFn = BOOL(WINAPI*)(void** old_value);
using RevertFn = BOOL(WINAPI*)(void* old_value);

// kernel32 of 32-bit XP lacks both: then there is nothing to turn off.
template <typename F>
F Kernel32Entry(const char* name) noexcept {
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) {
    return nullptr;
  }
  return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(kernel, name)));
}

}  // namespace

void RedirectionOff::Off() noexcept {
  if (off_) {
    return;
  }
  const auto disable = Kernel32Entry<DisableFn>("Wow64DisableWow64FsRedirection");
  off_ = disable != nullptr && disable(&old_value_) != FALSE;
}

void RedirectionOff::Restore() noexcept {
  if (!off_) {
    return;
  }
  if (const auto revert = Kernel32Entry<RevertFn>("Wow64RevertWow64FsRedirection")) {
    revert(old_value_);
  }
  off_ = false;
}

}  // namespace brim::platform::win32
