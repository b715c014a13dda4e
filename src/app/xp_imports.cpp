#include "xp_imports.h"

#include <atomic>
#include <cstdint>

#include "platform/win32/run_time_entry.h"

using TickCount64Fn = ULONGLONG(WINAPI*)();

namespace {

// Everything here is constant-initialised, so it is ready before any
// constructor runs, and atomic, so any thread may time a wait at any moment.
static_assert(std::atomic<std::uint64_t>::is_always_lock_free);

// The last widened count, shared by every thread that times a wait.
constinit std::atomic<std::uint64_t> last_tick{0};

ULONGLONG WINAPI TickCountFromXp() {
  std::uint64_t last = last_tick.load(std::memory_order_acquire);
  for (;;) {
    // Read after `last`: a count older than the one stored would look like a wrap.
    const std::uint64_t now = brim::xp::WidenTick(last, GetTickCount());
    if (last_tick.compare_exchange_weak(last, now, std::memory_order_acq_rel, std::memory_order_acquire)) {
      return now;
    }
  }
}

// kernel32's own function where there is one, else the fallback; looked up at
// the first call (two threads may both look: they find the same).
constinit std::atomic<TickCount64Fn> tick_source{nullptr};

ULONGLONG WINAPI TickCount64() {
  TickCount64Fn source = tick_source.load(std::memory_order_acquire);
  if (source == nullptr) {
    source = brim::platform::win32::RunTimeEntry<TickCount64Fn>(L"kernel32.dll", "GetTickCount64");
    if (source == nullptr) {
      source = TickCountFromXp;
    }
    tick_source.store(source, std::memory_order_release);
  }
  return source();
}

}  // namespace

extern "C" {
constinit const TickCount64Fn brim_GetTickCount64 = TickCount64;
}
