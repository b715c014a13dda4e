// Drives the real removal layer for the Linux-side tests:
//   remove_tool [--one-run] [--pause-after-mark HANDSHAKE_DIR] [--pause-before NAME HANDSHAKE_DIR]
//               OP PATH [OP PATH ...]
// OP is folder, files or probe; "loop SECONDS PATH" removes PATH again and
// again for that long. One line of output per operation. A PATH of "@FILE"
// is read from FILE (see tool_args.h). Every removal goes through the
// program's front: with --one-run one front for all, so the operations share
// their resolved drive and profile, and their helper threads, as a run's
// rows do ("wait HANDSHAKE_DIR" then stands between two rows until the
// script says go, and "forget -" ends the run); without it, a front of its
// own for each removal, as in a program that makes one removal.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "platform/failure.h"
#include "platform/target.h"
#include "platform/win32/removal/folder_by_path.h"
#include "platform/win32/removal/nt_file.h"
#include "platform/win32/removal/removal_front.h"
#include "platform/win32/text.h"
#include "removal/tool_args.h"

namespace win32 = brim::platform::win32;
namespace nt = brim::platform::win32::nt;

namespace {

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Tells the script that the walk stands between listing and opening NAME,
// then waits (bounded) until the script has swapped it.
void Handshake(const std::wstring& dir) {
  const std::wstring fired = dir + L"\\hook-fired";
  const HANDLE h = ::CreateFileW(fired.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    ::CloseHandle(h);
  }
  for (int i = 0; i < 1000 && !Exists(dir + L"\\hook-go"); ++i) {
    ::Sleep(20);
  }
}

void Probe(const std::wstring& path) {
  const brim::platform::Target split =
      brim::platform::ReadTarget(path, brim::platform::RowKind::Files, win32::SameName).target;
  const win32::NtHandle parent = win32::OpenFolderByPath(split.folder, FILE_LIST_DIRECTORY);
  win32::FoundEntry entry;
  if (!win32::LookupEntry(parent.get(), split.leaf, entry)) {
    std::printf("probe missing\n");
    return;
  }
  win32::NtHandle h;
  const nt::Status s = win32::OpenRelative(parent.get(), entry.name, FILE_READ_ATTRIBUTES, 0, h);
  win32::Identity identity;
  std::vector<ULONGLONG> buffer;
  std::wstring_view name;
  if (nt::Failed(s) || nt::Failed(win32::QueryIdentity(h.get(), identity)) ||
      nt::Failed(win32::QueryResolvedName(h.get(), buffer, name))) {
    std::printf("probe listed_attr=%lx listed_id=%lld open_fail=%lx\n", entry.attributes,
                static_cast<long long>(entry.id), static_cast<unsigned long>(s));
    return;
  }
  std::printf(
      "probe listed_attr=%lx listed_id=%lld handle_attr=%lx handle_id=%lld parent=%s handle_name=%s\n",
      entry.attributes, static_cast<long long>(entry.id), identity.attributes,
      static_cast<long long>(identity.id), win32::NarrowUtf8(win32::ResolvedName(parent.get())).c_str(),
      win32::NarrowUtf8(name).c_str());
}

// Holds the file open without delete sharing, as a program using it would,
// until standard input closes.
void Hold(const std::wstring& path) {
  const win32::FileHandle h(::CreateFileW((L"\\\\?\\" + path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
  if (h) {
    std::printf("held\n");
  } else {
    std::printf("hold fail %lu\n", static_cast<unsigned long>(::GetLastError()));
  }
  std::fflush(stdout);
  char c = 0;
  DWORD got = 0;
  while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), &c, 1, &got, nullptr) != FALSE && got != 0) {
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  win32::RemovalHooks hooks;
  int i = 1;
  const bool one_run = argc > 1 && std::wstring_view(argv[1]) == L"--one-run";
  if (one_run) {
    i = 2;
  }
  if (argc > i + 1 && std::wstring_view(argv[i]) == L"--pause-after-mark") {
    const std::wstring handshake = argv[i + 1];
    hooks.after_mark = [handshake] { Handshake(handshake); };
    i += 2;
  }
  if (argc > i + 2 && std::wstring_view(argv[i]) == L"--pause-before") {
    const std::wstring target = argv[i + 1];
    const std::wstring handshake = argv[i + 2];
    hooks.before_open = [target, handshake](std::wstring_view child) {
      if (child == target) {
        Handshake(handshake);
      }
    };
    i += 3;
  }
  win32::RemovalFront run(nullptr, hooks);
  const auto remove_one = [&](bool folder, const std::wstring& path) {
    std::optional<win32::RemovalFront> own;
    win32::RemovalFront& front = one_run ? run : own.emplace(nullptr, hooks);
    if (folder) {
      front.Folders().Create()->DeleteFolder(path, true);
    } else {
      front.Files().Kill(path);
    }
  };
  for (; i + 1 < argc; i += 2) {
    const std::wstring_view op = argv[i];
    try {
      if (op == L"loop" && i + 2 < argc) {
        const auto ms = static_cast<DWORD>(std::wcstoul(argv[i + 1], nullptr, 10) * 1000);
        const std::wstring path = argv[i + 2];
        const DWORD start = ::GetTickCount();
        unsigned runs = 0;
        unsigned removed = 0;
        while (::GetTickCount() - start < ms) {
          ++runs;
          try {
            remove_one(true, path);
            ++removed;
          } catch (const brim::platform::Failure&) {  // NOLINT(bugprone-empty-catch): counted below
          }
        }
        std::printf("loop runs=%u removed=%u\n", runs, removed);
        ++i;
        continue;
      }
      const std::wstring path = brim::testing::ArgText(argv[i + 1]);
      if (op == L"folder") {
        remove_one(true, path);
      } else if (op == L"files") {
        remove_one(false, path);
      } else if (op == L"wait") {
        Handshake(path);
      } else if (op == L"forget") {
        run.EndRun();
      } else if (op == L"probe") {
        Probe(path);
        continue;
      } else if (op == L"hold") {
        Hold(path);
        continue;
      } else {
        std::printf("unknown operation\n");
        return 2;
      }
      std::printf("%s ok\n", win32::NarrowUtf8(op).c_str());
    } catch (const brim::platform::Failure& f) {
      std::printf("%s fail %lu\n", win32::NarrowUtf8(op).c_str(), static_cast<unsigned long>(f.code()));
    }
    std::fflush(stdout);
  }
  return 0;
}
