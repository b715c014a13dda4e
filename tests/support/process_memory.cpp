#include "process_memory.h"

#include "platform/win32/run_time_entry.h"

namespace brim::windows {

bool MemoryCounters(HANDLE process, PROCESS_MEMORY_COUNTERS& counters) {
  using MemoryInfoFn = BOOL(WINAPI*)(HANDLE, PROCESS_MEMORY_COUNTERS*, DWORD);
  namespace w = brim::platform::win32;
  auto fn = w::RunTimeEntry<MemoryInfoFn>(L"kernel32.dll", "K32GetProcessMemoryInfo");
  if (fn == nullptr) {
    fn = w::RunTimeEntry<MemoryInfoFn>(L"psapi.dll", "GetProcessMemoryInfo", w::ModuleUse::kLoad);
  }
  counters = PROCESS_MEMORY_COUNTERS{};
  counters.cb = sizeof counters;
  return fn != nullptr && fn(process, &counters, sizeof counters) != FALSE;
}

double MicrosecondsNow() {
  static const double ticks_per_us = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1e6;
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / ticks_per_us;
}

}  // namespace brim::windows
