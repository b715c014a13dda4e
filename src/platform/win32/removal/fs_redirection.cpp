#include "platform/win32/removal/fs_redirection.h"

#include "platform/win32/run_time_entry.h"

namespace brim::platform::win32 {
namespace {

using DisableFn = BOOL(WINAPI*)(void** old_value);
using RevertFn = BOOL(WINAPI*)(void* old_value);

}  // namespace

void RedirectionOff::Off() noexcept {
  if (off_) {
    return;
  }
  // Both or neither: never turned off where it couldn't be turned back on.
  const auto disable = RunTimeEntry<DisableFn>(L"kernel32.dll", "Wow64DisableWow64FsRedirection");
  const auto revert = RunTimeEntry<RevertFn>(L"kernel32.dll", "Wow64RevertWow64FsRedirection");
  off_ = disable != nullptr && revert != nullptr && disable(&old_value_) != FALSE;
}

void RedirectionOff::Restore() noexcept {
  if (!off_) {
    return;
  }
  if (const auto revert = RunTimeEntry<RevertFn>(L"kernel32.dll", "Wow64RevertWow64FsRedirection")) {
    revert(old_value_);
  }
  off_ = false;
}

}  // namespace brim::platform::win32
