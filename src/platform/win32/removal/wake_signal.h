#pragma once
// A one-waiter wake-up between two threads, like an auto-reset event. Where
// the system has WaitOnAddress (Windows 8 on, and Wine) it is a flag in
// memory: under Wine that wait and wake are futexes, while an event costs a
// round trip to the server for each set and each wait. Elsewhere (the XP
// generation) it is an event.

#include <windows.h>

#include "platform/win32/handles.h"

namespace brim::platform::win32 {

class WakeSignal {
 public:
  enum class Kind { kBest, kEvent };  // kEvent: the fallback, chosen by tests

  explicit WakeSignal(Kind kind = Kind::kBest);
  WakeSignal(const WakeSignal&) = delete;
  WakeSignal& operator=(const WakeSignal&) = delete;
  ~WakeSignal() = default;

  // Makes the event where one is needed, so that a signal never used costs
  // nothing. False when it could not be made; the signal can't be used then.
  [[nodiscard]] bool Prepare() noexcept;
  [[nodiscard]] bool InMemory() const noexcept;

  // Wakes the waiter, or the next Wait if none waits yet. Posts don't add up.
  void Post() noexcept;
  // Returns once a Post came after the last Wait returned.
  void Wait() noexcept;

 private:
  struct AddressWaits;
  const AddressWaits* waits_;  // null: the event
  volatile LONG posted_ = 0;
  KernelHandle event_;
};

}  // namespace brim::platform::win32
