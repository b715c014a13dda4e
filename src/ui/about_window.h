#pragma once
// The About window `Ab`: its handlers.

#include <string_view>

#include "links/outside_links.h"
#include "platform/forms.h"
#include "ui/program.h"

namespace brim::ui {

class AboutWindow : public platform::FormEvents {
 public:
  AboutWindow(Program& program, platform::Form& self) : program_(program), self_(self) {}

  platform::Handler ClickHandler(std::wstring_view control) override;
  void Form_Load() override;
  void Form_Unload() override;
  void Form_Terminate() override;

  void Cmd1_Click();  // "OK"

 private:
  links::AboutContext Context();

  Program& program_;
  platform::Form& self_;
};

}  // namespace brim::ui
