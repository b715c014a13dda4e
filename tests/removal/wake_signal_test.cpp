// The helper threads' wake-up, both ways it can be made.
#include "platform/win32/removal/wake_signal.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/win32/run_time_entry.h"

namespace brim::testing {
namespace {

using platform::win32::WakeSignal;

class WakeSignalKinds : public ::testing::TestWithParam<WakeSignal::Kind> {};

TEST_P(WakeSignalKinds, APostBeforeTheWaitIsNotLost) {
  WakeSignal signal(GetParam());
  ASSERT_TRUE(signal.Prepare());
  signal.Post();
  signal.Post();  // twice: still one wake-up, and no hang either way
  signal.Wait();
}

// A hand-over many times over, each side writing what the other then reads:
// a lost wake-up hangs the test, a missing barrier shows as a wrong value.
TEST_P(WakeSignalKinds, EveryHandOverArrivesWithWhatWasWrittenBeforeIt) {
  WakeSignal start(GetParam());
  WakeSignal done(GetParam());
  ASSERT_TRUE(start.Prepare() && done.Prepare());
  constexpr int kRounds = 20000;
  int job = 0;
  int answer = 0;
  std::thread helper([&] {
    for (;;) {
      start.Wait();
      if (job < 0) {
        return;
      }
      answer = job * 2;
      done.Post();
    }
  });
  int wrong = 0;
  for (int i = 1; i <= kRounds; ++i) {
    job = i;
    start.Post();
    done.Wait();
    wrong += answer != i * 2 ? 1 : 0;
  }
  job = -1;
  start.Post();
  helper.join();
  EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Both, WakeSignalKinds,
                         ::testing::Values(WakeSignal::Kind::kBest, WakeSignal::Kind::kEvent));

TEST(WakeSignal, StaysInMemoryWhereTheSystemCanWaitOnAnAddress) {
  namespace w = platform::win32;
  const bool can = w::RunTimeEntry<w::AnyEntry>(L"kernelbase.dll", "WaitOnAddress") != nullptr &&
                   w::RunTimeEntry<w::AnyEntry>(L"kernelbase.dll", "WakeByAddressSingle") != nullptr;
  EXPECT_EQ(WakeSignal().InMemory(), can);
  EXPECT_FALSE(WakeSignal(WakeSignal::Kind::kEvent).InMemory());
}

}  // namespace
}  // namespace brim::testing
