// A whole cleanup run with the real removal layer and fake controls:
//   whole_run_tool DRIVE_TEXT USER_TEXT
// Prints the bar's final value and every message box shown. A USER_TEXT of
// "@FILE" makes one run per line of FILE (see tool_args.h), each printed so.
#include <windows.h>

#include <cstdio>
#include <string>

#include "cleanup/cleanup_run.h"
#include "fakes/fake_controls.h"
#include "platform/win32/factories.h"
#include "removal/tool_args.h"

namespace {

void WholeRun(const std::wstring& drive, const std::wstring& user) {
  brim::fakes::Log log;
  brim::fakes::FakeTextBox d(log, L"D", drive);
  brim::fakes::FakeTextBox u(log, L"U", user);
  brim::fakes::FakeControl cmd1(log, L"Cmd1");
  brim::fakes::FakeControl cmd2(log, L"Cmd2");
  brim::fakes::FakeControl cmd3(log, L"Cmd3");
  brim::fakes::FakeProgressBar bar(log);
  brim::fakes::FakeMessageBox box(log);
  const auto folders = brim::platform::win32::MakeFileSystemObjectFactory(nullptr);
  const auto files = brim::platform::win32::MakeFileRemoval(nullptr);
  brim::cleanup::RunWindow window{
      d,     u,   cmd1, cmd2,
      cmd3,  bar, box,  [&](const std::wstring& path) { brim::cleanup::DA(*folders, path); },
      *files};
  brim::cleanup::CleanupRun(window);
  std::printf("bar=%g\n", static_cast<double>(bar.Value()));
  for (const auto& shown : box.shown) {
    std::printf("box flags=%u prompt=%ls\n", shown.flags, shown.prompt.c_str());
  }
  std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::printf("usage: whole_run_tool DRIVE_TEXT USER_TEXT\n");
    return 2;
  }
  for (const std::wstring& user : brim::testing::ArgTexts(argv[2])) {
    WholeRun(argv[1], user);
  }
  return 0;
}
