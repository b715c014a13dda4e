#include "platform/win32/removal/ntdll.h"

#include <cstring>

#include "platform/failure.h"

namespace brim::platform::win32::nt {
namespace {

template <typename F>
F Lookup(HMODULE module, const char* name) {
  const FARPROC p = ::GetProcAddress(module, name);
  if (p == nullptr) {
    throw Failure(std::string("ntdll lacks ") + name, ERROR_PROC_NOT_FOUND);
  }
  F f = nullptr;
  static_assert(sizeof f == sizeof p);
  std::memcpy(&f, &p, sizeof f);  // function pointer to function pointer, without a cast warning
  return f;
}

Api Load() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");  // always mapped into every process
  if (ntdll == nullptr) {
    throw Failure("ntdll is not loaded", ::GetLastError());
  }
  return Api{Lookup<NtOpenFileFn>(ntdll, "NtOpenFile"),
             Lookup<NtQueryDirectoryFileFn>(ntdll, "NtQueryDirectoryFile"),
             Lookup<NtFileInformationFn>(ntdll, "NtQueryInformationFile"),
             Lookup<NtFileInformationFn>(ntdll, "NtSetInformationFile"),
             Lookup<NtQueryObjectFn>(ntdll, "NtQueryObject"),
             Lookup<RtlNtStatusToDosErrorFn>(ntdll, "RtlNtStatusToDosError"),
             Lookup<RtlEqualUnicodeStringFn>(ntdll, "RtlEqualUnicodeString")};
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
