#pragma once
// The console companion: parse, validate, walk the catalogue with the
// reporting removal, and print each row as it finishes.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/report.h"
#include "cli/selftest.h"
#include "platform/removal_report.h"

namespace brim::cli {

inline constexpr int kExitDone = 0;  // the run went through, whatever rows failed
inline constexpr int kExitInternal = 1;
inline constexpr int kExitUsage = 2;  // bad command line or texts: nothing touched

// Where the output goes; each call is written at once.
class Console {
 public:
  virtual ~Console() = default;
  virtual void Out(std::wstring_view text) = 0;
  virtual void OutAscii(std::string_view text) = 0;
  virtual void Err(std::wstring_view text) = 0;
};

// Makes the self-test's scratch folders, runs it and removes them (the platform's part).
using Selftest = std::function<SelftestResult()>;

// `args` without the program's own name. Returns the exit code.
int RunCli(const std::vector<std::wstring>& args, platform::ReportingRemoval& removal, Console& console,
           const ErrorText& text, const Selftest& selftest = {});

}  // namespace brim::cli
