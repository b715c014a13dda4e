#pragma once
// The one way the program reaches a function that not every Windows it loads
// on has, or that it keeps out of its import table: looked up by module and
// name at run time, with a typed result that is null when absent.

#include "platform/win32/forced_absence.h"
#include "platform/win32/windows_api.h"

namespace brim::platform::win32 {

enum class ModuleUse {
  kMapped,  // only a module the process has already mapped (kernel32, user32, ntdll)
  kLoad,    // load it when it isn't mapped yet; it then stays loaded
};

using AnyEntry = void (*)();

// The module, mapped already or (with kLoad) loaded now and kept loaded:
// entries found in it point into it. Null when it can't be had.
inline HMODULE RunTimeModule(const wchar_t* module, ModuleUse use) noexcept {
  if (HMODULE mapped = ::GetModuleHandleW(module)) {
    return mapped;
  }
  return use == ModuleUse::kLoad ? ::LoadLibraryW(module) : nullptr;
}

inline AnyEntry EntryIn(HMODULE module, const char* name) noexcept {
  if (ForcedAbsent(name)) {  // test builds only: the older system's answer
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  // Through void(*)(), the one cast between function types that is exact.
  return reinterpret_cast<AnyEntry>(::GetProcAddress(module, name));
}

// Null when the module or the entry is absent; GetLastError says why.
inline AnyEntry EntryAddress(const wchar_t* module, const char* name, ModuleUse use) noexcept {
  HMODULE found = RunTimeModule(module, use);
  return found != nullptr ? EntryIn(found, name) : nullptr;
}

template <typename Fn>
Fn RunTimeEntry(const wchar_t* module, const char* name, ModuleUse use = ModuleUse::kMapped) noexcept {
  return reinterpret_cast<Fn>(EntryAddress(module, name, use));
}

}  // namespace brim::platform::win32
