// A whole cleanup run with the real removal layer and fake controls:
//   whole_run_tool DRIVE_TEXT USER_TEXT
//     prints the bar's final value and every message box shown; a USER_TEXT of
//     "@FILE" makes one run per line of FILE (see tool_args.h), each printed so;
//     last, "helper jobs=N": the shares that helper threads removed;
//   whole_run_tool --pairs
//     reads one pair a line from stdin, "DRIVE USER", each text as the hex of
//     its UTF-16 code units (4 digits each, "-" for an empty text, so any
//     code unit but NUL's terminator gets through), runs each and answers
//     "bar=VALUE boxes=FLAGS:PROMPT|..." on one line (line breaks as \n, \r).
#include <windows.h>

#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cleanup/cleanup_run.h"
#include "fakes/fake_controls.h"
#include "platform/win32/removal/helper_threads.h"
#include "platform/win32/removal/removal_front.h"
#include "removal/tool_args.h"

namespace {

struct Outcome {
  float bar;
  std::vector<brim::fakes::ShownBox> boxes;
};

// As in the program: one front for the process, each run's end forgotten.
Outcome WholeRun(brim::platform::win32::RemovalFront& removal, const std::wstring& drive,
                 const std::wstring& user) {
  brim::fakes::Log log;
  brim::fakes::FakeTextBox d(log, L"D", drive);
  brim::fakes::FakeTextBox u(log, L"U", user);
  brim::fakes::FakeControl cmd1(log, L"Cmd1");
  brim::fakes::FakeControl cmd2(log, L"Cmd2");
  brim::fakes::FakeControl cmd3(log, L"Cmd3");
  brim::fakes::FakeProgressBar bar(log);
  brim::fakes::FakeMessageBox box(log);
  // As the window's DA: a fresh object for every folder row.
  const auto da = [&](const std::wstring& path) { removal.Folders().Create()->DeleteFolder(path, true); };
  brim::cleanup::RunWindow window{d, u, cmd1, cmd2, cmd3, bar, box, da, removal.Files()};
  brim::cleanup::CleanupRun(window);
  removal.EndRun();
  return Outcome{bar.Value(), box.shown};
}

bool FromHex(const std::string& hex, std::wstring& text) {
  text.clear();
  if (hex == "-") {
    return true;
  }
  if (hex.size() % 4 != 0) {
    return false;
  }
  for (std::size_t i = 0; i < hex.size(); i += 4) {
    try {
      text += static_cast<wchar_t>(std::stoul(hex.substr(i, 4), nullptr, 16));
    } catch (const std::exception&) {
      return false;
    }
  }
  return true;
}

int Pairs(brim::platform::win32::RemovalFront& removal) {
  for (std::string line; std::getline(std::cin, line);) {
    const std::size_t blank = line.find(' ');
    std::wstring drive;
    std::wstring user;
    if (blank == std::string::npos || !FromHex(line.substr(0, blank), drive) ||
        !FromHex(line.substr(blank + 1), user)) {
      std::printf("error=bad pair\n");
      std::fflush(stdout);
      continue;
    }
    const Outcome out = WholeRun(removal, drive, user);
    std::printf("bar=%g boxes=", static_cast<double>(out.bar));
    for (const auto& shown : out.boxes) {
      std::wstring prompt;  // on one line
      for (const wchar_t c : shown.prompt) {
        prompt += c == L'\n' ? std::wstring(L"\\n") : c == L'\r' ? std::wstring(L"\\r") : std::wstring(1, c);
      }
      std::printf("%u:%ls|", shown.flags, prompt.c_str());
    }
    std::printf("\n");
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  brim::platform::win32::RemovalFront removal;
  if (argc == 2 && std::wstring(argv[1]) == L"--pairs") {
    return Pairs(removal);
  }
  if (argc != 3) {
    std::printf("usage: whole_run_tool DRIVE_TEXT USER_TEXT | --pairs\n");
    return 2;
  }
  for (const std::wstring& user : brim::testing::ArgTexts(argv[2])) {
    const Outcome out = WholeRun(removal, argv[1], user);
    std::printf("bar=%g\n", static_cast<double>(out.bar));
    for (const auto& shown : out.boxes) {
      std::printf("box flags=%u prompt=%ls\n", shown.flags, shown.prompt.c_str());
    }
  }
  std::printf("helper jobs=%llu\n", static_cast<unsigned long long>(brim::platform::win32::HelperJobsDone()));
  std::fflush(stdout);
  return 0;
}
