#include "cleanup/target_path.h"

namespace brim::cleanup {

std::wstring TargetPath(const Row& row, std::wstring_view drive, std::wstring_view user) {
  std::wstring path(drive);
  if (row.root == Root::Profile) {
    path += kProfileRoot;
    path += user;
  }
  path += row.tail;
  return path;
}

}  // namespace brim::cleanup
