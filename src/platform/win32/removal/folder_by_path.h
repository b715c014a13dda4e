#pragma once
// A folder opened by a composed path, as a person's typed path is
// followed: links on the way and at its end are taken, and callers check
// where they led by the name the system gives the handle.

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/win32/handles.h"

namespace brim::platform::win32 {

// What a folder on the way to a target, or holding one, is opened with:
// enough to pass through it and name it, not to list it. On Vista and later
// the profile's compatibility junctions ("Local Settings", ...) refuse
// listing to everyone but allow this.
inline constexpr ACCESS_MASK kPassAccess = FILE_TRAVERSE | FILE_READ_ATTRIBUTES;

// `folder` is a part of a read target (see platform/target.h), whose
// length and NUL rules it obeys. Throws Failure.
NtHandle OpenFolderByPath(std::wstring_view folder, ACCESS_MASK access = kPassAccess);

// The resolved name of an open folder. Throws Failure.
std::wstring ResolvedName(HANDLE dir);

}  // namespace brim::platform::win32
