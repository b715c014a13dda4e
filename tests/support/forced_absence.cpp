// Test programs' side of platform/win32/forced_absence.h: the names listed in
// BRIM_FORCE_ABSENT (comma-separated) come back absent, and each one asked
// for is written once, on a line of its own, to the file that BRIM_FORCE_LOG
// names, so that a test can show the older path really ran
// (tests/support/fallbacks_run.py). Without the variables nothing changes.
#include <windows.h>

#include <mutex>
#include <set>
#include <string>

#include "platform/win32/forced_absence.h"
#include "platform/win32/handles.h"

namespace brim::platform::win32 {
namespace {

std::string Variable(const char* name) {
  std::string value(4096, '\0');
  const DWORD n = ::GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size()));
  value.resize(n < value.size() ? n : 0);
  return value;
}

struct Forced {
  std::string names = "," + Variable("BRIM_FORCE_ABSENT") + ",";
  std::string log = Variable("BRIM_FORCE_LOG");
  std::mutex mutex;
  std::set<std::string> recorded;

  bool Names(const char* name) const {
    return names == ",*," || names.find("," + std::string(name) + ",") != std::string::npos;
  }

  void Record(const char* name) {
    const std::scoped_lock lock(mutex);
    if (log.empty() || !recorded.insert(name).second) {
      return;
    }
    // A line that can't be written is missed by the test, which then fails.
    const FileHandle file(::CreateFileA(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const std::string line = std::string(name) + "\n";
    DWORD written = 0;
    if (file) {
      ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
  }
};

}  // namespace

bool ForcedAbsent(const char* name) noexcept {
  try {
    static Forced forced;
    if (!forced.Names(name)) {
      return false;
    }
    forced.Record(name);
    return true;
  } catch (...) {  // NOLINT(bugprone-empty-catch): out of memory; the test sees the name unrecorded
    return false;
  }
}

}  // namespace brim::platform::win32
