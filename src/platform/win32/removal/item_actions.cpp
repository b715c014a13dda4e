#include "platform/win32/removal/item_actions.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace brim::platform::win32 {
namespace {

constexpr unsigned kBreatheEntries = 256;
constexpr DWORD kBreatheMs = 50;
constexpr std::size_t kShareFrom = 8;  // below this a batch is not worth a hand-over

Stay StayFor(nt::Status error) {
  return error == nt::kLinkRefused ? Stay::Link : error == nt::kReadOnlyKept ? Stay::ReadOnly : Stay::Error;
}

nt::Status FirstOf(nt::Status first, nt::Status then) { return first != nt::kSuccess ? first : then; }

}  // namespace

ItemActions::ItemActions(const RemovalOptions& options, const RemovalMode& mode,
                         std::wstring_view folder_spec, std::wstring_view tree_root)
    : options_(options),
      mode_(mode),
      folder_spec_(folder_spec),
      tree_root_(tree_root),
      results_(kBatch),
      marked_(kBatch),
      batch_(kBatch),
      last_breath_(::GetTickCount()),
      helpers_(options.helpers) {}

void ItemActions::Listed(std::wstring_view name) {
  if (options_.breather != nullptr) {
    const DWORD now = ::GetTickCount();
    if (++entries_ >= kBreatheEntries || now - last_breath_ >= kBreatheMs) {
      entries_ = 0;
      last_breath_ = now;
      options_.breather->Breathe();
    }
  }
  if (options_.hooks.before_open) {
    options_.hooks.before_open(name);
  }
}

nt::Status ItemActions::OtherItem(const DirEntry& entry, const WalkedFolder& here, CheckedChild& enter) {
  const nt::Status batch_error = RemoveBatch(here);  // the batch belongs to this folder
  const bool dir = IsDirectory(entry.attributes) && !IsReparsePoint(entry.attributes);
  CheckedChild child =
      OpenChecked(here.handle, here.name, entry, dir ? mode_.folder_access() : mode_.file_access(),
                  tree_root_, name_buffer_);
  const nt::Status error = child.status;
  if (error == kItemGone) {  // another program removed it since it was listed
    return batch_error;
  }
  if (error != nt::kSuccess) {
    const Stay why = error == nt::kLinkRefused ? Stay::Link : dir ? Stay::CantList : Stay::Error;
    Stayed(here.shown, entry.name, why, error);
    return FirstOf(batch_error, error);
  }
  if (dir && !child.link_itself) {
    const nt::Status clear_error =
        mode_.ClearIfReadOnly(here.handle, here.name, entry.name, child.id, child.attributes, tree_root_);
    if (clear_error != nt::kSuccess) {  // it would keep its children
      Stayed(here.shown, entry.name, Stay::Error, clear_error);
      return FirstOf(batch_error, clear_error);
    }
    enter = std::move(child);
    return batch_error;
  }
  // A file, or a link opened as itself: deleting the handle removes the
  // link, never what it points to. It goes through the batch's slot 0,
  // which is free here (removed above).
  used_ = 1;
  batch_[0].name.assign(entry.name);
  batch_[0].attributes = entry.attributes;
  batch_[0].size = 0;  // a link's own size is not what it shows
  results_[0] = mode_.Mark(child.handle, entry.attributes, modes_, marked_[0]);
  return FirstOf(batch_error, Settle(results_[0], here));
}

// One plain file of the batch, slot `i`: opened, checked and marked for
// deletion; its handle is kept marked until the batch settles.
nt::Status ItemActions::RemoveFile(std::size_t i, std::vector<ULONGLONG>& name_buffer) {
  const WalkedFolder& here = *batch_folder_;
  // A read-only file is opened to clear it only where the volume has
  // shown that it can't ignore read-only, or once it proved so here.
  const bool read_only = mode_.clears(batch_[i].attributes);
  bool write = read_only && modes_.ignore_read_only_refused.load(std::memory_order_relaxed);
  CheckedChild child;  // a retry's open comes before the first handle closes
  for (;;) {
    child = OpenChecked(here.handle, here.name, batch_[i].View(),
                        mode_.file_access() | (write ? FILE_WRITE_ATTRIBUTES : 0), tree_root_, name_buffer);
    if (child.status == kItemGone) {
      return nt::kSuccess;  // another program removed it since it was listed
    }
    if (child.status != nt::kSuccess) {
      return child.status;
    }
    const nt::Status s = mode_.Mark(child.handle, batch_[i].attributes, modes_, marked_[i]);
    if (s != nt::kAccessDenied || !read_only || write) {
      return s;
    }
    write = true;
  }
}

// Every `step`th file of the batch from `first`; the first error, if any.
nt::Status ItemActions::RemoveShare(std::size_t first, std::size_t step,
                                    std::vector<ULONGLONG>& name_buffer) noexcept {
  nt::Status first_error = nt::kSuccess;
  try {
    for (std::size_t i = first; i < used_; i += step) {
      const nt::Status error = RemoveFile(i, name_buffer);
      results_[i] = error;  // each share writes its own slots
      first_error = FirstOf(first_error, error);
    }
  } catch (const std::exception&) {  // out of memory while composing a name
    first_error = nt::kNoMemory;
  }
  return first_error;
}

void ItemActions::HelperShare(void* share_pointer) {
  auto* share = static_cast<Share*>(share_pointer);
  share->error = share->actions->RemoveShare(share->first, kShares, share->name_buffer);
}

