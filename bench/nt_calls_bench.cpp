// Per-call cost of the NT calls that a safe deletion makes, one phase at a
// time over every file of one flat folder:
//   nt_calls_bench PHASE... FOLDER  phases in order: open name objname identity disp disp0 close
//   nt_calls_bench plain FOLDER       DeleteFileW on each name, for comparison
// Prints "<phase> <microseconds per file>".
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/removal/folder_by_path.h"
#include "platform/win32/removal/nt_file.h"
#include "platform/win32/run_time_entry.h"
#include "process_memory.h"

namespace w = brim::platform::win32;

namespace {

double Now() { return brim::windows::MicrosecondsNow(); }

void Report(const char* phase, double start, std::size_t n) {
  std::printf("%-12s %8.1f us/file\n", phase, (Now() - start) / static_cast<double>(n));
}

using ObjectNameFn = LONG(NTAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    return 2;
  }
  const std::wstring mode = argv[1];
  const std::wstring folder = argv[argc - 1];
  const w::NtHandle dir = w::OpenFolderByPath(folder, FILE_LIST_DIRECTORY);
  std::vector<std::wstring> names;
  double t = Now();
  {
    w::NtHandle fresh;
    w::OpenRelative(dir.get(), L"", FILE_LIST_DIRECTORY, w::nt::kFileDirectoryFile, fresh);
    w::DirectoryListing listing(fresh.get());
    w::DirEntry e;
    while (listing.Next(e) == w::nt::kSuccess) {
      if (e.name != L"." && e.name != L"..") {
        names.emplace_back(e.name);
      }
    }
  }
  const std::size_t n = names.size();
  if (n == 0) {
    return 1;
  }
  Report("list", t, n);
  if (mode == L"plain") {
    t = Now();
    for (const auto& name : names) {
      std::wstring path = L"\\\\?\\";
      path += folder;
      path += L"\\";
      path += name;
      ::DeleteFileW(path.c_str());
    }
    Report("DeleteFileW", t, n);
    return 0;
  }
  std::vector<w::NtHandle> handles(n);
  const auto object_name = w::RunTimeEntry<ObjectNameFn>(L"ntdll.dll", "NtQueryObject");
  std::vector<ULONGLONG> buffer(8192);
  std::wstring_view name;
  for (int a = 1; a < argc - 1; ++a) {
    const std::wstring phase = argv[a];
    t = Now();
    w::DeleteModes modes;
    for (std::size_t i = 0; i < n; ++i) {
      HANDLE h = handles[i].get();
      if (phase == L"open") {
        w::OpenRelative(dir.get(), names[i], DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                        w::nt::kFileNonDirectoryFile, handles[i]);
      } else if (phase == L"name") {
        w::QueryResolvedName(h, buffer, name);
      } else if (phase == L"objname") {
        ULONG got = 0;
        object_name(h, 1, buffer.data(), 65536, &got);
      } else if (phase == L"identity") {
        w::Identity id;
        w::QueryIdentity(h, id);
      } else if (phase == L"disp") {
        w::MarkForDeletion(h, true, modes);
      } else if (phase == L"disp0") {
        w::MarkForDeletion(h, false, modes);
      } else if (phase == L"close") {
        handles[i].reset();
      }
    }
    Report(std::string(phase.begin(), phase.end()).c_str(), t, n);
  }
  return 0;
}
