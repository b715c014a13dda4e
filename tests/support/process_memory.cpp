#include "process_memory.h"

#include <cstring>

namespace brim::windows {

bool MemoryCounters(HANDLE process, PROCESS_MEMORY_COUNTERS& counters) {
  using MemoryInfoFn = BOOL(WINAPI*)(HANDLE, PROCESS_MEMORY_COUNTERS*, DWORD);
  FARPROC p = ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "K32GetProcessMemoryInfo");
  if (p == nullptr) {
    const HMODULE psapi = ::LoadLibraryW(L"psapi.dll");
    p = psapi != nullptr ? ::GetProcAddress(psapi, "GetProcessMemoryInfo") : nullptr;
  }
  MemoryInfoFn fn = nullptr;
  std::memcpy(&fn, &p, sizeof fn);
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
