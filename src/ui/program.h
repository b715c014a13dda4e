#pragma once
// What the handlers of both windows reach by name: the two window instances,
// the end of the program, the message box and the platform services.

#include "platform/controls.h"
#include "platform/forms.h"
#include "platform/removal.h"
#include "platform/shell.h"
#include "ui/designs.h"

namespace brim::ui {

struct Services {
  platform::FileSystemObjectFactory& fso;
  platform::FileRemoval& files;
  platform::Shell& shell;  // one for the whole program
  platform::Breather* breather = nullptr;
};

class Program {
 public:
  Program(platform::Forms& forms, const Services& services) : forms_(forms), services_(services) {}

  platform::Form& S() { return forms_.Instance(kMainName); }
  platform::Form& Ab() { return forms_.Instance(kAboutName); }
  platform::Form* ExistingS() { return forms_.Existing(kMainName); }
  platform::Form* ExistingAb() { return forms_.Existing(kAboutName); }
  void End() { forms_.End(); }
  platform::MsgBox& Box() { return forms_.Box(); }
  [[nodiscard]] const Services& services() const { return services_; }

  // The two window classes, for the runtime to create instances from.
  platform::FormClass MainClass();
  platform::FormClass AboutClass();

 private:
  platform::Forms& forms_;
  Services services_;
};

}  // namespace brim::ui
