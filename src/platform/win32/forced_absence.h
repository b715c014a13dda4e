#pragma once
// The seam through which test builds make the program take its older paths
// on a system that has the newer ones. The shipped exes link
// forced_absence_none.cpp, where nothing is ever forced; test programs link
// tests/support/forced_absence.cpp instead, which reads a list of names.

namespace brim::platform::win32 {

// True when this build is to treat `name` as absent: a run-time entry's
// function name, or a query class by its NT name.
[[nodiscard]] bool ForcedAbsent(const char* name) noexcept;

}  // namespace brim::platform::win32
