#pragma once

#include <memory>

#include "platform/shell.h"
#include "platform/win32/shell/late_bound.h"

namespace brim::platform::win32 {

// The shell's open operation reached through `entry`, which must name
// ShellExecuteW or a function of its signature. MakeShell() uses the one
// binding of shell32.dll that lasts for the run; tests pass their own.
std::unique_ptr<Shell> MakeShellBoundThrough(LateBoundEntry& entry);

}  // namespace brim::platform::win32
