#pragma once
// The Win32 shell behind the platform's shell interfaces.

#include <memory>

#include "platform/shell.h"

namespace brim::platform::win32 {

std::unique_ptr<Shell> MakeShell();
std::unique_ptr<WebBrowser> MakeWebBrowser(Shell& shell);

}  // namespace brim::platform::win32
