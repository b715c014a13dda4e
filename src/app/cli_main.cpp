// The console companion's entry: its arguments, the console, the Win32
// error texts and the reporting removal; everything else is in src/cli.

#include <windows.h>

#include <exception>
#include <string>
#include <vector>

#include "app/cli_selftest.h"
#include "cli/cli_run.h"
#include "platform/win32/removal/removal_front.h"
#include "platform/win32/text.h"

namespace {

// A console gets UTF-16 as it is; a pipe or a file gets UTF-8.
class Win32Console : public brim::cli::Console {
 public:
  void Out(std::wstring_view text) override { Write(::GetStdHandle(STD_OUTPUT_HANDLE), text); }
  void OutAscii(std::string_view text) override { WriteBytes(::GetStdHandle(STD_OUTPUT_HANDLE), text); }
  void Err(std::wstring_view text) override { Write(::GetStdHandle(STD_ERROR_HANDLE), text); }

 private:
  static void Write(HANDLE h, std::wstring_view text) {
    DWORD mode = 0;
    if (::GetConsoleMode(h, &mode) != FALSE) {
      DWORD written = 0;
      ::WriteConsoleW(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
      return;
    }
    WriteBytes(h, brim::platform::win32::NarrowUtf8(text));
  }
  static void WriteBytes(HANDLE h, std::string_view bytes) {
    while (!bytes.empty()) {
      DWORD written = 0;
      if (::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) == FALSE ||
          written == 0) {
        return;  // output closed: the run still goes on
      }
      bytes.remove_prefix(written);
    }
  }
};

std::wstring ErrorText(std::uint32_t code) {
  wchar_t* buffer = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = n != 0 && buffer != nullptr ? std::wstring(buffer, n) : std::wstring();
  if (buffer != nullptr) {
    ::LocalFree(buffer);
  }
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.pop_back();
  }
  return text.empty() ? L"error " + brim::platform::win32::DecimalText(code) : text;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Win32Console console;
  try {
    const std::vector<std::wstring> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    // One invocation is one run: its rows share the resolved drive and profile.
    brim::platform::win32::RemovalFront front;
    brim::platform::ReportingRemoval& removal = front.Reporting();
    return brim::cli::RunCli(args, removal, console, &ErrorText,
                             [&] { return brim::app::RunSelftest(removal); });
  } catch (const std::exception& e) {
    const std::string what = e.what();
    console.Err(L"brimsweep-cli: " + std::wstring(what.begin(), what.end()) + L"\n");
    return brim::cli::kExitInternal;
  }
}
