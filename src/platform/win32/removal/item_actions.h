#pragma once
// What a folder removal does with each kind of item the walk meets: plain
// files batched and shared with the helper threads, a folder entered or
// left, a link or other item opened as itself. Reports go to the sink here,
// on the calling thread. The walk calls these; they never call the walk.

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/controls.h"
#include "platform/win32/handles.h"
#include "platform/win32/removal/child_open.h"
#include "platform/win32/removal/helper_threads.h"
#include "platform/win32/removal/nt_file.h"
#include "platform/win32/removal/removal_mode.h"
#include "platform/win32/removal/removal_options.h"

namespace brim::platform::win32 {

// The folder on top of the walk, valid until the walk moves on.
struct WalkedFolder {
  HANDLE handle;
  std::wstring_view name;       // resolved
  std::wstring_view opened_as;  // the NT path it was reached by
  std::wstring_view shown;      // where it lies below the target, for reports
  std::int64_t id;
};

// Every call returns the first failure it met (kSuccess when none): the
// walk counts it against the folder on top.
class ItemActions {
 public:
  // Plain files are removed in batches of this many, shared with helper
  // threads: under Wine each checked removal is four round trips to the
  // server, and while one thread waits for it another runs its client side.
  // A batch's files are all marked before any is closed, so that one check
  // of their folder covers the whole batch (see Settle).
  static constexpr std::size_t kBatch = 64;

  // `folder_spec` is the target as given, `tree_root` its resolved name.
  ItemActions(const RemovalOptions& options, const RemovalMode& mode, std::wstring_view folder_spec,
              std::wstring_view tree_root);

  // Whether reports are made, and so where folders lie must be kept.
  [[nodiscard]] bool reports() const { return options_.sink != nullptr; }

  // Between listing an entry and acting on it.
  void Listed(std::wstring_view name);

  // A plain file joins the batch; a full batch is removed.
  nt::Status PlainFile(const DirEntry& entry, const WalkedFolder& here) {
    FoundEntry& slot = batch_[used_++];
    slot.name.assign(entry.name);  // reuses the slot's storage
    slot.attributes = entry.attributes;
    slot.id = entry.id;
    slot.size = entry.size;
    return used_ == batch_.size() ? RemoveBatch(here) : nt::kSuccess;
  }

  // Removes the batched files of `here`, shared with the helpers. The batch
  // never outlives its folder's handle or name.
  nt::Status RemoveBatch(const WalkedFolder& here);

  // Anything but a plain file. A folder to enter comes back in `enter`
  // (its handle, resolved name and id); a link or other item is removed as
  // itself.
  nt::Status OtherItem(const DirEntry& entry, const WalkedFolder& here, CheckedChild& enter);

  // `here` could not be listed to its end.
  nt::Status ListingFailed(nt::Status error, const WalkedFolder& here);

  // `here` is listed to its end and its batch removed: unless something in
  // it stayed (`failed`) it is marked, so that closing it removes it.
  nt::Status Leaving(const WalkedFolder& here, bool failed, bool& marked);

  // A marked folder, `leaf` (as listed) in `parent`, was closed; `shown`
  // is where it lay. False when it is still there.
  bool Left(HANDLE parent, std::wstring_view leaf, std::wstring_view shown);

 private:
  nt::Status RemoveFile(std::size_t i, std::vector<ULONGLONG>& name_buffer);
  nt::Status RemoveShare(std::size_t first, std::size_t step, std::vector<ULONGLONG>& name_buffer) noexcept;
  static void HelperShare(void* share_pointer);
  nt::Status Settle(nt::Status error, const WalkedFolder& here);
  nt::Status ReportBatch(const WalkedFolder& here);
  [[nodiscard]] std::wstring ItemPath(std::wstring_view shown, std::wstring_view name) const;
  void Stayed(std::wstring_view shown, std::wstring_view name, Stay why, nt::Status error);

  static constexpr std::size_t kShares = HelperThreads::kCount + 1;  // this thread and the helpers

  // What one helper thread does with its share of a batch.
  struct Share {
    ItemActions* actions = nullptr;
    std::size_t first = 0;
    std::vector<ULONGLONG> name_buffer;
    nt::Status error = nt::kSuccess;
  };

  const RemovalOptions& options_;
  const RemovalMode& mode_;
  std::wstring_view folder_spec_;
  std::wstring_view tree_root_;
  const WalkedFolder* batch_folder_ = nullptr;  // while a batch is removed
  std::vector<nt::Status> results_;             // per batch slot
  std::vector<NtHandle> marked_;                // per batch slot: marked, not yet closed
  std::vector<FoundEntry> batch_;               // plain files listed, not yet removed
  std::size_t used_ = 0;
  std::vector<ULONGLONG> name_buffer_;  // the name queries' room on this thread
  unsigned entries_ = 0;
  DWORD last_breath_;
  DeleteModes modes_;
  std::array<Share, kShares - 1> shares_;
  HelperLease helpers_;  // last: threads of its own stop before the rest goes
};

}  // namespace brim::platform::win32
