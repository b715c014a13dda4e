#include "platform/win32/shell/late_bound.h"

#include "platform/failure.h"
#include "platform/win32/run_time_entry.h"
#include "platform/win32/text.h"

namespace brim::platform::win32 {

LateBoundEntry::Entry LateBoundEntry::Get() {
  if (bound_ != nullptr) {
    return bound_;
  }
  HMODULE module = RunTimeModule(library_.c_str(), ModuleUse::kLoad);
  if (module == nullptr) {
    const DWORD error = ::GetLastError();  // before the text is made
    throw Failure("File not found: " + NarrowAnsi(library_), error);
  }
  bound_ = EntryIn(module, entry_.c_str());
  if (bound_ == nullptr) {
    const DWORD error = ::GetLastError();
    throw Failure("Can't find DLL entry point " + entry_ + " in " + NarrowAnsi(library_), error);
  }
  return bound_;
}

}  // namespace brim::platform::win32
