#include "platform/win32/removal/folder_removal.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <exception>
#include <vector>

#include "platform/failure.h"
#include "platform/win32/handles.h"
#include "platform/win32/removal/child_open.h"
#include "platform/win32/removal/helper_threads.h"
#include "platform/win32/removal/nt_file.h"
#include "platform/win32/removal/target_folder.h"
#include "platform/win32/removal/verbatim_path.h"

namespace brim::platform::win32 {
namespace {

// The least each step needs: a folder being emptied is listed and deleted,
// a file deleted. FILE_WRITE_ATTRIBUTES, which only the item's own ACL can
// grant, is asked only to clear a read-only attribute.
constexpr ACCESS_MASK kFolderAccess = DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES;
constexpr ACCESS_MASK kFileAccess = DELETE | FILE_READ_ATTRIBUTES;
// A preview opens what a removal opens, but only to read.
constexpr ACCESS_MASK kPreviewFolderAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES;
constexpr ACCESS_MASK kPreviewFileAccess = FILE_READ_ATTRIBUTES;
constexpr unsigned kBreatheEntries = 256;
constexpr DWORD kBreatheMs = 50;
// Plain files are removed in batches of this many, shared with helper
// threads: under Wine each checked removal is four round trips to the
// server, and while one thread waits for it another runs its client side.
// A batch's files are all marked before any is closed, so that one check
// of their folder covers the whole batch (see Settle).
constexpr std::size_t kBatch = 64;
constexpr std::size_t kShares = HelperThreads::kCount + 1;  // this thread and the helpers
constexpr std::size_t kShareFrom = 8;                       // below this a batch is not worth a hand-over

bool IsDotOrDotDot(std::wstring_view name) { return name == L"." || name == L".."; }

bool ReadOnly(ULONG attributes) { return (attributes & FILE_ATTRIBUTE_READONLY) != 0; }

// Under Wine a read-only folder has no write permission and keeps its
// children, so a forced removal clears it, through a handle of its own: the
// one step that writes attributes. On Windows the attribute keeps no child,
// and a folder whose ACL withholds that right is left to its delete, which
// ignores read-only where the system can.
nt::Status ClearFolderReadOnly(HANDLE parent, std::wstring_view parent_name, std::wstring_view name,
                               std::int64_t id, ULONG attributes, std::wstring_view tree_root) {
  std::vector<ULONGLONG> name_buffer;
  const CheckedChild writable =
      OpenChecked(parent, parent_name, DirEntry{name, FILE_ATTRIBUTE_DIRECTORY, id},
                  FILE_WRITE_ATTRIBUTES | FILE_READ_ATTRIBUTES, tree_root, name_buffer);
  if (writable.status == nt::kAccessDenied) {
    return nt::kSuccess;
  }
  return writable.status != nt::kSuccess ? writable.status : ClearReadOnly(writable.handle.get(), attributes);
}

nt::Status MarkError(nt::Status s) { return s == nt::kCannotDelete ? nt::kReadOnlyKept : s; }

Stay StayFor(nt::Status error) {
  return error == nt::kLinkRefused ? Stay::Link : error == nt::kReadOnlyKept ? Stay::ReadOnly : Stay::Error;
}

// Depth-first, iterative: one open handle and one listing batch per level,
// so memory follows the depth of the tree, not its size.
class TreeWalk {
 public:
  explicit TreeWalk(const RemovalOptions& options)
      : options_(options),
        folder_access_(options.preview ? kPreviewFolderAccess : kFolderAccess),
        file_access_(options.preview ? kPreviewFileAccess : kFileAccess),
        results_(kBatch),
        marked_(kBatch),
        batch_(kBatch),
        last_breath_(::GetTickCount()),
        helpers_(options.helpers) {}

