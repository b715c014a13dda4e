#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/args.h"

namespace brim::cli {
namespace {

Invocation Parse(const std::vector<std::wstring>& args) { return ParseArgs(args); }

TEST(CliArgs, TheTwoVerbsTakeDriveUserAndAnOptionalJson) {
  const Invocation p = Parse({L"preview", L"C", L"Administrator"});
  EXPECT_EQ(p.action, Action::Preview);
  EXPECT_EQ(p.drive, L"C");
  EXPECT_EQ(p.user, L"Administrator");
  EXPECT_FALSE(p.json);
  const Invocation c = Parse({L"clean", L"c", L" a b ", L"--json"});
  EXPECT_EQ(c.action, Action::Clean);
  EXPECT_EQ(c.user, L" a b ");  // used verbatim, as the window does
  EXPECT_TRUE(c.json);
}

TEST(CliArgs, HelpAndVersionStandAlone) {
  EXPECT_EQ(Parse({L"--help"}).action, Action::Help);
  EXPECT_EQ(Parse({L"--version"}).action, Action::Version);
  EXPECT_EQ(Parse({L"--help", L"x"}).action, Action::Usage);
  EXPECT_EQ(Parse({L"--version", L"C", L"U"}).action, Action::Usage);
}

TEST(CliArgs, MalformedCommandLinesAreUsageErrors) {
  const std::vector<std::vector<std::wstring>> bad = {
      {},
      {L"remove", L"C", L"U"},
      {L"Preview", L"C", L"U"},  // verbs are exact
      {L"--json", L"C", L"U"},
      {L"preview"},
      {L"preview", L"C"},
      {L"clean", L"C", L"U", L"--json", L"--json"},
      {L"clean", L"C", L"U", L"extra"},
      {L"clean", L"C", L"U", L"--JSON"},
      {L"preview", L"--json", L"C", L"U"},
      {L"preview", L"CD", L"U"},  // the drive box holds one character
      {L"preview", L"C:", L"U"},
      {L"preview", L"C:\\", L"U"},
      {L"selftest", L"C"},
      {L"selftest", L"--json", L"--json"},
  };
  for (const auto& args : bad) {
    const Invocation inv = ParseArgs(args);
    EXPECT_EQ(inv.action, Action::Usage) << args.size();
    EXPECT_FALSE(inv.problem.empty());
  }
}

TEST(CliArgs, SelftestTakesOnlyJson) {
  EXPECT_EQ(Parse({L"selftest"}).action, Action::Selftest);
  EXPECT_TRUE(Parse({L"selftest", L"--json"}).json);
}

TEST(CliArgs, TextsTheWindowWouldRefuseGiveItsWarning) {
  EXPECT_EQ(Parse({L"preview", L"", L"U"}).action, Action::Warning);
  EXPECT_EQ(Parse({L"clean", L"C", L""}).action, Action::Warning);
  EXPECT_EQ(Parse({L"clean", L"", L""}).action, Action::Warning);
  EXPECT_EQ(Parse({L"clean", L"C", L"..\\Guest"}).action, Action::Warning);
  EXPECT_EQ(Parse({L"clean", L"C", L"\\"}).action, Action::Warning);
  // A blank is a text, as in the window; malformed beats refused.
  EXPECT_EQ(Parse({L"clean", L" ", L" "}).action, Action::Clean);
  EXPECT_EQ(Parse({L"clean", L"CC", L""}).action, Action::Usage);
}

}  // namespace
}  // namespace brim::cli
