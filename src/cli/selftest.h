#pragma once
// The self-test's report: for each kind of item it tried to make in a
// scratch folder, whether the preview and the clean held, broke, or the item
// could not be made on this system. The making and the checks are the
// platform's (app/cli_selftest.cpp); the verdict and its two forms are here.

#include <string>
#include <string_view>
#include <vector>

namespace brim::cli {

enum class Verdict { Held, Broke, NotMade };

struct SelftestCase {
  std::wstring name;  // "junction to an outside folder"
  Verdict verdict = Verdict::Held;
  std::wstring detail;  // what broke, or why it could not be made; else empty
};

struct SelftestResult {
  std::wstring scratch;  // the two scratch folders, for the report
  std::wstring outside;
  std::vector<SelftestCase> cases;
  std::wstring cleanup_problem;  // empty when both scratch folders went
};

// 0 when every case that was made held, 1 when one broke.
int SelftestExitCode(const SelftestResult& result);
std::wstring SelftestPlain(const SelftestResult& result);
std::string SelftestJson(const SelftestResult& result);

}  // namespace brim::cli
