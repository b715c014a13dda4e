#include "removal/removal_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ranges>

#include "platform/win32/removal/removal_front.h"

namespace brim::testing {
namespace {
std::wstring Long(const std::wstring& path) { return L"\\\\?\\" + path; }

bool ReadOnlyMark(const std::wstring& entry) { return !entry.empty() && entry.front() == L'!'; }

bool FolderMark(const std::wstring& entry) { return !entry.empty() && entry.back() == L'\\'; }

std::wstring PlainName(const std::wstring& entry) {
  const std::size_t from = ReadOnlyMark(entry) ? 1 : 0;
  const std::size_t to = FolderMark(entry) ? entry.size() - 1 : entry.size();
  return entry.substr(from, to - from);
}
}  // namespace

std::vector<std::wstring> Chain(const std::wstring& top, int levels) {
  std::vector<std::wstring> folders;
  std::wstring d = top;
  MakeDir(d);
  for (int i = 0; i < levels; ++i) {
    d += L"\\l" + std::to_wstring(i);
    MakeDir(d);
    MakeFile(d + L"\\f", i % 9 == 0);
    folders.push_back(d);
  }
  return folders;
}

void MakeTree(const std::wstring& base, const Tree& entries) {
  for (const std::wstring& entry : entries) {
    const std::wstring path = base + L"\\" + PlainName(entry);
    if (FolderMark(entry)) {
      MakeDir(path);
    } else {
      MakeFile(path);
    }
  }
  // Last, and children before parents: nothing more goes into a read-only folder.
  for (const std::wstring& entry : entries | std::views::reverse) {
    if (ReadOnlyMark(entry)) {
      SetReadOnly(base + L"\\" + PlainName(entry));
    }
  }
}

Tree Present(const std::wstring& base, const Tree& entries) {
  Tree found;
  for (const std::wstring& entry : entries) {
    if (Exists(base + L"\\" + PlainName(entry))) {
      found.push_back(PlainName(entry));
    }
  }
  return found;
}

std::wstring FreshFolder(const wchar_t* name) {
  const char* letter = std::getenv("BRIM_TEST_DRIVE");
  std::wstring root = letter != nullptr ? std::wstring(1, static_cast<wchar_t>(letter[0])) : L"Q";
  std::wstring path = root + L":\\" + name;
  MakeDir(path);
  return path;
}

void MakeDir(const std::wstring& path) {
  if (::CreateDirectoryW(Long(path).c_str(), nullptr) == FALSE && ::GetLastError() != ERROR_ALREADY_EXISTS) {
    ADD_FAILURE() << "cannot make folder, error " << ::GetLastError();
  }
}

void MakeFile(const std::wstring& path, bool read_only) {
  const HANDLE h = ::CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    ADD_FAILURE() << "cannot make file, error " << ::GetLastError();
    return;
  }
  DWORD written = 0;
  ::WriteFile(h, "data", 4, &written, nullptr);
  ::CloseHandle(h);
  if (read_only) {
    SetReadOnly(path);
  }
}

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(Long(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void SetReadOnly(const std::wstring& path) {
  const DWORD a = ::GetFileAttributesW(Long(path).c_str());
  ::SetFileAttributesW(Long(path).c_str(), a | FILE_ATTRIBUTE_READONLY);
}

unsigned long DeleteFolder(const std::wstring& folder_spec, bool force, platform::Breather* breather) {
  platform::win32::RemovalFront front(breather);
  return FailureCode([&] { front.Folders().Create()->DeleteFolder(folder_spec, force); });
}

}  // namespace brim::testing
