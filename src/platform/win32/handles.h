#pragma once
// Owners of every system object the Win32 layer holds: kernel, file and find
// handles, windows, fonts, device contexts, loaded modules. One family with
// one set of names: move-only; get, reset, release, put (for out-parameters);
// true while it owns something. Each object is closed exactly once.

#include "platform/win32/windows_api.h"

#include <utility>

namespace brim::platform::win32 {

// Traits say what "nothing" is and how one object is closed. A traits object
// may carry state (a device context needs its window).
template <typename Traits>
class UniqueResource {
 public:
  using Value = Traits::Value;

  UniqueResource() = default;
  explicit UniqueResource(Value value, Traits traits = {}) noexcept : value_(value), traits_(traits) {}
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept
      : value_(std::exchange(other.value_, Traits::Invalid())), traits_(other.traits_) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) {
      reset(std::exchange(other.value_, Traits::Invalid()));
      traits_ = other.traits_;
    }
    return *this;
  }
  ~UniqueResource() { reset(); }

  [[nodiscard]] Value get() const noexcept { return value_; }
  [[nodiscard]] explicit operator bool() const noexcept { return value_ != Traits::Invalid(); }

  void reset(Value value = Traits::Invalid()) noexcept {
    if (value_ != Traits::Invalid()) {
      traits_.Close(value_);
    }
    value_ = value;
  }
  // Gives up ownership without closing.
  [[nodiscard]] Value release() noexcept { return std::exchange(value_, Traits::Invalid()); }
  // For the out-parameter of an API that opens something: closes what is held first.
  Value* put() noexcept {
    reset();
    return &value_;
  }

 private:
  Value value_ = Traits::Invalid();
  Traits traits_{};
};

namespace handle_traits {

// Objects whose "nothing" is null, closed by `kClose`.
template <typename V, auto kClose>
struct NullIsNone {
  using Value = V;
  static Value Invalid() noexcept { return nullptr; }
  static void Close(Value v) noexcept { kClose(v); }
};
// Handles whose "nothing" is INVALID_HANDLE_VALUE.
template <auto kClose>
struct MinusOneIsNone {
  using Value = HANDLE;
  static Value Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Value v) noexcept { kClose(v); }
};

using Kernel = NullIsNone<HANDLE, &::CloseHandle>;
using File = MinusOneIsNone<&::CloseHandle>;
using Find = MinusOneIsNone<&::FindClose>;
using Window = NullIsNone<HWND, &::DestroyWindow>;
using Font = NullIsNone<HFONT, &::DeleteObject>;
using Module = NullIsNone<HMODULE, &::FreeLibrary>;

// A device context goes back to the window it came from.
struct WindowDc {
  using Value = HDC;
  HWND window = nullptr;
  static Value Invalid() noexcept { return nullptr; }
  void Close(Value dc) const noexcept { ::ReleaseDC(window, dc); }
};

}  // namespace handle_traits

// Handles from the NT layer and from CreateThread/CreateEvent (null when absent).
using NtHandle = UniqueResource<handle_traits::Kernel>;
using KernelHandle = NtHandle;
// Handles from CreateFileW (INVALID_HANDLE_VALUE when absent).
using FileHandle = UniqueResource<handle_traits::File>;
using FindHandle = UniqueResource<handle_traits::Find>;
using UniqueWindow = UniqueResource<handle_traits::Window>;
using UniqueFont = UniqueResource<handle_traits::Font>;
using WindowDc = UniqueResource<handle_traits::WindowDc>;
using UniqueModule = UniqueResource<handle_traits::Module>;

}  // namespace brim::platform::win32
