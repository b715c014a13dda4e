#include "platform/win32/removal/anchor_cache.h"

#include "platform/win32/removal/folder_by_path.h"

namespace brim::platform::win32 {

std::wstring AnchorCache::Resolved(const std::wstring& path) {
  for (const auto& [given, resolved] : entries_) {
    if (given == path) {  // exactly as composed: another spelling resolves afresh
      return resolved;
    }
  }
  std::wstring resolved = ResolvedName(OpenFolderByPath(path).get());
  entries_.emplace_back(path, resolved);
  return resolved;
}

}  // namespace brim::platform::win32
