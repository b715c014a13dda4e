// A whole cleanup run with the real removal layer and fake controls:
//   whole_run_tool DRIVE_TEXT USER_TEXT
// Prints the bar's final value and every message box shown.
#include <windows.h>

#include <cstdio>
#include <string>

#include "cleanup/cleanup_run.h"
#include "fakes/fake_controls.h"
#include "platform/win32/removal/factories.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::printf("usage: whole_run_tool DRIVE_TEXT USER_TEXT\n");
    return 2;
  }
  brim::fakes::Log log;
  brim::fakes::FakeTextBox d(log, L"D", argv[1]);
  brim::fakes::FakeTextBox u(log, L"U", argv[2]);
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
  return 0;
}
