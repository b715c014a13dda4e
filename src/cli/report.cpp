#include "cli/report.h"

#include <limits>

namespace brim::cli {

std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b) {
  return b > std::numeric_limits<std::uint64_t>::max() - a ? std::numeric_limits<std::uint64_t>::max()
                                                           : a + b;
}

void Totals::Add(const RowReport& row) {
  files = SaturatingAdd(files, row.files);
  folders = SaturatingAdd(folders, row.folders);
  bytes = SaturatingAdd(bytes, row.bytes);
  if (row.status == Status::Failed) {
    ++rows_failed;
  } else if (row.status == Status::Absent) {
    ++rows_absent;
  }
}

void RowRecorder::Removed(std::wstring_view /*path*/, bool folder, std::uint64_t bytes) {
  if (folder) {
    report_.folders = SaturatingAdd(report_.folders, 1);
  } else {
    report_.files = SaturatingAdd(report_.files, 1);
    report_.bytes = SaturatingAdd(report_.bytes, bytes);
  }
}

void RowRecorder::Stayed(std::wstring_view path, platform::Stay why, std::uint32_t error) {
  if (report_.items_left.size() < kItemsListed) {
    report_.items_left.push_back(ItemLeft{std::wstring(path), why, error});
  } else {
    report_.items_unlisted = SaturatingAdd(report_.items_unlisted, 1);
  }
}

void Conclude(RowReport& report, bool failed, std::uint32_t error) {
  constexpr std::uint32_t kFileNotFound = 2;
  constexpr std::uint32_t kPathNotFound = 3;
  report.error = failed ? error : 0;
  const bool left_something = !report.items_left.empty() || report.items_unlisted != 0;
  if (!failed) {
    report.status = left_something ? Status::Failed : Status::Ok;
    return;
  }
  const bool touched = left_something || report.files != 0 || report.folders != 0;
  if (!touched && (error == kFileNotFound || error == kPathNotFound)) {
    report.status = Status::Absent;
    return;
  }
  report.status = Status::Failed;
  if (!left_something) {
    report.items_left.push_back(ItemLeft{report.path, platform::Stay::Error, error});
  }
}

bool WithinFolder(std::wstring_view path, std::wstring_view folder) {
  if (path.size() < folder.size() || (path.size() > folder.size() && path[folder.size()] != L'\\')) {
    return false;
  }
  for (std::size_t i = 0; i < folder.size(); ++i) {
    wchar_t a = path[i];
    wchar_t b = folder[i];
    a = (a >= L'A' && a <= L'Z') ? static_cast<wchar_t>(a - L'A' + L'a') : a;
    b = (b >= L'A' && b <= L'Z') ? static_cast<wchar_t>(b - L'A' + L'a') : b;
    if (a != b) {
      return false;
    }
  }
  return true;
}

std::wstring Reason(const ItemLeft& item, const ErrorText& text) {
  switch (item.why) {
    case platform::Stay::Link:
      return L"a link: left as it is";
    case platform::Stay::NotAFolder:
      return L"a file, not a folder";
    case platform::Stay::ReadOnly:
      return L"read-only";
    case platform::Stay::CantList:
      return L"can't be listed: " + text(item.error);
    case platform::Stay::Error:
      break;
  }
  return text(item.error);
}

}  // namespace brim::cli
