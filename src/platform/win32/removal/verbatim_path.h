#pragma once

#include <string>
#include <string_view>

namespace brim::platform::win32 {

// A part of a read target (see platform/target.h) in the NT layer's own
// form ("\??\Q:\..."), for NtOpenFile from the top of the namespace: handed
// to the file system as it stands, "." and ".." not folded, trailing dots
// and blanks kept. The target's reading has made sure that the system can
// name it whole.
std::wstring NtPath(std::wstring_view path);

}  // namespace brim::platform::win32
