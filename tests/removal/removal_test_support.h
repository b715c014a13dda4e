#pragma once
// Builds small trees on the test drive through Win32, behind "\\?\".

#include <windows.h>

#include <string>

#include "platform/failure.h"

namespace brim::testing {

// A fresh folder on the test drive for one test, e.g. L"Q:\\Name".
std::wstring FreshFolder(const wchar_t* name);

void MakeDir(const std::wstring& path);
void MakeFile(const std::wstring& path, bool read_only = false);
bool Exists(const std::wstring& path);
void SetReadOnly(const std::wstring& path);

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
