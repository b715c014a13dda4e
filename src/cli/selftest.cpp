#include "cli/selftest.h"

#include <algorithm>

#include "cli/output.h"

namespace brim::cli {
namespace {

std::string_view VerdictName(Verdict v) {
  switch (v) {
    case Verdict::Held:
      return "held";
    case Verdict::Broke:
      return "broke";
    case Verdict::NotMade:
      return "not_made";
  }
  return "broke";
}

std::size_t Count(const SelftestResult& r, Verdict v) {
  return static_cast<std::size_t>(
      std::ranges::count_if(r.cases, [v](const SelftestCase& c) { return c.verdict == v; }));
}

std::string Quoted(std::wstring_view text) { return '"' + JsonEscape(text) + '"'; }

}  // namespace

int SelftestExitCode(const SelftestResult& result) { return Count(result, Verdict::Broke) == 0 ? 0 : 1; }

std::wstring SelftestPlain(const SelftestResult& result) {
  std::wstring out =
      L"scratch: " + PlainEscape(result.scratch) + L"\noutside: " + PlainEscape(result.outside) + L"\n";
  for (const SelftestCase& c : result.cases) {
    out += c.verdict == Verdict::Held    ? L"held            "
           : c.verdict == Verdict::Broke ? L"BROKE           "
                                         : L"could not make  ";
    out += c.name;
    if (!c.detail.empty()) {
      out += L"  (" + PlainEscape(c.detail) + L")";
    }
    out += L"\n";
  }
  if (!result.cleanup_problem.empty()) {
    out += L"scratch left behind: " + PlainEscape(result.cleanup_problem) + L"\n";
  }
  out += L"result: " + std::to_wstring(Count(result, Verdict::Held)) + L" held, " +
         std::to_wstring(Count(result, Verdict::Broke)) + L" broke, " +
         std::to_wstring(Count(result, Verdict::NotMade)) + L" could not be made here\n";
  return out;
}

std::string SelftestJson(const SelftestResult& result) {
  std::string out = R"({"verb": "selftest", "scratch": )" + Quoted(result.scratch) +
                    ", \"outside\": " + Quoted(result.outside) + ",\n \"cases\": [";
  bool first = true;
  for (const SelftestCase& c : result.cases) {
    out += first ? "\n  " : ",\n  ";
    first = false;
    out += R"({"case": )" + Quoted(c.name) + R"(, "result": ")" + std::string(VerdictName(c.verdict)) +
           R"(", "detail": )" + Quoted(c.detail) + "}";
  }
  out += "],\n \"cleanup_problem\": " + Quoted(result.cleanup_problem) +
         ",\n \"totals\": {\"held\": " + std::to_string(Count(result, Verdict::Held)) +
         ", \"broke\": " + std::to_string(Count(result, Verdict::Broke)) +
         ", \"not_made\": " + std::to_string(Count(result, Verdict::NotMade)) + "}}\n";
  return out;
}

}  // namespace brim::cli
