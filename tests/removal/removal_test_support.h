#pragma once
// Builds small trees on the test drive through Win32, behind "\\?\".

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/failure.h"

namespace brim::testing {

// A fresh folder on the test drive for one test, e.g. L"Q:\\Name".
std::wstring FreshFolder(const wchar_t* name);

void MakeDir(const std::wstring& path);
void MakeFile(const std::wstring& path, bool read_only = false);
bool Exists(const std::wstring& path);
void SetReadOnly(const std::wstring& path);

// Entries under `base`, parents first: a name ending in '\\' is a folder, any
// other a file; a leading '!' makes it read-only once everything is made.
using Tree = std::vector<std::wstring>;
void MakeTree(const std::wstring& base, const Tree& entries);
// Those of `entries` (written as for MakeTree) that exist, as plain names.
Tree Present(const std::wstring& base, const Tree& entries);

// The error code of a failing call, or 0 when it did not fail.
template <typename F>
unsigned long FailureCode(F&& f) {
  try {
    f();
  } catch (const brim::platform::Failure& e) {
    return e.code() == 0 ? ~0UL : e.code();
  }
  return 0;
}

}  // namespace brim::testing
