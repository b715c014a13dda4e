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
  const auto disable = RunTimeEntry<DisableFn>(L"kernel32.dll", "Wow64DisableWow64FsRedirection");
  off_ = disable != nullptr && disable(&old_value_) != FALSE;
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
