#pragma once
// The extra threads that share the removal of a folder's plain files with
// the calling thread. Under Wine making and joining a thread costs about 2 ms,
// more than removing a dozen files, so they are made on first need and kept,
// idle, for every removal after: the folder remover owns them for the life of
// the program. Idle, a helper waits in memory and costs nothing.

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/win32/handles.h"
#include "platform/win32/removal/wake_signal.h"

namespace brim::platform::win32 {

// One extra thread that runs a job when asked and reports when done. Plain
// Win32 threads; the wake-ups are in memory where the system allows.
class Helper {
 public:
  using Job = void (*)(void* context);
  Helper() = default;
  Helper(const Helper&) = delete;
  Helper& operator=(const Helper&) = delete;
  ~Helper();

  // Starts `job` on the helper; false when no thread could be made (the
  // caller then does the work itself). Every started job is waited for.
  bool Start(Job job, void* context);
  void Wait() { done_.Wait(); }

 private:
  bool Create();
  static DWORD WINAPI Main(void* self_pointer);

  WakeSignal start_;
  WakeSignal done_;
  KernelHandle thread_;
  Job job_ = nullptr;
  void* context_ = nullptr;
  bool stop_ = false;
  bool failed_ = false;
};

// How many jobs helper threads have finished in this process: what tests
// read to see that a run really shared its files.
std::uint64_t HelperJobsDone() noexcept;

class HelperThreads {
 public:
  static constexpr std::size_t kCount = 2;
  Helper& operator[](std::size_t i) { return helpers_[i]; }

 private:
  friend class HelperLease;
  std::array<Helper, kCount> helpers_;
  bool taken_ = false;
};

// The helpers of one removal: the kept ones when given and free, else (none
// given, or a removal started from within another) threads of its own.
class HelperLease {
 public:
  explicit HelperLease(HelperThreads* kept);
  HelperLease(const HelperLease&) = delete;
  HelperLease& operator=(const HelperLease&) = delete;
  ~HelperLease();
  Helper& operator[](std::size_t i) { return (*threads_)[i]; }

 private:
  std::optional<HelperThreads> own_;
  HelperThreads* threads_;
};

}  // namespace brim::platform::win32
