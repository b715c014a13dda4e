// The self-test's verdicts, exit code and two forms.
#include <gtest/gtest.h>

#include "cli/selftest.h"

namespace brim::cli {
namespace {

TEST(Selftest, ExitCodeAndFormsFollowTheVerdicts) {
  SelftestResult r{L"C:\\T\\s",
                   L"C:\\T\\s-outside",
                   {{L"folders", Verdict::Held, L""}, {L"junction \"j\"", Verdict::NotMade, L"error 50"}},
                   L""};
  EXPECT_EQ(SelftestExitCode(r), 0);  // a case not made breaks nothing
  EXPECT_NE(SelftestPlain(r).find(L"could not make  junction \"j\"  (error 50)\n"), std::wstring::npos);
  EXPECT_NE(SelftestPlain(r).find(L"result: 1 held, 0 broke, 1 could not be made here\n"),
            std::wstring::npos);
  const std::string json = SelftestJson(r);
  EXPECT_NE(json.find(R"("case": "junction \"j\"", "result": "not_made")"), std::string::npos);
  EXPECT_NE(json.find(R"("scratch": "C:\\T\\s")"), std::string::npos);

  r.cases.push_back({L"hard link \u00e9", Verdict::Broke, L"changed"});
  EXPECT_EQ(SelftestExitCode(r), 1);
  EXPECT_NE(SelftestPlain(r).find(L"BROKE           hard link \u00e9  (changed)"), std::wstring::npos);
  EXPECT_NE(SelftestJson(r).find(R"("hard link \u00e9", "result": "broke")"), std::string::npos);
  EXPECT_NE(SelftestJson(r).find(R"("totals": {"held": 1, "broke": 1, "not_made": 1})"), std::string::npos);
}

}  // namespace
}  // namespace brim::cli
