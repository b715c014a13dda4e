// A bounded random loop of hostile drive and user texts through validation,
// path composition and the whole run, on fakes (under the sanitizers on the
// host). The seed is fixed and printed with every failure, so it replays.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "cleanup/catalogue.h"
#include "cleanup/cleanup_run.h"
#include "cleanup/target_path.h"
#include "fakes/fake_controls.h"

namespace brim::cleanup {
namespace {

constexpr unsigned kSeed = 20261207;
constexpr int kRounds = 1500;

class HostileTexts {
 public:
  explicit HostileTexts(unsigned seed) : random_(seed) {}

  std::wstring Next() {
    static const std::vector<std::wstring> pieces = {L"\\",
                                                     L"/",
                                                     L".",
                                                     L"..",
                                                     L"*",
                                                     L"?",
                                                     L":",
                                                     L"<",
                                                     L">",
                                                     L"|",
                                                     L"\"",
                                                     L" ",
                                                     L"\t",
                                                     L"\n",
                                                     L"\r",
                                                     std::wstring(1, L'\0'),
                                                     L"\u00e9",
                                                     L"\u017f",
                                                     L"\u212a",
                                                     L"\u0130",
                                                     L"\u65e5\u672c",
                                                     L"\xd800",
                                                     L"\xdc00",
                                                     L"\ufeff",
                                                     L"CON",
                                                     L"NUL",
                                                     L"LPT1",
                                                     L"Administrator",
                                                     L"Guest",
                                                     L"Documents and Settings",
                                                     L"\\\\?\\",
                                                     L"C:",
                                                     L"a",
                                                     L"Z9",
                                                     L"%s",
                                                     L"%n"};
    std::wstring text;
    if (Below(30) == 0) {  // a long run of one piece
      const std::wstring& piece = pieces[Below(pieces.size())];
      const std::size_t n = 200 + Below(33000);
      while (text.size() < n) {
        text += piece;
      }
      return text;
    }
    for (std::size_t i = Below(7); i > 0; --i) {
      text += pieces[Below(pieces.size())];
    }
    return text;
  }
  std::size_t Below(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_); }

 private:
  std::mt19937 random_;
};

// The components of a path between backslashes.
std::vector<std::wstring> Components(const std::wstring& path) {
  std::vector<std::wstring> out(1);
  for (const wchar_t c : path) {
    if (c == L'\\') {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

TEST(HostileTexts, ProfileRowsStayInTheNamedProfileAndRunsRefuseOrWalkEveryRow) {
  std::cout << "seed " << kSeed << ", " << kRounds << " rounds\n";
  HostileTexts texts(kSeed);
  for (int round = 0; round < kRounds; ++round) {
    const std::wstring drive =
        texts.Below(3) == 0 ? texts.Next() : std::wstring(1, L"CXH\\/.:*? \u00e9"[texts.Below(11)]);
    const std::wstring user = texts.Next();
    SCOPED_TRACE("seed " + std::to_string(kSeed) + " round " + std::to_string(round) + ", lengths " +
                 std::to_string(drive.size()) + "/" + std::to_string(user.size()));

    const bool unsafe = UserTextUnsafe(user);
    EXPECT_EQ(unsafe, user.find(L'\\') != std::wstring::npos);
    if (!unsafe) {
      for (const Row& row : kCatalogue) {
        const std::wstring path = TargetPath(row, drive, user);
        ASSERT_EQ(path.compare(0, drive.size(), drive), 0);
        if (row.root != Root::Profile) {
          EXPECT_EQ(path.substr(drive.size()), row.tail);
          continue;
        }
        // Below the drive text: ":", "Documents and Settings", the user text
        // whole as one folder name, then the tail's own components.
        const auto parts = Components(path.substr(drive.size()));
        const auto tail = Components(std::wstring(row.tail));
        ASSERT_EQ(parts.size(), 2 + tail.size()) << row.position;
        EXPECT_EQ(parts[0], L":");
        EXPECT_EQ(parts[1], L"Documents and Settings");
        EXPECT_EQ(parts[2], user) << row.position;
        EXPECT_TRUE(std::equal(tail.begin() + 1, tail.end(), parts.begin() + 3)) << row.position;
      }
    }

    fakes::Log log;
    fakes::FakeTextBox d(log, L"D", drive);
    fakes::FakeTextBox u(log, L"U", user);
    fakes::FakeControl cmd1(log, L"Cmd1");
    fakes::FakeControl cmd2(log, L"Cmd2");
    fakes::FakeControl cmd3(log, L"Cmd3");
    fakes::FakeProgressBar bar(log);
    fakes::FakeMessageBox box(log);
    fakes::FakeFileRemoval files(log);
    files.fail = texts.Below(2) == 0;
    RunWindow w{
        d, u, cmd1, cmd2, cmd3, bar, box, [&](const std::wstring& p) { log.push_back(L"DA:" + p); }, files};
    CleanupRun(w);
    std::vector<std::wstring> removed;
    for (const auto& e : log) {
      if (e.starts_with(L"DA:") || e.starts_with(L"kill:")) {
        removed.push_back(e);
      }
    }
    if (drive.empty() || user.empty() || unsafe) {
      EXPECT_TRUE(removed.empty());
      ASSERT_EQ(box.shown.size(), 1U);
      EXPECT_EQ(box.shown[0].prompt, kWarningPrompt);
      EXPECT_EQ(bar.Value(), 0.0F);
      continue;
    }
    std::vector<std::wstring> expected;
    expected.reserve(kCatalogue.size());
    for (const Row& row : kCatalogue) {
      expected.push_back((row.removal == Removal::Folder ? L"DA:" : L"kill:") + TargetPath(row, drive, user));
    }
    EXPECT_EQ(removed, expected);
    EXPECT_EQ(bar.Value(), 184.0F);
    ASSERT_EQ(box.shown.size(), 1U);
    EXPECT_EQ(box.shown[0].prompt, kFinishedPrompt);
    EXPECT_TRUE(cmd1.Enabled() && cmd2.Enabled() && cmd3.Enabled() && d.Enabled() && u.Enabled());
    if (HasFailure()) {
      return;  // one replayable round is enough to read
    }
  }
}

}  // namespace
}  // namespace brim::cleanup
