#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace brim::platform {

// Where a drive keeps its users' profiles: "Q:\Documents and Settings\U".
inline constexpr std::wstring_view kProfilesFolder = L"Documents and Settings";

// What both removals promise, whoever calls them: nothing outside the
// target goes.
// - Links on the way to the target may be followed only as far as its own
//   place: the drive root of the path ("Q:\"), or the profile folder
//   ("Q:\Documents and Settings\U") when the target lies inside one, and
//   that profile must lie on the drive. Otherwise the removal fails and
//   touches nothing.
// - Every item is checked by its whole resolved name, drive included; a
//   link inside is never followed.
// - A listed name that holds a path separator is never opened; it stays,
//   and the removal fails.
// - A path too long for the system to name fails before it is used.

// Stands in for the scripting runtime's file-system object.
class FileSystemObject {
 public:
  virtual ~FileSystemObject() = default;
  // Removes the named folder and everything in it. With `force`, read-only
  // items go too. Throws Failure when the path names no folder or when
  // something can't be removed; what was removed stays removed.
  virtual void DeleteFolder(const std::wstring& folder_spec, bool force) = 0;
};

class FileSystemObjectFactory {
 public:
  virtual ~FileSystemObjectFactory() = default;
  // Throws Failure when no object can be made.
  virtual std::unique_ptr<FileSystemObject> Create() = 0;
};

// The file-removal operation: removes every file that `path` names; the last
// component may hold wildcards. Removes no folders. Throws Failure when
// nothing matches or a match can't be removed.
class FileRemoval {
 public:
  virtual ~FileRemoval() = default;
  virtual void Kill(const std::wstring& path) = 0;
};

}  // namespace brim::platform
