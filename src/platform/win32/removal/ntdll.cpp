#include "platform/win32/removal/ntdll.h"

#include <string>

#include "platform/failure.h"
#include "platform/win32/run_time_entry.h"

namespace brim::platform::win32::nt {
namespace {

template <typename F>
F Lookup(const char* name) {
  const auto f = RunTimeEntry<F>(L"ntdll.dll", name);  // always mapped into every process
  if (f == nullptr) {
    throw Failure(std::string("ntdll lacks ") + name, ERROR_PROC_NOT_FOUND);
  }
  return f;
}

Api Load() {
  return Api{Lookup<NtOpenFileFn>("NtOpenFile"),
             Lookup<NtQueryDirectoryFileFn>("NtQueryDirectoryFile"),
             Lookup<NtFileInformationFn>("NtQueryInformationFile"),
             Lookup<NtFileInformationFn>("NtSetInformationFile"),
             Lookup<NtQueryObjectFn>("NtQueryObject"),
             Lookup<RtlNtStatusToDosErrorFn>("RtlNtStatusToDosError"),
             Lookup<RtlEqualUnicodeStringFn>("RtlEqualUnicodeString")};
}

}  // namespace

const Api& Ntdll() {
  // Looked up once, whichever thread comes first; a failed look-up is tried
  // again at the next call.
  static const Api api = Load();
  return api;
}

DWORD ToWin32Error(Status s) { return Ntdll().StatusToDosError(s); }

}  // namespace brim::platform::win32::nt
