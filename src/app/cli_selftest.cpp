#include "app/cli_selftest.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "platform/win32/handles.h"
#include "platform/win32/run_time_entry.h"

namespace brim::app {
namespace {

using platform::win32::FileHandle;

std::wstring Join(const std::wstring& folder, std::wstring_view name) {
  std::wstring out = folder;
  out += L'\\';
  out += name;
  return out;
}

std::wstring Long(const std::wstring& path) { return L"\\\\?\\" + path; }

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(Long(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring ErrorOf(const wchar_t* what) {
  return std::wstring(what) + L": error " + std::to_wstring(::GetLastError());
}

bool MakeDir(const std::wstring& path) { return ::CreateDirectoryW(Long(path).c_str(), nullptr) != FALSE; }

bool MakeFile(const std::wstring& path, const std::string& bytes, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
  const FileHandle h(::CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!h ||
      ::WriteFile(h.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) == FALSE) {
    return false;
  }
  return attributes == FILE_ATTRIBUTE_NORMAL || ::SetFileAttributesW(Long(path).c_str(), attributes) != FALSE;
}

// A file's bytes and attributes, as the outside checks compare them.
std::string Fingerprint(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(Long(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return "missing";
  }
  std::string out = std::to_string(attributes) + ":";
  const FileHandle h(::CreateFileW(Long(path).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h) {
    return out + "unreadable";
  }
  char chunk[4096];  // NOLINT(modernize-avoid-c-arrays): a read buffer
  DWORD n = 0;
  while (::ReadFile(h.get(), chunk, sizeof chunk, &n, nullptr) != FALSE && n > 0) {
    out.append(chunk, n);
  }
  return out;
}

struct Case {
  std::wstring name;
  std::vector<std::wstring> own;      // below the target
  std::vector<std::wstring> outside;  // files below the outside folder that must not change
  std::wstring not_made;              // why, when it could not be made
};

struct Sink : platform::RemovalSink {
  void Removed(std::wstring_view /*path*/, bool /*folder*/, std::uint64_t /*bytes*/) override {}
  void Stayed(std::wstring_view path, platform::Stay /*why*/, std::uint32_t /*error*/) override {
    stayed.emplace_back(path);
  }
  std::vector<std::wstring> stayed;
};

bool ReportedStaying(const Sink& sink, const std::wstring& item) {
  return std::ranges::any_of(sink.stayed, [&](const std::wstring& s) {
    return s.size() >= item.size() &&
           ::CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, s.data(), static_cast<int>(item.size()),
                            item.data(), static_cast<int>(item.size())) == CSTR_EQUAL &&
           (s.size() == item.size() || s[item.size()] == L'\\');
  });
}

// A mount point (junction) at the empty folder `link` to `to`, made as the
// system's own tools make one.
std::wstring MakeJunction(const std::wstring& link, const std::wstring& to) {
  if (!MakeDir(link)) {
    return ErrorOf(L"CreateDirectoryW");
  }
  const FileHandle h(::CreateFileW(Long(link).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!h) {
    return ErrorOf(L"opening the folder");
  }
  const std::wstring target = L"\\??\\" + to;
  const std::size_t names =
      (target.size() + 1 + 1) * sizeof(wchar_t);  // substitute and print names, each NUL-ended
  std::vector<unsigned char> buffer(8 + 8 + names);
  auto put16 = [&](std::size_t at, std::size_t v) {
    buffer[at] = static_cast<unsigned char>(v & 0xFF);
    buffer[at + 1] = static_cast<unsigned char>((v >> 8) & 0xFF);
  };
  const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
  std::memcpy(buffer.data(), &tag, sizeof tag);
  put16(4, 8 + names);                               // ReparseDataLength
  put16(8, 0);                                       // SubstituteNameOffset
  put16(10, target.size() * sizeof(wchar_t));        // SubstituteNameLength
  put16(12, (target.size() + 1) * sizeof(wchar_t));  // PrintNameOffset
  put16(14, 0);                                      // PrintNameLength
  std::memcpy(buffer.data() + 16, target.data(), target.size() * sizeof(wchar_t));
  DWORD returned = 0;
  if (::DeviceIoControl(h.get(), FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(buffer.size()),
                        nullptr, 0, &returned, nullptr) == FALSE) {
    return ErrorOf(L"FSCTL_SET_REPARSE_POINT");
  }
  return {};
}

using CreateSymbolicLinkFn = BOOLEAN(WINAPI*)(const wchar_t*, const wchar_t*, DWORD);
using CreateHardLinkFn = BOOL(WINAPI*)(const wchar_t*, const wchar_t*, SECURITY_ATTRIBUTES*);

std::wstring MakeHardLink(const std::wstring& link, const std::wstring& to) {
  const auto create = platform::win32::RunTimeEntry<CreateHardLinkFn>(L"kernel32.dll", "CreateHardLinkW");
  if (create == nullptr) {
    return L"this system has no hard links";
  }
  return create(Long(link).c_str(), Long(to).c_str(), nullptr) != FALSE ? std::wstring()
                                                                        : ErrorOf(L"CreateHardLinkW");
}

std::wstring MakeSymbolicLink(const std::wstring& link, const std::wstring& to, bool folder) {
  const auto create =
      platform::win32::RunTimeEntry<CreateSymbolicLinkFn>(L"kernel32.dll", "CreateSymbolicLinkW");
  if (create == nullptr) {
    return L"this system has no symbolic links";
  }
  const DWORD kind = folder ? 0x1 : 0x0;  // SYMBOLIC_LINK_FLAG_DIRECTORY
  // Unprivileged (developer mode) first; older systems refuse that flag.
  if (create(Long(link).c_str(), Long(to).c_str(), kind | 0x2) == FALSE &&
      create(Long(link).c_str(), Long(to).c_str(), kind) == FALSE) {
    return ErrorOf(L"CreateSymbolicLinkW");
  }
  return {};
}

// Confirms that what the system said it made is there, as a link.
std::wstring IsLink(const std::wstring& path) {
  const DWORD a = ::GetFileAttributesW(Long(path).c_str());
  if (a == INVALID_FILE_ATTRIBUTES) {
    return L"the system reported success but made nothing";
  }
  return (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? std::wstring()
                                                 : L"the system made a plain item, not a link";
}

}  // namespace

cli::SelftestResult RunSelftest(platform::ReportingRemoval& removal) {
  wchar_t temp[MAX_PATH + 1] = {};  // NOLINT(modernize-avoid-c-arrays): the API's buffer
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
  if (n == 0 || n > MAX_PATH) {
    throw platform::Failure("no temporary folder", ::GetLastError());
  }
  std::wstring base(temp, n);
  if (base.back() == L'\\') {
    base.pop_back();
  }
  cli::SelftestResult result;
  result.scratch = base + L"\\brimsweep-selftest-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                   std::to_wstring(::GetTickCount());
  result.outside = result.scratch + L"-outside";
  if (!MakeDir(result.scratch) || !MakeDir(result.outside)) {
    throw platform::Failure("cannot make the scratch folders", ::GetLastError());
  }
  const std::wstring target = result.scratch + L"\\target";
  const std::wstring& out = result.outside;
  MakeDir(target);

  std::vector<Case> cases;
  FileHandle held_open;
  auto add = [&](std::wstring name, std::vector<std::wstring> own, std::vector<std::wstring> outside,
                 const std::function<std::wstring()>& make) {
    cases.push_back(Case{std::move(name), std::move(own), std::move(outside), make()});
  };
  add(L"folders and plain files", {L"folders"}, {}, [&]() -> std::wstring {
    return MakeDir(target + L"\\folders") && MakeDir(target + L"\\folders\\a") &&
                   MakeFile(target + L"\\folders\\a\\f.txt", "f")
               ? L""
               : ErrorOf(L"making");
  });
  add(L"read-only file", {L"read-only.txt"}, {}, [&] {
    return MakeFile(target + L"\\read-only.txt", "r", FILE_ATTRIBUTE_READONLY) ? L"" : ErrorOf(L"making");
  });
  add(L"hidden system file", {L"hidden.txt"}, {}, [&] {
    return MakeFile(target + L"\\hidden.txt", "h", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)
               ? L""
               : ErrorOf(L"making");
  });
  add(L"read-only folder", {L"read-only folder"}, {}, [&]() -> std::wstring {
    const std::wstring d = target + L"\\read-only folder";
    return MakeDir(d) && MakeFile(d + L"\\f.txt", "f") &&
                   ::SetFileAttributesW(Long(d).c_str(), FILE_ATTRIBUTE_READONLY) != FALSE
               ? L""
               : ErrorOf(L"making");
  });
  add(L"file held open by the self-test", {L"open.txt"}, {}, [&]() -> std::wstring {
    if (!MakeFile(target + L"\\open.txt", "o")) {
      return ErrorOf(L"making");
    }
    held_open.reset(::CreateFileW(Long(target + L"\\open.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    return held_open ? L"" : ErrorOf(L"opening");
  });
  for (const bool read_only : {false, true}) {
    const std::wstring file = read_only ? L"read-only hard link" : L"hard link";
    add(file + L" to an outside file", {file + L".txt"}, {file + L" target.txt"},
        [&, file, read_only]() -> std::wstring {
          if (!MakeFile(Join(out, file + L" target.txt"), "outside",
                        read_only ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL)) {
            return ErrorOf(L"making the outside file");
          }
          return MakeHardLink(Join(target, file + L".txt"), Join(out, file + L" target.txt"));
        });
  }
  add(L"junction to an outside folder", {L"junction"}, {L"junction target\\keep.txt"}, [&]() -> std::wstring {
    if (!MakeDir(out + L"\\junction target") || !MakeFile(out + L"\\junction target\\keep.txt", "keep")) {
      return ErrorOf(L"making the outside folder");
    }
    const std::wstring e = MakeJunction(target + L"\\junction", out + L"\\junction target");
    return e.empty() ? IsLink(target + L"\\junction") : e;
  });
  add(L"symbolic link to an outside file", {L"file link.txt"}, {L"file link target.txt"},
      [&]() -> std::wstring {
        if (!MakeFile(out + L"\\file link target.txt", "keep")) {
          return ErrorOf(L"making the outside file");
        }
        const std::wstring e =
            MakeSymbolicLink(target + L"\\file link.txt", out + L"\\file link target.txt", false);
        return e.empty() ? IsLink(target + L"\\file link.txt") : e;
      });
  add(L"symbolic link to an outside folder", {L"folder link"}, {L"folder link target\\keep.txt"},
      [&]() -> std::wstring {
        if (!MakeDir(out + L"\\folder link target") ||
            !MakeFile(out + L"\\folder link target\\keep.txt", "keep")) {
          return ErrorOf(L"making the outside folder");
        }
        const std::wstring e =
            MakeSymbolicLink(target + L"\\folder link", out + L"\\folder link target", true);
        return e.empty() ? IsLink(target + L"\\folder link") : e;
      });
  const std::wstring longest(251, L'n');
  add(L"name of 255 characters", {longest + L".txt"}, {},
      [&] { return MakeFile(Join(target, longest + L".txt"), "n") ? L"" : ErrorOf(L"making"); });
  add(L"path past 260 characters", {L"deep"}, {}, [&]() -> std::wstring {
    std::wstring d = target + L"\\deep";
    if (!MakeDir(d)) {
      return ErrorOf(L"making");
    }
    while (d.size() < 400) {
      d += L"\\" + std::wstring(40, L'd');
      if (!MakeDir(d)) {
        return ErrorOf(L"making");
      }
    }
    return MakeFile(d + L"\\f.txt", "d") ? L"" : ErrorOf(L"making");
  });

  std::vector<std::vector<std::string>> before;
  for (const Case& c : cases) {
    std::vector<std::string> prints;
    prints.reserve(c.outside.size());
    for (const std::wstring& f : c.outside) {
      prints.push_back(Fingerprint(Join(out, f)));
    }
    before.push_back(std::move(prints));
  }
  auto outside_same = [&](std::size_t i) {
    for (std::size_t k = 0; k < cases[i].outside.size(); ++k) {
      if (Fingerprint(Join(out, cases[i].outside[k])) != before[i][k]) {
        return false;
      }
    }
    return true;
  };

  Sink preview;
  Sink clean;
  std::uint32_t preview_error = 0;
  std::uint32_t clean_error = 0;
  try {
    removal.Folder(target, platform::Mode::Preview, preview);
  } catch (const platform::Failure& f) {  // something would stay: the checks below say whether rightly
    preview_error = f.code();
  }
  std::vector<std::wstring> broke(cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    if (!cases[i].not_made.empty()) {
      continue;
    }
    for (const std::wstring& own : cases[i].own) {
      if (!Exists(Join(target, own))) {
        broke[i] = L"the preview removed " + own;
      }
    }
    if (!outside_same(i)) {
      broke[i] = L"the preview changed an outside file";
    }
  }
  try {
    removal.Folder(target, platform::Mode::Remove, clean);
  } catch (const platform::Failure& f) {  // items that stay are reported through the sink
    clean_error = f.code();
  }
  held_open.reset();
  for (std::size_t i = 0; i < cases.size(); ++i) {
    cli::SelftestCase r{cases[i].name, cli::Verdict::Held, {}};
    if (!cases[i].not_made.empty()) {
      r.verdict = cli::Verdict::NotMade;
      r.detail = cases[i].not_made;
    } else {
      for (const std::wstring& own : cases[i].own) {
        if (Exists(Join(target, own)) && !ReportedStaying(clean, Join(target, own))) {
          broke[i] = L"the clean left " + own + L" without saying so";
        }
      }
      if (!outside_same(i)) {
        broke[i] = L"the clean changed an outside file (bytes or attributes)";
      }
      if (!broke[i].empty()) {
        r.verdict = cli::Verdict::Broke;
        r.detail = broke[i] + L"; the preview ended with error " + std::to_wstring(preview_error) +
                   L", the clean with error " + std::to_wstring(clean_error);
      }
    }
    result.cases.push_back(std::move(r));
  }

  // Links that stayed go as themselves, then both scratch folders.
  for (const wchar_t* link : {L"junction", L"folder link"}) {
    ::RemoveDirectoryW(Long(Join(target, link)).c_str());
  }
  ::DeleteFileW(Long(target + L"\\file link.txt").c_str());
  // A read-only file with another name stays where read-only can't be
  // ignored; both names are the self-test's own, so it clears them itself.
  const std::wstring read_only_link = target + L"\\read-only hard link.txt";
  ::SetFileAttributesW(Long(read_only_link).c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileW(Long(read_only_link).c_str());
  for (const std::wstring& folder : {result.scratch, result.outside}) {
    Sink ignored;
    try {
      removal.Folder(folder, platform::Mode::Remove, ignored);
    } catch (const platform::Failure& f) {
      result.cleanup_problem += folder + L" (error " + std::to_wstring(f.code()) + L") ";
    }
  }
  return result;
}

}  // namespace brim::app
