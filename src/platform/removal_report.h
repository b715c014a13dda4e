#pragma once
// What a removal can tell a caller that wants to know: each item that went
// (or, in a preview, would go) and each item that stayed, with its reason.
// The window's run passes no sink and gets none of this.

#include <cstdint>
#include <string>
#include <string_view>

namespace brim::platform {

// Why an item stays. `Error` is any other failure; its code says which.
enum class Stay {
  Error,
  Link,        // a link, or something swapped in since it was listed: left as it is
  NotAFolder,  // a folder target that is really a file
  ReadOnly,    // a read-only file in a files row
  CantList,    // a folder whose contents can't be listed
};

// Paths are the composed target path, with the names found below it.
// Calls come from the removing thread only.
class RemovalSink {
 public:
  virtual ~RemovalSink() = default;
  virtual void Removed(std::wstring_view path, bool folder, std::uint64_t bytes) = 0;
  virtual void Stayed(std::wstring_view path, Stay why, std::uint32_t error) = 0;
};

// Preview walks a target exactly as a removal would and removes nothing:
// it opens nothing for writing, changes no attribute and takes no delete
// access. Every containment rule of removal.h holds for it too.
enum class Mode { Remove, Preview };

// The two removals of removal.h, reporting to a sink. Both throw Failure
// as their plain forms do; what went before the failure is reported.
class ReportingRemoval {
 public:
  virtual ~ReportingRemoval() = default;
  // A folder row: the folder with everything in it, read-only items included.
  virtual void Folder(const std::wstring& folder_spec, Mode mode, RemovalSink& sink) = 0;
  // A files row: every file that the path's last component matches.
  virtual void Files(const std::wstring& path, Mode mode, RemovalSink& sink) = 0;
};

}  // namespace brim::platform
