#pragma once
// Builds small trees on the test drive through Win32, behind "\\?\".

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/controls.h"
#include "platform/failure.h"
#include "platform/removal_report.h"

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
// `levels` folders l0\l1\... below `top` (made too), a file f in each, every
// ninth read-only; the folders' paths, top down.
std::vector<std::wstring> Chain(const std::wstring& top, int levels);

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

// DeleteFolder through the window's own factory; the error code, or 0.
unsigned long DeleteFolder(const std::wstring& folder_spec, bool force = true,
                           platform::Breather* breather = nullptr);

// Every report of a reporting removal, by kind.
class RecordingSink : public platform::RemovalSink {
 public:
  void Removed(std::wstring_view path, bool folder, std::uint64_t /*bytes*/) override {
    (folder ? folders : files).emplace(path);
  }
  void Stayed(std::wstring_view path, platform::Stay why, std::uint32_t error) override {
    stayed.emplace(path);
    reasons[std::wstring(path)] = why;
    codes[std::wstring(path)] = error;
  }
  std::set<std::wstring> files;    // removed
  std::set<std::wstring> folders;  // removed
  std::set<std::wstring> stayed;
  std::map<std::wstring, platform::Stay> reasons;  // of those that stayed
  std::map<std::wstring, std::uint32_t> codes;     // of those that stayed
};

}  // namespace brim::testing
