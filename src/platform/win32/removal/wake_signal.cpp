#include "platform/win32/removal/wake_signal.h"

#include "platform/win32/run_time_entry.h"

namespace brim::platform::win32 {

struct WakeSignal::AddressWaits {
  using WaitFn = BOOL(WINAPI*)(volatile void* address, void* compare, SIZE_T size, DWORD ms);
  using WakeFn = void(WINAPI*)(void* address);
  WaitFn wait;
  WakeFn wake;

  // Both or neither: the one without the other is no use.
  static const AddressWaits* Find() noexcept {
    static const AddressWaits found{RunTimeEntry<WaitFn>(L"kernelbase.dll", "WaitOnAddress"),
                                    RunTimeEntry<WakeFn>(L"kernelbase.dll", "WakeByAddressSingle")};
    return found.wait != nullptr && found.wake != nullptr ? &found : nullptr;
  }
};

WakeSignal::WakeSignal(Kind kind) : waits_(kind == Kind::kBest ? AddressWaits::Find() : nullptr) {}

bool WakeSignal::Prepare() noexcept {
  if (waits_ == nullptr && !event_) {
    event_.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  }
  return waits_ != nullptr || event_;
}

bool WakeSignal::InMemory() const noexcept { return waits_ != nullptr; }

void WakeSignal::Post() noexcept {
  if (waits_ == nullptr) {
    ::SetEvent(event_.get());
    return;
  }
  // A full barrier: what the poster wrote before is seen by the waiter.
  ::InterlockedExchange(&posted_, 1);
  waits_->wake(const_cast<LONG*>(&posted_));
}

void WakeSignal::Wait() noexcept {
  if (waits_ == nullptr) {
    ::WaitForSingleObject(event_.get(), INFINITE);
    return;
  }
  // Taking the flag is the wake-up; a Post between the look and the wait
  // changes the flag, so the wait returns at once.
  while (::InterlockedExchange(&posted_, 0) == 0) {
    LONG unposted = 0;
    waits_->wait(&posted_, &unposted, sizeof unposted, INFINITE);
  }
}

}  // namespace brim::platform::win32
