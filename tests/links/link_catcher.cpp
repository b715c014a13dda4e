// Registered under Wine as the handler of http, https and mailto links, it
// appends what it was handed to the file named by BRIM_LINK_CATCH_FILE (or
// link_catcher.log beside itself), one UTF-8 line per start. The line is the
// raw command line after the program's own name, so a registration of
// "catcher.exe" "%1" gives the link in quotes, exactly as the shell passed it.
#include <windows.h>

#include <memory>
#include <string>

#include "platform/win32/text.h"

namespace {

struct HandleRelease {
  void operator()(HANDLE handle) const {
    if (handle != INVALID_HANDLE_VALUE) {
      CloseHandle(handle);
    }
  }
};
using Handle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleRelease>;

std::wstring ArgumentsOf(std::wstring_view line) {
  std::size_t i = 0;
  if (!line.empty() && line[0] == L'"') {
    i = line.find(L'"', 1);
    i = i == std::wstring_view::npos ? line.size() : i + 1;
  } else {
    i = std::min(line.find_first_of(L" \t"), line.size());
  }
  i = std::min(line.find_first_not_of(L" \t", i), line.size());
  return std::wstring(line.substr(i));
}

std::wstring LogPath() {
  std::wstring buf(32768, L'\0');
  const DWORD n =
      GetEnvironmentVariableW(L"BRIM_LINK_CATCH_FILE", buf.data(), static_cast<DWORD>(buf.size()));
  if (n > 0 && n < buf.size()) {
    return buf.substr(0, n);
  }
  buf.resize(GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size())));
  return buf.substr(0, buf.find_last_of(L'\\') + 1) + L"link_catcher.log";
}

}  // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*command_line*/, int /*show*/) {
  const std::string line = brim::platform::win32::NarrowUtf8(ArgumentsOf(GetCommandLineW()) + L"\n");
  // One whole append per start, so catchers started close together don't interleave.
  const Handle file(CreateFileW(LogPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    return 1;
  }
  DWORD written = 0;
  const bool ok =
      WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) != FALSE;
  return ok && written == line.size() ? 0 : 1;
}
