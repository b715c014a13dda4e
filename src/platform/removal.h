#pragma once

#include <memory>
#include <string>

namespace brim::platform {

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
