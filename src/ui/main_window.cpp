#include "ui/main_window.h"

#include <array>

#include "cleanup/cleanup_run.h"
#include "platform/failure.h"

namespace brim::ui {

platform::Handler MainWindow::ClickHandler(std::wstring_view control) {
  if (control == L"Cmd1") {
    return [this] { Cmd1_Click(); };
  }
  if (control == L"Cmd2") {
    return [this] { Cmd2_Click(); };
  }
  if (control == L"Cmd3") {
    return [this] { Cmd3_Click(); };
  }
  return {};
}

void MainWindow::Cmd1_Click() {
  const Services& s = program_.services();
  cleanup::RunWindow run{self_.TextBoxNamed(L"D"),
                         self_.TextBoxNamed(L"U"),
                         self_.ControlNamed(L"Cmd1"),
                         self_.ControlNamed(L"Cmd2"),
                         self_.ControlNamed(L"Cmd3"),
                         self_.ProgressBarNamed(L"PrB"),
                         program_.Box(),
                         [this](const std::wstring& path) { DA(path); },
                         s.files,
                         s.breather};
  cleanup::CleanupRun(run);
}

// A fresh file-system object for every call, released on every way out;
// a failure is the caller's.
void MainWindow::DA(const std::wstring& DirtoDelete) {
  const auto fso = program_.services().fso.Create();
  fso->DeleteFolder(DirtoDelete, true);
}

void MainWindow::Cmd2_Click() {
  program_.S().Unload();
  program_.Ab().Unload();  // creates the instance if need be, to unload it
  program_.End();
}

void MainWindow::Cmd3_Click() { program_.Ab().Show(); }

void MainWindow::Form_Unload() {
  program_.S().Unload();  // already closing: no effect
  program_.Ab().Unload();
}

void MainWindow::Form_Terminate() {
  // Runs at the final release: reach only instances that still exist, so
  // no window is ever created or loaded here.
  const std::array<platform::Form*, 2> windows{program_.ExistingS(), program_.ExistingAb()};
  for (platform::Form* f : windows) {
    if (f != nullptr && f->Loaded()) {
      f->Unload();
    }
  }
}

}  // namespace brim::ui
