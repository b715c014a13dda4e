#include "xp_imports.h"

namespace brim::xp {

ULONGLONG TickWidener::Widen(DWORD now) {
  if (now < last_) {
    wraps_ += 0x100000000ULL;
  }
  last_ = now;
  return wraps_ + now;
}

}  // namespace brim::xp

namespace {

// The widener's state is shared by every thread that times a wait. The lock is
// never deleted: threads may time waits until the very end of the process.
class LockedWidener {
 public:
  LockedWidener() { InitializeCriticalSection(&lock_); }
  LockedWidener(const LockedWidener&) = delete;
  LockedWidener& operator=(const LockedWidener&) = delete;

  ULONGLONG Now() {
    EnterCriticalSection(&lock_);
    const ULONGLONG now = widener_.Widen(GetTickCount());
    LeaveCriticalSection(&lock_);
    return now;
  }

 private:
  CRITICAL_SECTION lock_;
  brim::xp::TickWidener widener_;
};

LockedWidener locked_widener;

ULONGLONG WINAPI TickCountFromXp() { return locked_widener.Now(); }

using TickCount64Fn = ULONGLONG(WINAPI*)();

// Looks the real function up once; later calls go straight to what was found.
ULONGLONG WINAPI TickCountFirstCall() {
  TickCount64Fn found = nullptr;
  if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll")) {
    found =
        reinterpret_cast<TickCount64Fn>(reinterpret_cast<void*>(GetProcAddress(kernel, "GetTickCount64")));
  }
  brim_GetTickCount64 = found != nullptr ? found : TickCountFromXp;
  return brim_GetTickCount64();
}

}  // namespace

extern "C" {
ULONGLONG(WINAPI* brim_GetTickCount64)() = TickCountFirstCall;
}