  // `top` was opened and checked; `top_name` is its resolved name and
  // `top_id` its file id, `folder_spec` the path it was given by.
  void Run(NtHandle top, std::wstring top_name, std::int64_t top_id, std::wstring_view folder_spec) {
    path_ = std::move(top_name);
    root_ = path_;
    opened_as_ = NtPath(folder_spec);
    folder_spec_ = folder_spec;
    Push(std::move(top), top_id);
    while (!stack_.empty()) {
      DirEntry entry;
      const nt::Status s = stack_.back().listing.Next(entry);
      if (s == nt::kSuccess) {
        if (!IsDotOrDotDot(entry.name)) {
          Breathe();
          Child(entry);
        }
        continue;
      }
      Flush();
      if (s != nt::kNoMoreFiles) {
        Fail(stack_.back(), s);
        Stayed({}, Stay::CantList, s);
      }
      Finish();
    }
  }

  [[nodiscard]] nt::Status first_error() const { return first_error_; }
  // The target itself was marked and closed (whether it went is for the caller to ask).
  [[nodiscard]] bool top_marked() const { return top_marked_; }

 private:
  struct Level {
    Level(NtHandle h, std::size_t length, std::size_t opened, std::size_t shown, std::int64_t folder_id)
        : handle(std::move(h)),
          listing(handle.get()),
          name_length(length),
          opened_length(opened),
          shown_length(shown),
          id(folder_id) {}
    NtHandle handle;
    DirectoryListing listing;
    std::size_t name_length;
    std::size_t opened_length;  // of opened_as_
    std::size_t shown_length;   // of shown_, for reports
    std::int64_t id;
    bool failed = false;
  };

  void Push(NtHandle h, std::int64_t id) {
    stack_.emplace_back(std::move(h), path_.size(), opened_as_.size(), shown_.size(), id);
  }

  void Fail(Level& level, nt::Status error) {
    level.failed = true;
    if (first_error_ == nt::kSuccess) {
      first_error_ = error;
    }
  }

  void Child(const DirEntry& entry) {
    if (options_.hooks.before_open) {
      options_.hooks.before_open(entry.name);
    }
    if (!IsDirectory(entry.attributes) && !IsReparsePoint(entry.attributes)) {
      FoundEntry& slot = batch_[used_++];
      slot.name.assign(entry.name);  // reuses the slot's storage
      slot.attributes = entry.attributes;
      slot.id = entry.id;
      slot.size = entry.size;
      if (used_ == batch_.size()) {
        Flush();
      }
      return;
    }
    Flush();  // the batch belongs to this level
    Level& level = stack_.back();
    const bool dir = IsDirectory(entry.attributes) && !IsReparsePoint(entry.attributes);
    CheckedChild child = OpenChecked(level.handle.get(), path_, entry, dir ? folder_access_ : file_access_,
                                     root_, name_buffer_);
    const nt::Status error = child.status;
    if (error == kItemGone) {  // another program removed it since it was listed
      return;
    }
    if (error != nt::kSuccess) {
      Fail(level, error);
      Stayed(entry.name, error == nt::kLinkRefused ? Stay::Link : dir ? Stay::CantList : Stay::Error, error);
      return;
    }
    if (dir && !child.link_itself) {
      if (Forced() && ReadOnly(child.attributes)) {
        const nt::Status clear_error =
            ClearFolderReadOnly(level.handle.get(), path_, entry.name, child.id, child.attributes, root_);
        if (clear_error != nt::kSuccess) {  // it would keep its children
          Fail(level, clear_error);
          Stayed(entry.name, Stay::Error, clear_error);
          return;
        }
      }
      if (options_.sink != nullptr) {
        shown_.append(child.name, path_.size());  // "\\" and the name as the file system has it
      }
      path_ = std::move(child.name);
      opened_as_ += L'\\';
      opened_as_ += entry.name;
      Push(std::move(child.handle), child.id);  // `level` is not used past this point
      return;
    }
    // A file, or a link opened as itself: deleting the handle removes the
    // link, never what it points to. It goes through the batch's slot 0,
    // which is free here (flushed above).
    used_ = 1;
    batch_[0].name.assign(entry.name);
    batch_[0].attributes = entry.attributes;
    batch_[0].size = 0;  // a link's own size is not what it shows
    if (options_.preview) {
      results_[0] = nt::kSuccess;
    } else {
      const nt::Status s = MarkForDeletion(child.handle.get(), options_.force, modes_);
      results_[0] = nt::Failed(s) ? MarkError(s) : nt::kSuccess;
      if (!nt::Failed(s)) {
        marked_[0] = std::move(child.handle);
      }
    }
    Settle(results_[0]);
  }

