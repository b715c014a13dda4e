#pragma once
// The Win32 removal behind the platform's removal interfaces.

#include <memory>

#include "platform/controls.h"
#include "platform/removal.h"

namespace brim::platform::win32 {

class AnchorCache;

// `breather` (may be null) is called now and then during a long removal.
// `anchors` (may be null) keeps the drive and profile resolved for a run;
// its owner forgets them when the run ends (see anchor_cache.h).
std::unique_ptr<FileSystemObjectFactory> MakeFileSystemObjectFactory(Breather* breather,
                                                                     AnchorCache* anchors = nullptr);
std::unique_ptr<FileRemoval> MakeFileRemoval(Breather* breather, AnchorCache* anchors = nullptr);

}  // namespace brim::platform::win32
