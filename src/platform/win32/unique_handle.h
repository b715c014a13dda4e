#pragma once
// Owners of kernel handles and find handles: closed exactly once, on every way out.

#include <windows.h>

#include <utility>

namespace brim::platform::win32 {

template <typename Traits>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE h) : h_(h) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : h_(std::exchange(other.h_, Traits::Invalid())) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      Reset(std::exchange(other.h_, Traits::Invalid()));
    }
    return *this;
  }
  ~UniqueHandle() { Reset(); }

  [[nodiscard]] HANDLE Get() const noexcept { return h_; }
  [[nodiscard]] bool Valid() const noexcept { return h_ != Traits::Invalid(); }
  // For out-parameters of the APIs that open things.
  HANDLE* Receive() noexcept {
    Reset();
    return &h_;
  }
  void Reset(HANDLE h = Traits::Invalid()) noexcept {
    if (Valid()) {
      Traits::Close(h_);
    }
    h_ = h;
  }

 private:
  HANDLE h_ = Traits::Invalid();
};

struct KernelHandleTraits {
  static HANDLE Invalid() noexcept { return nullptr; }
  static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct FileHandleTraits {
  static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct FindHandleTraits {
  static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) noexcept { ::FindClose(h); }
};

// Handles from the NT layer (null when absent).
using NtHandle = UniqueHandle<KernelHandleTraits>;
// Handles from CreateFileW (INVALID_HANDLE_VALUE when absent).
using FileHandle = UniqueHandle<FileHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;

}  // namespace brim::platform::win32
