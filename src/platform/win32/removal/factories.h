#pragma once
// The Win32 removal behind the platform's removal interfaces.

#include <memory>

#include "platform/controls.h"
#include "platform/removal.h"

namespace brim::platform::win32 {

// `breather` (may be null) is called now and then during a long removal.
std::unique_ptr<FileSystemObjectFactory> MakeFileSystemObjectFactory(Breather* breather);
std::unique_ptr<FileRemoval> MakeFileRemoval(Breather* breather);

}  // namespace brim::platform::win32
