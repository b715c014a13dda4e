#include "ui/program.h"

#include <memory>

#include "ui/about_window.h"
#include "ui/main_window.h"

namespace brim::ui {

platform::FormClass Program::MainClass() {
  return {&kMainDesign, [this](platform::Form& self) { return std::make_unique<MainWindow>(*this, self); }};
}

platform::FormClass Program::AboutClass() {
  return {&kAboutDesign, [this](platform::Form& self) { return std::make_unique<AboutWindow>(*this, self); }};
}

}  // namespace brim::ui
