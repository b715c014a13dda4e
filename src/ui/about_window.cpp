#include "ui/about_window.h"

namespace brim::ui {

platform::Handler AboutWindow::ClickHandler(std::wstring_view control) {
  if (control == L"Cmd1") {
    return [this] { Cmd1_Click(); };
  }
  if (control == L"Blog") {
    return [this] { links::Blog_Click(Context()); };
  }
  if (control == L"Cmd4") {
    return [this] { links::Cmd4_Click(Context()); };
  }
  if (control == L"Cmd2") {
    return [this] { links::Cmd2_Click(Context()); };
  }
  return {};
}

links::AboutContext AboutWindow::Context() {
  return links::AboutContext{self_, program_.services().shell, self_.WebBrowserNamed(L"WebBrowser1"),
                             program_.Box()};
}

void AboutWindow::Form_Load() { program_.S().SetEnabled(false); }

void AboutWindow::Cmd1_Click() {
  program_.S().SetEnabled(true);
  program_.Ab().Unload();
}

void AboutWindow::Form_Unload() { program_.S().SetEnabled(true); }

void AboutWindow::Form_Terminate() {
  // May run after the main window has gone: never create or reload it.
  platform::Form* s = program_.ExistingS();
  if (s != nullptr && s->Loaded()) {
    s->SetEnabled(true);
  }
}

}  // namespace brim::ui
