// Registered under Wine as the handler of http, https and mailto links, it
// appends what it was handed to the file named by BRIM_LINK_CATCH_FILE (or
// link_catcher.log beside itself), one UTF-8 line per start. The line is the
// raw command line after the program's own name, so a registration of
// "catcher.exe" "%1" gives the link in quotes, exactly as the shell passed it.
#include <windows.h>

#include <string>

namespace {

std::wstring ArgumentsOf(const wchar_t* line) {
  const wchar_t* p = line;
  if (*p == L'"') {
    ++p;
    while (*p != L'\0' && *p != L'"') ++p;
    if (*p == L'"') ++p;
  } else {
    while (*p != L'\0' && *p != L' ' && *p != L'\t') ++p;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  return p;
}

std::wstring LogPath() {
  wchar_t buf[MAX_PATH * 2];
  const DWORD n = GetEnvironmentVariableW(L"BRIM_LINK_CATCH_FILE", buf, MAX_PATH * 2);
  if (n > 0 && n < MAX_PATH * 2) return buf;
  const DWORD m = GetModuleFileNameW(nullptr, buf, MAX_PATH * 2);
  std::wstring path(buf, m);
  return path.substr(0, path.find_last_of(L'\\') + 1) + L"link_catcher.log";
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::wstring args = ArgumentsOf(GetCommandLineW()) + L"\n";
  const int size = WideCharToMultiByte(CP_UTF8, 0, args.data(), static_cast<int>(args.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, args.data(), static_cast<int>(args.size()), utf8.data(), size, nullptr,
                      nullptr);
  // Appends are whole writes, so lines from catchers started close together don't interleave.
  HANDLE file = CreateFileW(LogPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  CloseHandle(file);
  return ok ? 0 : 1;
}
