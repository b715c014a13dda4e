#pragma once

#include <string>

#include "platform/win32/removal/removal_options.h"

namespace brim::platform::win32 {

// Removes the folder that `folder_spec` names with everything inside, read-only
// items included. Never enters or follows a link: a link inside is removed
// as itself where the platform allows, else left (and the removal fails); a
// target that is itself a link is left. Throws Failure with the first error;
// whatever could be removed is removed. Plain files go on helper threads
// too; `breather` and the hooks are only called on the calling thread.
void RemoveFolderTree(const std::wstring& folder_spec, const RemovalOptions& options);

}  // namespace brim::platform::win32
