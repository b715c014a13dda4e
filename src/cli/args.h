#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brim::cli {

inline constexpr std::wstring_view kUsage =
    L"usage: brimsweep-cli preview DRIVE USER [--json]\n"
    L"       brimsweep-cli clean   DRIVE USER [--json]\n"
    L"       brimsweep-cli selftest [--json]\n"
    L"       brimsweep-cli --help | --version\n";

enum class Action {
  Help,
  Version,
  Preview,
  Clean,
  Selftest,
  Usage,    // the command line is malformed: `problem` says how
  Warning,  // well formed, but the texts fail the window's validation
};

struct Invocation {
  Action action = Action::Usage;
  std::wstring drive;
  std::wstring user;
  bool json = false;
  std::wstring problem;
};

// `args` without the program's own name.
Invocation ParseArgs(const std::vector<std::wstring>& args);

}  // namespace brim::cli
