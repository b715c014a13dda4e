#pragma once
// The Win32 implementations of the platform interfaces, as the windows get them.

#include <memory>

#include "platform/controls.h"
#include "platform/removal.h"
#include "platform/shell.h"

namespace brim::platform::win32 {

// `breather` (may be null) is called now and then during a long removal.
std::unique_ptr<FileSystemObjectFactory> MakeFileSystemObjectFactory(Breather* breather);
std::unique_ptr<FileRemoval> MakeFileRemoval(Breather* breather);

std::unique_ptr<Shell> MakeShell();
std::unique_ptr<WebBrowser> MakeWebBrowser(Shell& shell);

}  // namespace brim::platform::win32
