#include "platform/win32/removal/ntdll.h"

#include <string>
#ifdef BRIM_NT_LAYER
#include <atomic>
#endif

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

#ifdef BRIM_NT_LAYER
std::atomic<const Api*> g_layer{nullptr};
#endif

}  // namespace

#ifdef BRIM_NT_LAYER
const Api& SystemNtdll() {
  static const Api api = Load();
  return api;
}

void SetNtdllLayer(const Api* layer) {
  const Api* expected = nullptr;
  if (layer != nullptr && !g_layer.compare_exchange_strong(expected, layer)) {
    throw Failure("nt layer seam: a layer is already in front", ERROR_ALREADY_EXISTS);
  }
  if (layer == nullptr) {
    g_layer.store(nullptr);
  }
}

const Api& Ntdll() {
  const Api* layer = g_layer.load(std::memory_order_acquire);
  return layer != nullptr ? *layer : SystemNtdll();
}
#else
const Api& Ntdll() {
  // Looked up once, whichever thread comes first; a failed look-up is tried
  // again at the next call.
  static const Api api = Load();
  return api;
}
#endif

DWORD ToWin32Error(Status s) {
  if (s == kLinkRefused) {
    return ERROR_CANT_ACCESS_FILE;
  }
  if (s == kReadOnlyKept) {
    return ERROR_FILE_READ_ONLY;
  }
  return Ntdll().StatusToDosError(s);
}

}  // namespace brim::platform::win32::nt