  // One plain file of the batch, slot `i`: opened, checked and marked for
  // deletion; its handle is kept marked until the batch settles.
  nt::Status RemoveFile(std::size_t i, std::vector<ULONGLONG>& name_buffer) {
    // A read-only file is opened to clear it only where the volume has
    // shown that it can't ignore read-only, or once it proved so here.
    const bool read_only = Forced() && ReadOnly(batch_[i].attributes);
    bool write = read_only && modes_.ignore_read_only_refused.load(std::memory_order_relaxed);
    CheckedChild child;
    nt::Status s = nt::kSuccess;
    for (;;) {
      child = OpenChecked(stack_.back().handle.get(), path_, batch_[i].View(),
                          file_access_ | (write ? FILE_WRITE_ATTRIBUTES : 0), root_, name_buffer);
      if (child.status == kItemGone) {
        return nt::kSuccess;  // another program removed it since it was listed
      }
      if (child.status != nt::kSuccess || options_.preview) {
        return child.status;
      }
      s = MarkForDeletion(child.handle.get(), options_.force, modes_);
      if (s != nt::kAccessDenied || !read_only || write) {
        break;
      }
      write = true;
    }
    if (nt::Failed(s)) {
      return MarkError(s);
    }
    marked_[i] = std::move(child.handle);
    return nt::kSuccess;
  }

  // Every `step`th file of the batch from `first`; the first error, if any.
  nt::Status RemoveShare(std::size_t first, std::size_t step, std::vector<ULONGLONG>& name_buffer) noexcept {
    nt::Status first_error = nt::kSuccess;
    try {
      for (std::size_t i = first; i < used_; i += step) {
        const nt::Status error = RemoveFile(i, name_buffer);
        results_[i] = error;  // each share writes its own slots
        if (first_error == nt::kSuccess) {
          first_error = error;
        }
      }
    } catch (const std::exception&) {  // out of memory while composing a name
      first_error = nt::kNoMemory;
    }
    return first_error;
  }

  // What one helper thread does with its share of a batch.
  struct Share {
    TreeWalk* walk = nullptr;
    std::size_t first = 0;
    std::vector<ULONGLONG> name_buffer;
    nt::Status error = nt::kSuccess;
  };

  static void HelperShare(void* share_pointer) {
    auto* share = static_cast<Share*>(share_pointer);
    share->error = share->walk->RemoveShare(share->first, kShares, share->name_buffer);
  }

