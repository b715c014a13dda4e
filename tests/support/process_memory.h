// A process's memory counters, for the tools that report what a run costs.
#pragma once

#include <windows.h>
// After windows.h.
#include <psapi.h>

namespace brim::windows {

// K32GetProcessMemoryInfo where kernel32 has it, else psapi's (the XP
// generation), both found at run time. False where neither can tell.
bool MemoryCounters(HANDLE process, PROCESS_MEMORY_COUNTERS& counters);

// Microseconds on the performance counter, from an arbitrary start.
double MicrosecondsNow();

}  // namespace brim::windows
