#pragma once
// The main window `S`: its handlers.

#include <string>
#include <string_view>

#include "platform/forms.h"
#include "ui/program.h"

namespace brim::ui {

class MainWindow : public platform::FormEvents {
 public:
  MainWindow(Program& program, platform::Form& self) : program_(program), self_(self) {}

  platform::Handler ClickHandler(std::wstring_view control) override;
  void Form_Unload() override;
  void Form_Terminate() override;

  void Cmd1_Click();  // "Cleanup"
  void Cmd2_Click();  // "Exit Program"
  void Cmd3_Click();  // "About"

 private:
  void DA(const std::wstring& DirtoDelete);

  Program& program_;
  platform::Form& self_;
};

}  // namespace brim::ui