  // Removes the batched files of the current folder, shared with the
  // helpers. The batch never outlives its folder's handle or name.
  void Flush() {
    if (used_ == 0) {
      return;
    }
    std::size_t started = 0;
    if (used_ >= kShareFrom) {
      for (Share& share : shares_) {
        share.walk = this;
        share.first = started + 1;
        if (!helpers_[started].Start(&TreeWalk::HelperShare, &share)) {
          break;
        }
        ++started;
      }
    }
    // Share 0, and any share no helper took, here.
    nt::Status error = RemoveShare(0, kShares, name_buffer_);
    for (std::size_t first = started + 1; first < kShares; ++first) {
      const nt::Status e = RemoveShare(first, kShares, name_buffer_);
      error = error != nt::kSuccess ? error : e;
    }
    for (std::size_t i = 0; i < started; ++i) {
      helpers_[i].Wait();
      error = error != nt::kSuccess ? error : shares_[i].error;
    }
    Settle(error);
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
  void Settle(nt::Status error) {
    Level& level = stack_.back();
    const auto marked_end = marked_.begin() + static_cast<std::ptrdiff_t>(used_);
    const bool any_marked =
        std::any_of(marked_.begin(), marked_end, [](const NtHandle& h) { return static_cast<bool>(h); });
    if (any_marked && options_.hooks.after_mark) {
      options_.hooks.after_mark();
    }
    if (any_marked && !StillAtItsName(opened_as_, path_, level.id, name_buffer_)) {
      for (std::size_t i = 0; i < used_; ++i) {
        if (marked_[i]) {
          UnmarkForDeletion(marked_[i].get());  // if even this fails, the walk fails below all the same
          results_[i] = nt::kLinkRefused;
        }
      }
      error = error != nt::kSuccess ? error : nt::kLinkRefused;
    }
    for (std::size_t i = 0; i < used_; ++i) {
      marked_[i].reset();  // the removals take effect here
    }
    if (options_.sink != nullptr) {
      ReportBatch(level);
    }
    used_ = 0;
    if (error != nt::kSuccess) {
      Fail(level, error);
    }
  }

  // The current folder is listed to its end: delete it unless something in
  // it stayed, and go back up.
  void Finish() {
    Level& level = stack_.back();
    bool failed = level.failed;
    bool marked = false;
    if (!failed && !options_.preview) {
      // "Not empty" while another program still holds a child it was told to let go.
      const nt::Status s = Retrying(nt::kDirectoryNotEmpty, [&] {
        return MarkForDeletion(level.handle.get(), options_.force, modes_);
      });
      if (nt::Failed(s)) {
        Fail(level, MarkError(s));
        Stayed({}, StayFor(MarkError(s)), MarkError(s));
        failed = true;
      } else {
        marked = true;
      }
    } else if (!failed && options_.sink != nullptr) {
      options_.sink->Removed(ItemPath({}), true, 0);  // a preview's
    }
    const std::wstring item = options_.sink != nullptr ? ItemPath({}) : std::wstring();
    stack_.pop_back();  // closing the handle removes the folder
    if (stack_.empty()) {
      top_marked_ = marked;
      return;
    }
    Level& parent = stack_.back();
    const std::wstring_view leaf =
        std::wstring_view(opened_as_).substr(parent.opened_length + 1);  // as listed
    if (marked && options_.sink != nullptr) {
      // Reported only once it is gone: Wine drops an error at close.
      if (NameGone(parent.handle.get(), leaf, nt::kFileDirectoryFile)) {
        options_.sink->Removed(item, true, 0);
      } else {
        options_.sink->Stayed(item, Stay::Error, ERROR_DIR_NOT_EMPTY);
        failed = true;
      }
    }
    path_.resize(parent.name_length);
    opened_as_.resize(parent.opened_length);
    shown_.resize(parent.shown_length);
    if (failed) {
      Fail(parent, first_error_ != nt::kSuccess ? first_error_ : nt::kDirectoryNotEmpty);
    }
  }

  // The reports, built only for a sink. An empty `name` is the folder on
  // top of the stack itself.
  [[nodiscard]] std::wstring ItemPath(std::wstring_view name) const {
    std::wstring p(folder_spec_);
    p += shown_;
    if (!name.empty()) {
      p += L'\\';
      p += name;
    }
    return p;
  }
  void Stayed(std::wstring_view name, Stay why, nt::Status error) {
    if (options_.sink != nullptr) {
      options_.sink->Stayed(ItemPath(name), why, nt::ToWin32Error(error));
    }
  }
  // An item is told as removed only once it is gone: under Wine the unlink
  // happens at close, where an error is dropped.
  void ReportBatch(Level& level) {
    for (std::size_t i = 0; i < used_; ++i) {
      const FoundEntry& entry = batch_[i];
      nt::Status error = results_[i];
      if (error == nt::kSuccess && !options_.preview && !NameGone(level.handle.get(), entry.name, 0)) {
        error = nt::kAccessDenied;
        Fail(level, error);
      }
      if (error == nt::kSuccess) {
        options_.sink->Removed(ItemPath(entry.name), false, static_cast<std::uint64_t>(entry.size));
      } else {
        Stayed(entry.name, StayFor(error), error);
      }
    }
  }

  [[nodiscard]] bool Forced() const { return options_.force && !options_.preview; }

  void Breathe() {
    if (options_.breather == nullptr) {
      return;
    }
    const DWORD now = ::GetTickCount();
    if (++entries_ >= kBreatheEntries || now - last_breath_ >= kBreatheMs) {
      entries_ = 0;
      last_breath_ = now;
      options_.breather->Breathe();
    }
  }

  const RemovalOptions& options_;
  const ACCESS_MASK folder_access_;
  const ACCESS_MASK file_access_;
  std::wstring_view folder_spec_;
  std::vector<nt::Status> results_;  // per batch slot
  std::vector<NtHandle> marked_;     // per batch slot: marked, not yet closed
  std::vector<Level> stack_;
  std::wstring path_;       // resolved name of the folder on top of the stack
  std::wstring root_;       // resolved name of the folder being removed
  std::wstring opened_as_;  // the NT path the folder on top of the stack was reached by
  std::wstring shown_;      // where the folder on top of the stack was found below the target, for reports
  std::vector<ULONGLONG> name_buffer_;  // the name queries' room on this thread
  std::vector<FoundEntry> batch_;       // plain files listed, not yet removed
  std::size_t used_ = 0;
  nt::Status first_error_ = nt::kSuccess;
  bool top_marked_ = false;
  unsigned entries_ = 0;
  DWORD last_breath_;
  DeleteModes modes_;
  std::array<Share, kShares - 1> shares_;
  HelperLease helpers_;  // last: threads of its own stop before the rest goes
};

// The target itself stays: tell the sink, then fail as without one.
[[noreturn]] void TargetStays(const RemovalOptions& options, const std::wstring& folder_spec, Stay why,
                              const char* what, DWORD error) {
  if (options.sink != nullptr) {
    options.sink->Stayed(folder_spec, why, error);
  }
  throw Failure(what, error);
}

}  // namespace

void RemoveFolderTree(const std::wstring& folder_spec, const RemovalOptions& options) {
  const TargetFolder parent = PlaceTarget(folder_spec, RowKind::Folder, options.anchors);
  const std::wstring& leaf = parent.target.leaf;

  // Opened by its name, as a folder, and checked as a listed folder would be
  // (no listing first: it would cost a handle and a query per row, and the
  // checks on the handle catch whatever a listing could have shown).
  if (options.hooks.before_open) {
    options.hooks.before_open(leaf);
  }
  std::vector<ULONGLONG> name_buffer;
  CheckedChild top =
      OpenChecked(parent.handle.get(), parent.name, DirEntry{leaf, FILE_ATTRIBUTE_DIRECTORY, 0},
                  options.preview ? kPreviewFolderAccess : kFolderAccess, {}, name_buffer);
  const DWORD error = nt::ToWin32Error(top.status);
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
    throw Failure("no such folder", ERROR_PATH_NOT_FOUND);
  }
  if (error == ERROR_DIRECTORY) {
    TargetStays(options, folder_spec, Stay::NotAFolder, "path names a file, not a folder",
                ERROR_PATH_NOT_FOUND);
  }
  if (error != 0) {
    const bool link = top.status == nt::kLinkRefused;
    TargetStays(options, folder_spec, link ? Stay::Link : Stay::CantList,
                link ? "folder is a link; left as it is" : "cannot open folder", error);
  }
  if (top.link_itself) {
    TargetStays(options, folder_spec, Stay::Link, "folder is a link; left as it is",
                nt::ToWin32Error(nt::kLinkRefused));
  }
  if (options.force && !options.preview && ReadOnly(top.attributes)) {
    const nt::Status clear_error =
        ClearFolderReadOnly(parent.handle.get(), parent.name, leaf, top.id, top.attributes, {});
    if (clear_error != nt::kSuccess) {
      TargetStays(options, folder_spec, clear_error == nt::kLinkRefused ? Stay::Link : Stay::Error,
                  "cannot clear the folder's read-only attribute", nt::ToWin32Error(clear_error));
    }
  }
  TreeWalk walk(options);
  walk.Run(std::move(top.handle), std::move(top.name), top.id, folder_spec);
  DWORD first_error = nt::ToWin32Error(walk.first_error());
  // Wine unlinks at close and drops errors there; make sure the folder went.
  if (first_error == 0 && !options.preview) {
    if (!NameGone(parent.handle.get(), leaf, nt::kFileDirectoryFile)) {
      first_error = ERROR_DIR_NOT_EMPTY;
      if (options.sink != nullptr) {
        options.sink->Stayed(folder_spec, Stay::Error, first_error);
      }
    } else if (options.sink != nullptr && walk.top_marked()) {
      options.sink->Removed(folder_spec, true, 0);
    }
  }
  if (first_error != 0) {
    throw Failure("folder not wholly removed", first_error);
  }
}

}  // namespace brim::platform::win32