nt::Status ItemActions::RemoveBatch(const WalkedFolder& here) {
  if (used_ == 0) {
    return nt::kSuccess;
  }
  batch_folder_ = &here;
  std::size_t started = 0;
  if (used_ >= kShareFrom) {
    for (Share& share : shares_) {
      share.actions = this;
      share.first = started + 1;
      if (!helpers_[started].Start(&ItemActions::HelperShare, &share)) {
        break;
      }
      ++started;
    }
  }
  // Share 0, and any share no helper took, here.
  nt::Status error = RemoveShare(0, kShares, name_buffer_);
  for (std::size_t first = started + 1; first < kShares; ++first) {
    error = FirstOf(error, RemoveShare(first, kShares, name_buffer_));
  }
  for (std::size_t i = 0; i < started; ++i) {
    helpers_[i].Wait();
    error = FirstOf(error, shares_[i].error);
  }
  batch_folder_ = nullptr;
  return Settle(error, here);
}

// The batch's files are marked: they go when their handles close, and
// under Wine by the paths recorded when they were opened, checked only to
// lead to the same file. If a folder on that path was swapped for a link
// since, to a place holding other names of the same files (hard links),
// the close would unlink those. So the folder must still be at its name,
// or the marks are taken back and nothing is removed. (Asking each file
// whether it has other names would cost a round trip per file; this check
// costs four per batch.) What remains is the moment between this check and
// the closes, which no call can close under Wine.
nt::Status ItemActions::Settle(nt::Status error, const WalkedFolder& here) {
  const auto marked_end = marked_.begin() + static_cast<std::ptrdiff_t>(used_);
  const bool any_marked =
      std::any_of(marked_.begin(), marked_end, [](const NtHandle& h) { return static_cast<bool>(h); });
  if (any_marked && options_.hooks.after_mark) {
    options_.hooks.after_mark();
  }
  if (any_marked && !StillAtItsName(here.opened_as, here.name, here.id, name_buffer_)) {
    for (std::size_t i = 0; i < used_; ++i) {
      if (marked_[i]) {
        UnmarkForDeletion(marked_[i].get());  // if even this fails, the walk fails below all the same
        results_[i] = nt::kLinkRefused;
      }
    }
    error = FirstOf(error, nt::kLinkRefused);
  }
  for (std::size_t i = 0; i < used_; ++i) {
    marked_[i].reset();  // the removals take effect here
  }
  const nt::Status report_error = reports() ? ReportBatch(here) : nt::kSuccess;
  used_ = 0;
  return FirstOf(report_error, error);
}

// An item is told as removed only once it is gone: under Wine the unlink
// happens at close, where an error is dropped.
nt::Status ItemActions::ReportBatch(const WalkedFolder& here) {
  nt::Status first_error = nt::kSuccess;
  for (std::size_t i = 0; i < used_; ++i) {
    const FoundEntry& entry = batch_[i];
    nt::Status error = results_[i];
    if (error == nt::kSuccess && mode_.removes() && !NameGone(here.handle, entry.name, 0)) {
      error = nt::kAccessDenied;
      first_error = FirstOf(first_error, error);
    }
    if (error == nt::kSuccess) {
      options_.sink->Removed(ItemPath(here.shown, entry.name), false, static_cast<std::uint64_t>(entry.size));
    } else {
      Stayed(here.shown, entry.name, StayFor(error), error);
    }
  }
  return first_error;
}

nt::Status ItemActions::ListingFailed(nt::Status error, const WalkedFolder& here) {
  Stayed(here.shown, {}, Stay::CantList, error);
  return error;
}

nt::Status ItemActions::Leaving(const WalkedFolder& here, bool failed, bool& marked) {
  marked = false;
  if (failed) {
    return nt::kSuccess;
  }
  if (!mode_.removes()) {
    if (reports()) {
      options_.sink->Removed(ItemPath(here.shown, {}), true, 0);  // a preview's
    }
    return nt::kSuccess;
  }
  // "Not empty" while another program still holds a child it was told to let go.
  const nt::Status s =
      Retrying(nt::kDirectoryNotEmpty, [&] { return mode_.MarkInPlace(here.handle, modes_); });
  if (nt::Failed(s)) {
    Stayed(here.shown, {}, StayFor(s), s);
    return s;
  }
  marked = true;
  return nt::kSuccess;
}

bool ItemActions::Left(HANDLE parent, std::wstring_view leaf, std::wstring_view shown) {
  if (!reports()) {
    return true;
  }
  // Told as removed only once it is gone: Wine drops an error at close.
  if (NameGone(parent, leaf, nt::kFileDirectoryFile)) {
    options_.sink->Removed(ItemPath(shown, {}), true, 0);
    return true;
  }
  options_.sink->Stayed(ItemPath(shown, {}), Stay::Error, ERROR_DIR_NOT_EMPTY);
  return false;
}

// An empty `name` is the folder itself.
std::wstring ItemActions::ItemPath(std::wstring_view shown, std::wstring_view name) const {
  std::wstring p(folder_spec_);
  p += shown;
  if (!name.empty()) {
    p += L'\\';
    p += name;
  }
  return p;
}

void ItemActions::Stayed(std::wstring_view shown, std::wstring_view name, Stay why, nt::Status error) {
  if (reports()) {
    options_.sink->Stayed(ItemPath(shown, name), why, nt::ToWin32Error(error));
  }
}

}  // namespace brim::platform::win32
