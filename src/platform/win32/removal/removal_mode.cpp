#include "platform/win32/removal/removal_mode.h"

#include <vector>

#include "platform/win32/removal/child_open.h"

namespace brim::platform::win32 {

// On Windows the attribute keeps no child, and a folder whose ACL withholds
// the right to clear it is left to its delete, which ignores read-only
// where the system can.
nt::Status RemovalMode::ClearIfReadOnly(HANDLE parent, std::wstring_view parent_name, std::wstring_view name,
                                        std::int64_t id, ULONG attributes,
                                        std::wstring_view tree_root) const {
  if (!clears(attributes)) {
    return nt::kSuccess;
  }
  std::vector<ULONGLONG> name_buffer;
  const CheckedChild writable =
      OpenChecked(parent, parent_name, DirEntry{name, FILE_ATTRIBUTE_DIRECTORY, id},
                  FILE_WRITE_ATTRIBUTES | FILE_READ_ATTRIBUTES, tree_root, name_buffer);
  if (writable.status == nt::kAccessDenied) {
    return nt::kSuccess;
  }
  return writable.status != nt::kSuccess ? writable.status : ClearReadOnly(writable.handle.get(), attributes);
}

}  // namespace brim::platform::win32
