#include "platform/win32/shell/late_bound.h"

#include <windows.h>

#include <memory>

#include "platform/failure.h"

namespace brim::platform::win32 {
namespace {

struct ModuleRelease {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
using Module = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleRelease>;

// Library names are ours and plain ASCII; ANSI is what a Failure carries.
std::string Ansi(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) {
    return {};
  }
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
  out.resize(static_cast<std::size_t>(size) - 1);
  return out;
}

}  // namespace

LateBoundEntry::Entry LateBoundEntry::Get() {
  if (bound_ != nullptr) {
    return bound_;
  }
  Module module(LoadLibraryW(library_.c_str()));
  if (!module) {
    throw Failure("File not found: " + Ansi(library_), GetLastError());
  }
  const FARPROC found = GetProcAddress(module.get(), entry_.c_str());
  if (found == nullptr) {
    throw Failure("Can't find DLL entry point " + entry_ + " in " + Ansi(library_), GetLastError());
  }
  // Kept as the generic function pointer type: the real signature is the caller's.
  bound_ = reinterpret_cast<Entry>(found);
  static_cast<void>(module.release());  // stays loaded: the binding points into it
  return bound_;
}

}  // namespace brim::platform::win32
