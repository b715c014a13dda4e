#pragma once
// What one row of a preview or a clean found, and the run's totals.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "cleanup/catalogue.h"
#include "platform/removal_report.h"

namespace brim::cli {

// Items that stay are listed up to this many per row, then only counted.
inline constexpr std::size_t kItemsListed = 100;

enum class Status {
  Ok,       // removed (a preview: would be) with nothing left
  Absent,   // the target names nothing
  Failed,   // something stays, or the target can't be removed
  Covered,  // preview: an earlier row's folder already holds this target
};

struct ItemLeft {
  std::wstring path;
  platform::Stay why = platform::Stay::Error;
  std::uint32_t error = 0;
};

struct RowReport {
  int row = 0;
  std::wstring path;
  cleanup::Removal kind = cleanup::Removal::Folder;
  std::uint64_t files = 0;
  std::uint64_t folders = 0;
  std::uint64_t bytes = 0;
  Status status = Status::Ok;
  std::uint32_t error = 0;  // the row's own failure, where it has one
  int covered_by = 0;       // with Status::Covered
  std::vector<ItemLeft> items_left;
  std::uint64_t items_unlisted = 0;  // items that stayed beyond kItemsListed
};

struct Totals {
  std::uint64_t files = 0;
  std::uint64_t folders = 0;
  std::uint64_t bytes = 0;
  std::uint64_t rows_failed = 0;
  std::uint64_t rows_absent = 0;
  void Add(const RowReport& row);
};

// Sums that saturate instead of wrapping: a hostile file system may report
// any size.
std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b);

// Collects what the removal tells about one row.
class RowRecorder : public platform::RemovalSink {
 public:
  explicit RowRecorder(RowReport& report) : report_(report) {}
  void Removed(std::wstring_view path, bool folder, std::uint64_t bytes) override;
  void Stayed(std::wstring_view path, platform::Stay why, std::uint32_t error) override;

 private:
  RowReport& report_;
};

// The row's status from how its removal ended: `failed` with the failure's
// code, or not. A failure that reported no item leaves the target itself.
void Conclude(RowReport& report, bool failed, std::uint32_t error);

// Paths compared as the file system does for the catalogue's texts: letter
// case ignored. True when `path` is `folder` or lies below it.
bool WithinFolder(std::wstring_view path, std::wstring_view folder);

// The Win32 error text of a code (a fake on the host).
using ErrorText = std::function<std::wstring(std::uint32_t)>;

// The reason shown for an item that stays.
std::wstring Reason(const ItemLeft& item, const ErrorText& text);

}  // namespace brim::cli
