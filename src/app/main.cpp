// The entry: the main window from its stored design, centred on the screen,
// then nothing but the message loop. No command line, environment, settings
// or single-instance check.

#include "platform/win32/forms/breather.h"
#include "platform/win32/forms/dpi.h"
#include "platform/win32/forms/forms_win32.h"
#include "platform/win32/removal/removal_front.h"
#include "platform/win32/shell/factories.h"
#include "ui/program.h"

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*command_line*/, int /*show*/) {
  namespace win32 = brim::platform::win32;
  win32::EnableDpiAwareness();

  const auto shell = win32::MakeShell();  // one for the whole program
  win32::FormsRuntime forms([&shell] { return win32::MakeWebBrowser(*shell); });

  win32::PaintBreather breather(forms);
  win32::RemovalFront removal(&breather);
  forms.AfterEachHandler([&removal] { removal.EndRun(); });  // a run is one handler
  brim::ui::Program program(forms, brim::ui::Services{removal.Folders(), removal.Files(), *shell, &breather});
  forms.Register(program.MainClass());
  forms.Register(program.AboutClass());

  forms.Dispatch([&program] { program.S().Show(); });
  return forms.Run();
}
