#include "cli/args.h"

#include "cleanup/cleanup_run.h"

namespace brim::cli {
namespace {

Invocation Usage(std::wstring problem) {
  Invocation inv;
  inv.action = Action::Usage;
  inv.problem = std::move(problem);
  return inv;
}

}  // namespace

Invocation ParseArgs(const std::vector<std::wstring>& args) {
  if (args.empty()) {
    return Usage(L"no command given");
  }
  const std::wstring& verb = args[0];
  if (args.size() == 1 && (verb == L"--help" || verb == L"-h" || verb == L"/?")) {
    return Invocation{Action::Help, {}, {}, false, {}};
  }
  if (args.size() == 1 && verb == L"--version") {
    return Invocation{Action::Version, {}, {}, false, {}};
  }
  if (verb == L"selftest") {
    if (args.size() > 2 || (args.size() == 2 && args[1] != L"--json")) {
      return Usage(L"selftest takes only --json");
    }
    return Invocation{Action::Selftest, {}, {}, args.size() == 2, {}};
  }
  Invocation inv;
  if (verb == L"preview") {
    inv.action = Action::Preview;
  } else if (verb == L"clean") {
    inv.action = Action::Clean;
  } else {
    return Usage(L"unknown command");
  }
  if (args.size() < 3) {
    return Usage(L"DRIVE and USER are needed");
  }
  if (args.size() > 4 || (args.size() == 4 && args[3] != L"--json")) {
    return Usage(L"too many arguments");
  }
  inv.drive = args[1];
  inv.user = args[2];
  inv.json = args.size() == 4;
  // The window's drive box holds one character at most.
  if (inv.drive.size() > 1) {
    return Usage(L"DRIVE is one character");
  }
  if (!cleanup::TextsAccepted(inv.drive, inv.user)) {
    inv.action = Action::Warning;
  }
  return inv;
}

}  // namespace brim::cli
