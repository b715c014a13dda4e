#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "cleanup/catalogue.h"
#include "cleanup/cleanup_run.h"
#include "fakes/fake_controls.h"

namespace brim::cleanup {
namespace {

using fakes::Log;

// The main window as the run sees it, built from recording fakes.
struct Window {
  Log log;
  fakes::FakeTextBox D{log, L"D", L"C"};
  fakes::FakeTextBox U{log, L"U", L"Administrator"};
  fakes::FakeControl Cmd1{log, L"Cmd1"};
  fakes::FakeControl Cmd2{log, L"Cmd2"};
  fakes::FakeControl Cmd3{log, L"Cmd3"};
  fakes::FakeProgressBar PrB{log};
  fakes::FakeMessageBox box{log};
  fakes::FakeFileRemoval files{log};
  std::vector<float> bar_at_removal;  // bar value when each removal starts
  bool folder_fails = false;
  RunWindow run{D,
                U,
                Cmd1,
                Cmd2,
                Cmd3,
                PrB,
                box,
                [this](const std::wstring& p) {
                  log.push_back(L"DA:" + p);
                  if (folder_fails) {
                    throw platform::Failure("no folder", 3);
                  }
                },
                files};

  [[nodiscard]] std::vector<std::wstring> Removals() const {
    std::vector<std::wstring> out;
    for (const auto& e : log) {
      if (e.starts_with(L"DA:") || e.starts_with(L"kill:")) {
        out.push_back(e);
      }
    }
    return out;
  }
  [[nodiscard]] std::vector<std::wstring> Without(const std::wstring& prefix) const {
    std::vector<std::wstring> out;
    for (const auto& e : log) {
      if (!e.starts_with(prefix)) {
        out.push_back(e);
      }
    }
    return out;
  }
};

TEST(CleanupRun, ValidationReadsUserThenDriveAndWarns) {
  struct Case {
    const wchar_t* drive;
    const wchar_t* user;
  };
  for (const Case c : {Case{L"C", L""}, Case{L"", L"Administrator"}, Case{L"", L""},
                       Case{L"C", L"Administrator\\My Documents"}, Case{L"C", L"\\"}}) {
    SCOPED_TRACE(std::wstring(c.drive) + L"|" + c.user);
    Window w;
    w.D.SetText(c.drive);
    w.U.SetText(c.user);
    w.PrB.Model().Set(42.0F);
    CleanupRun(w.run);
    EXPECT_EQ(w.log, (Log{L"U.read", L"D.read", std::wstring(L"box:") + std::wstring(kWarningPrompt)}));
    ASSERT_EQ(w.box.shown.size(), 1U);
    EXPECT_EQ(w.box.shown[0].flags, 48U);
    EXPECT_EQ(w.PrB.Value(), 42.0F);
    EXPECT_TRUE(w.Cmd1.Enabled() && w.D.Enabled() && w.U.Enabled());
  }
}

TEST(CleanupRun, WarningTextHasLineFeedThenCarriageReturn) {
  EXPECT_EQ(std::wstring(kWarningPrompt), std::wstring(L"An error has been encountered.") + wchar_t(10) +
                                              wchar_t(13) + L"Please fix the input boxes and try again.");
}

TEST(CleanupRun, LocksWalksEveryRowInOrderAndUnlocks) {
  Window w;
  CleanupRun(w.run);
  const Log without_reads = [&] {
    Log out;
    for (const auto& e : w.log) {
      if (e != L"D.read" && e != L"U.read" && !e.starts_with(L"bar=") && !e.starts_with(L"DA:") &&
          !e.starts_with(L"kill:")) {
        out.push_back(e);
      }
    }
    return out;
  }();
  EXPECT_EQ(without_reads,
            (Log{L"Cmd1.disable", L"Cmd2.disable", L"Cmd3.disable", L"D.disable", L"U.disable",
                 L"Cmd1.enable", L"Cmd2.enable", L"Cmd3.enable", L"D.enable", L"U.enable", L"box:Finished"}));
  ASSERT_EQ(w.box.shown.size(), 1U);
  EXPECT_EQ(w.box.shown[0].flags, 0U);

  const auto removals = w.Removals();
  ASSERT_EQ(removals.size(), kCatalogue.size());
  EXPECT_EQ(removals.front(), L"DA:C:\\WINDOWS\\Offline Web Pages");
  EXPECT_EQ(
      removals[5],
      L"kill:C:\\Documents and Settings\\Administrator\\Application Data\\Microsoft\\Office\\fbcC2.tmp");
  EXPECT_EQ(removals.back(), L"DA:C:\\Documents and Settings\\Administrator\\Recent");
  for (std::size_t i = 0; i < kCatalogue.size(); ++i) {
    const bool folder = kCatalogue[i].removal == Removal::Folder;
    EXPECT_EQ(removals[i].rfind(folder ? L"DA:" : L"kill:", 0), 0U) << i + 1;
  }
}

TEST(CleanupRun, ReadsDriveEveryRowAndUserOnlyForProfileRows) {
  Window w;
  CleanupRun(w.run);
  // Skip validation's two reads; then each row reads D, and U for profile rows.
  Log reads;
  for (std::size_t i = 2; i < w.log.size(); ++i) {
    if (w.log[i] == L"D.read" || w.log[i] == L"U.read") {
      reads.push_back(w.log[i]);
    }
  }
  Log expected;
  for (const Row& r : kCatalogue) {
    expected.emplace_back(L"D.read");
    if (r.root == Root::Profile) {
      expected.emplace_back(L"U.read");
    }
  }
  EXPECT_EQ(reads, expected);
}

TEST(CleanupRun, BarStartsAtZeroAndCountsRowsAttempted) {
  Window w;
  w.folder_fails = true;
  w.files.fail = true;
  w.PrB.Model().Set(100.0F);
  CleanupRun(w.run);
  Log bars;
  for (const auto& e : w.log) {
    if (e.starts_with(L"bar=")) {
      bars.push_back(e);
    }
  }
  ASSERT_EQ(bars.size(), 93U);
  EXPECT_EQ(bars[0], L"bar=0");
  for (int k = 1; k <= 92; ++k) {
    EXPECT_EQ(bars[static_cast<std::size_t>(k)], L"bar=" + std::to_wstring(2 * k));
  }
  EXPECT_EQ(w.PrB.Value(), 184.0F);
  EXPECT_EQ(w.Removals().size(), 92U);  // failures stopped nothing
  ASSERT_EQ(w.box.shown.size(), 1U);
  EXPECT_EQ(w.box.shown[0].prompt, L"Finished");

  // A second run starts again from 0.
  w.log.clear();
  CleanupRun(w.run);
  EXPECT_EQ(w.Without(L"U.read").at(1), L"bar=0");
  EXPECT_EQ(w.PrB.Value(), 184.0F);
}

TEST(CleanupRun, RefusedProgressStepFailsAlone) {
  Window w;
  // A bar whose range ends early refuses every step past it, and only those.
  w.PrB.Model() = platform::ProgressValue(0.0F, 10.0F);
  CleanupRun(w.run);
  EXPECT_EQ(w.PrB.Value(), 10.0F);
  EXPECT_EQ(w.Removals().size(), 92U);
  EXPECT_TRUE(w.U.Enabled());
  EXPECT_EQ(w.box.shown.size(), 1U);
}

TEST(CleanupRun, FailingControlFailsAlone) {
  Window w;
  w.Cmd2.FailNext(true);
  CleanupRun(w.run);
  EXPECT_TRUE(w.Cmd1.Enabled());
  EXPECT_TRUE(w.Cmd3.Enabled());
  EXPECT_EQ(w.Removals().size(), 92U);
  EXPECT_EQ(w.box.shown.size(), 1U);
}

TEST(CleanupRun, BlankTextsPassValidationAndGoIntoPaths) {
  Window w;
  w.D.SetText(L" ");
  w.U.SetText(L" ");
  CleanupRun(w.run);
  const auto removals = w.Removals();
  ASSERT_EQ(removals.size(), 92U);
  EXPECT_EQ(removals.front(), L"DA: :\\WINDOWS\\Offline Web Pages");
  EXPECT_EQ(removals.back(), L"DA: :\\Documents and Settings\\ \\Recent");
}

TEST(ProgressValue, RefusesOutOfRangeAndKeepsValue) {
  platform::ProgressValue v(0.0F, 186.0F);
  v.Set(184.0F);
  EXPECT_THROW(v.Set(188.0F), platform::Failure);
  EXPECT_THROW(v.Set(-1.0F), platform::Failure);
  EXPECT_THROW(v.Set(std::numeric_limits<float>::quiet_NaN()), platform::Failure);
  EXPECT_EQ(v.Get(), 184.0F);
  v.Set(186.0F);
  EXPECT_EQ(v.Get(), 186.0F);
}

}  // namespace
}  // namespace brim::cleanup
