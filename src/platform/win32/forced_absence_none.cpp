// The shipped exes' side of the seam: a system's functions are what it has.
// Kept in a file of its own, so that a test program's definition replaces it.
#include "platform/win32/forced_absence.h"

namespace brim::platform::win32 {

bool ForcedAbsent(const char* /*name*/) noexcept { return false; }

}  // namespace brim::platform::win32
