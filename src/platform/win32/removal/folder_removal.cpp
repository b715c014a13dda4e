#include "platform/win32/removal/folder_removal.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <exception>
#include <vector>

#include "platform/failure.h"
#include "platform/win32/handles.h"
#include "platform/win32/removal/checked_open.h"
#include "platform/win32/removal/helper_threads.h"
#include "platform/win32/removal/nt_file.h"
#include "platform/win32/removal/target_folder.h"
#include "platform/win32/removal/target_split.h"
#include "platform/win32/removal/verbatim_path.h"
#include "platform/win32/text.h"

namespace brim::platform::win32 {
namespace {

constexpr ACCESS_MASK kFolderAccess =
    DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;
constexpr ACCESS_MASK kFileAccess = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;
// A preview opens what a removal opens, but only to read.
constexpr ACCESS_MASK kPreviewFolderAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES;
constexpr ACCESS_MASK kPreviewFileAccess = FILE_READ_ATTRIBUTES;
constexpr unsigned kBreatheEntries = 256;
constexpr DWORD kBreatheMs = 50;
// Plain files are removed in batches of this many, shared with helper
// threads: under Wine each checked removal is four round trips to the
// server, and while one thread waits for it another runs its client side.
constexpr std::size_t kBatch = 64;
constexpr std::size_t kShares = HelperThreads::kCount + 1;  // this thread and the helpers
constexpr std::size_t kShareFrom = 8;                       // below this a batch is not worth a hand-over
// Under Wine every open and every name check costs more the longer the
// path (the server and the client each walk it), so a deep tree would cost
// far more than linear time. A folder this many levels below the target is
// first moved to the target's top, where its path is short again; it stays
// inside the target, and a preview moves nothing.
constexpr std::size_t kMoveUpAt = 16;
constexpr unsigned kMoveNameTries = 64;

bool IsDotOrDotDot(std::wstring_view name) { return name == L"." || name == L".."; }

// A leaf that the NT layer would read as a pattern or as a step upwards.
bool LeafNamesNothing(std::wstring_view leaf) {
  return leaf.empty() || IsDotOrDotDot(leaf) || leaf.find_first_of(L"*?<>\"") != std::wstring_view::npos;
}

// Depth-first, iterative: one open handle and one listing batch per level,
// so memory follows the depth of the tree, not its size.
class TreeWalk {
 public:
  explicit TreeWalk(const FolderRemovalOptions& options)
      : options_(options),
        folder_access_(options.preview ? kPreviewFolderAccess : kFolderAccess),
        file_access_(options.preview ? kPreviewFileAccess : kFileAccess),
        batch_(kBatch),
        last_breath_(::GetTickCount()),
        helpers_(options.helpers) {
    if (options_.sink != nullptr) {
      results_.resize(kBatch);
    }
  }

  // `top` was opened and checked; `top_name` is its resolved name,
  // `folder_spec` the path it was given by (for reports).
  void Run(NtHandle top, std::wstring top_name, std::wstring_view folder_spec) {
    path_ = std::move(top_name);
    root_ = path_;
    folder_spec_ = folder_spec;
    Push(std::move(top), 0, {});
    while (!stack_.empty()) {
      DirEntry entry;
      const nt::Status s = stack_.back().listing.Next(entry);
      if (s == nt::kSuccess) {
        if (!IsDotOrDotDot(entry.name) && !MovedHere(entry.name)) {
          Breathe();
          Child(entry);
        }
        continue;
      }
      Flush();
      if (s != nt::kNoMoreFiles) {
        Fail(stack_.back(), nt::ToWin32Error(s));
        Stayed({}, Stay::CantList, nt::ToWin32Error(s));
      }
      Finish();
    }
  }

  [[nodiscard]] DWORD first_error() const { return first_error_; }

 private:
  struct Level {
    Level(NtHandle h, std::size_t length, std::size_t shown, std::size_t below, std::wstring parent)
        : handle(std::move(h)),
          listing(handle.get()),
          name_length(length),
          shown_length(shown),
          depth(below),
          parent_name(std::move(parent)) {}
    NtHandle handle;
    DirectoryListing listing;
    std::size_t name_length;
    std::size_t shown_length;  // of shown_, for reports
    std::size_t depth;         // levels below the target's top where it now lies
    std::wstring parent_name;  // set when moved up: the parent's name to go back to
    bool failed = false;
  };

  void Push(NtHandle h, std::size_t depth, std::wstring parent_name) {
    stack_.emplace_back(std::move(h), path_.size(), shown_.size(), depth, std::move(parent_name));
  }

  // Moves the folder just opened, `child`, to the target's top under a name
  // no item there has; false when it stays where it is. Its new name is
  // checked as every opened child's is.
  bool MoveUp(HANDLE child, std::wstring_view leaf) {
    if (options_.before_move) {
      options_.before_move();
    }
    HANDLE top = stack_.front().handle.get();
    for (unsigned tries = 0; tries < kMoveNameTries; ++tries) {
      const std::wstring name = L"~deep" + DecimalText(++moves_);
      const nt::Status s = MoveInto(child, top, name);
      if (s == nt::kObjectNameCollision) {
        continue;
      }
      if (nt::Failed(s)) {
        return false;
      }
      // Under Wine a move goes by the handles' paths, an open relative to a
      // handle by the folder itself: if a folder above was swapped for a
      // link just now, what moved is not this folder. Put it back where it
      // came from and go no further.
      NtHandle moved;
      Identity ours;
      Identity there;
      if (nt::Failed(QueryIdentity(child, ours)) ||
          nt::Failed(OpenRelative(top, name, FILE_READ_ATTRIBUTES, nt::kFileDirectoryFile, moved)) ||
          nt::Failed(QueryIdentity(moved.get(), there)) || ours.id != there.id) {
        PutBack(root_ + L'\\' + name, leaf, ours.id);
        throw Failure("a folder moved up is not where it was put", kLinkRefused);
      }
      std::wstring_view actual;
      if (nt::Failed(QueryResolvedName(child, buffers_.name_info, actual)) ||
          !SameName(actual, root_ + L'\\' + name)) {
        throw Failure("a folder moved up is not where it was put", kLinkRefused);
      }
      buffers_.resolved.assign(actual);
      moved_.push_back(name);
      return true;
    }
    return false;
  }

  // Moves what a move by path took from elsewhere, now at `moved_name`, back
  // to the name `leaf` in the folder on top of the stack, by the same paths.
  // Only something known not to be `ours` is moved.
  void PutBack(const std::wstring& moved_name, std::wstring_view leaf, std::int64_t ours) {
    NtHandle taken;
    Identity identity;
    if (ours != 0 &&
        !nt::Failed(OpenRelative(nullptr, moved_name, DELETE | FILE_READ_ATTRIBUTES, nt::kFileDirectoryFile,
                                 taken)) &&
        !nt::Failed(QueryIdentity(taken.get(), identity)) && identity.id != 0 && identity.id != ours) {
      MoveInto(taken.get(), stack_.back().handle.get(),
               leaf);  // a failure leaves it; the walk fails either way
    }
  }

  // A folder this walk moved up, listed again at the top once it was dealt
  // with (gone, or failed and counted).
  [[nodiscard]] bool MovedHere(std::wstring_view name) const {
    return stack_.size() == 1 &&
           std::ranges::any_of(moved_, [&](const std::wstring& m) { return m == name; });
  }

  void Fail(Level& level, DWORD error) {
    level.failed = true;
    if (first_error_ == 0) {
      first_error_ = error;
    }
  }

  void Child(const DirEntry& entry) {
    if (options_.before_open) {
      options_.before_open(entry.name);
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
    CheckedChild child;
    const DWORD error = OpenChecked(level.handle.get(), path_, entry, dir ? folder_access_ : file_access_,
                                    root_, buffers_, child);
    if (error != 0) {
      Fail(level, error);
      Stayed(entry.name, error == kLinkRefused ? Stay::Link : dir ? Stay::CantList : Stay::Error, error);
      return;
    }
    if (dir && !child.link_itself) {
      if (options_.force && !options_.preview && (entry.attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        // Under Wine a read-only folder is one without write permission,
        // which would keep its children. One that can't be cleared stays.
        const nt::Status s = ClearReadOnly(child.handle.get(), entry.attributes);
        if (nt::Failed(s)) {
          Fail(level, nt::ToWin32Error(s));
          Stayed(entry.name, Stay::Error, nt::ToWin32Error(s));
          return;
        }
      }
      if (options_.sink != nullptr) {
        shown_.append(buffers_.resolved, path_.size());  // "\\" and the name as the file system has it
      }
      std::size_t depth = level.depth + 1;
      std::wstring parent_name;
      if (depth >= kMoveUpAt && !options_.preview && MoveUp(child.handle.get(), entry.name)) {
        depth = 1;
        parent_name = std::move(path_);  // assigned again below
      }
      path_ = buffers_.resolved;
      Push(std::move(child.handle), depth, std::move(parent_name));  // `level` is not used past this point
      return;
    }
    // A file, or a link opened as itself: deleting the handle removes the
    // link, never what it points to.
    const nt::Status s =
        options_.preview ? nt::kSuccess : MarkForDeletion(child.handle.get(), options_.force);
    if (nt::Failed(s)) {
      Fail(level, nt::ToWin32Error(s));
      Stayed(entry.name, Stay::Error, nt::ToWin32Error(s));
    } else if (options_.sink != nullptr) {
      options_.sink->Removed(ItemPath(entry.name), false, 0);
    }
  }

  // One plain file of the batch: opened, checked and marked for deletion;
  // closing the handle removes it. Returns 0 or a Win32 error.
  DWORD RemoveFile(const FoundEntry& entry, CheckBuffers& buffers) const {
    CheckedChild child;
    const DWORD error =
        OpenChecked(stack_.back().handle.get(), path_, entry.View(), file_access_, root_, buffers, child);
    if (error != 0) {
      return error;
    }
    if (options_.preview) {
      return 0;
    }
    const nt::Status s = MarkForDeletion(child.handle.get(), options_.force);
    return nt::Failed(s) ? nt::ToWin32Error(s) : 0;
  }

  // Every `step`th file of the batch from `first`; the first error, if any.
  DWORD RemoveShare(std::size_t first, std::size_t step, CheckBuffers& buffers) const noexcept {
    DWORD first_error = 0;
    try {
      for (std::size_t i = first; i < used_; i += step) {
        const DWORD error = RemoveFile(batch_[i], buffers);
        if (!results_.empty()) {
          results_[i] = error;  // each share writes its own slots
        }
        if (first_error == 0) {
          first_error = error;
        }
      }
    } catch (const std::exception&) {  // out of memory while composing a name
      first_error = ERROR_NOT_ENOUGH_MEMORY;
    }
    return first_error;
  }

  // What one helper thread does with its share of a batch.
  struct Share {
    TreeWalk* walk = nullptr;
    std::size_t first = 0;
    CheckBuffers buffers;
    DWORD error = 0;
  };

  static void HelperShare(void* share_pointer) {
    auto* share = static_cast<Share*>(share_pointer);
    share->error = share->walk->RemoveShare(share->first, kShares, share->buffers);
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
    DWORD error = RemoveShare(0, kShares, buffers_);
    for (std::size_t first = started + 1; first < kShares; ++first) {
      const DWORD e = RemoveShare(first, kShares, buffers_);
      error = error != 0 ? error : e;
    }
    for (std::size_t i = 0; i < started; ++i) {
      helpers_[i].Wait();
      error = error != 0 ? error : shares_[i].error;
    }
    if (options_.sink != nullptr) {
      ReportBatch();
    }
    used_ = 0;
    if (error != 0) {
      Fail(stack_.back(), error);
    }
  }

  // The current folder is listed to its end: delete it unless something in
  // it stayed, and go back up.
  void Finish() {
    Level& level = stack_.back();
    bool failed = level.failed;
    if (!failed) {
      const nt::Status s =
          options_.preview ? nt::kSuccess : MarkForDeletion(level.handle.get(), options_.force);
      if (nt::Failed(s)) {
        Fail(level, nt::ToWin32Error(s));
        Stayed({}, Stay::Error, nt::ToWin32Error(s));
        failed = true;
      } else if (options_.sink != nullptr) {
        options_.sink->Removed(ItemPath({}), true, 0);
      }
    }
    std::wstring parent_name = std::move(level.parent_name);
    stack_.pop_back();  // closing the handle removes the folder
    if (!stack_.empty()) {
      if (parent_name.empty()) {
        path_.resize(stack_.back().name_length);
      } else {
        path_ = std::move(parent_name);
      }
      shown_.resize(stack_.back().shown_length);
      if (failed) {
        stack_.back().failed = true;
      }
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
  void Stayed(std::wstring_view name, Stay why, DWORD error) {
    if (options_.sink != nullptr) {
      options_.sink->Stayed(ItemPath(name), why, error);
    }
  }
  void ReportBatch() {
    for (std::size_t i = 0; i < used_; ++i) {
      const FoundEntry& entry = batch_[i];
      if (results_[i] == 0) {
        options_.sink->Removed(ItemPath(entry.name), false, static_cast<std::uint64_t>(entry.size));
      } else {
        Stayed(entry.name, results_[i] == kLinkRefused ? Stay::Link : Stay::Error, results_[i]);
      }
    }
  }

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

  const FolderRemovalOptions& options_;
  const ACCESS_MASK folder_access_;
  const ACCESS_MASK file_access_;
  std::wstring_view folder_spec_;
  mutable std::vector<DWORD> results_;  // per batch slot, kept only for a sink
  std::vector<Level> stack_;
  std::wstring path_;   // resolved name of the folder on top of the stack
  std::wstring root_;   // resolved name of the folder being removed
  std::wstring shown_;  // where the folder on top of the stack was found below the target, for reports
  unsigned moves_ = 0;
  std::vector<std::wstring> moved_;  // names given to folders moved up
  CheckBuffers buffers_;
  std::vector<FoundEntry> batch_;  // plain files listed, not yet removed
  std::size_t used_ = 0;
  DWORD first_error_ = 0;
  unsigned entries_ = 0;
  DWORD last_breath_;
  std::array<Share, kShares - 1> shares_;
  HelperLease helpers_;  // last: threads of its own stop before the rest goes
};

// The target itself stays: tell the sink, then fail as without one.
[[noreturn]] void TargetStays(const FolderRemovalOptions& options, const std::wstring& folder_spec, Stay why,
                              const char* what, DWORD error) {
  if (options.sink != nullptr) {
    options.sink->Stayed(folder_spec, why, error);
  }
  throw Failure(what, error);
}

}  // namespace

void RemoveFolderTree(const std::wstring& folder_spec, const FolderRemovalOptions& options) {
  RequireNameable(folder_spec);
  if (LeafNamesNothing(SplitTarget(folder_spec).leaf)) {
    throw Failure("folder name names nothing", ERROR_INVALID_NAME);
  }
  const TargetFolder parent = OpenTargetFolder(folder_spec, options.anchors);

  // Opened by its name, as a folder, and checked as a listed folder would be
  // (no listing first: it would cost a handle and a query per row, and the
  // checks on the handle catch whatever a listing could have shown).
  if (options.before_open) {
    options.before_open(parent.leaf);
  }
  CheckBuffers buffers;
  CheckedChild top;
  const DWORD error =
      OpenChecked(parent.handle.get(), parent.name, DirEntry{parent.leaf, FILE_ATTRIBUTE_DIRECTORY, 0},
                  options.preview ? kPreviewFolderAccess : kFolderAccess, {}, buffers, top);
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
    throw Failure("no such folder", ERROR_PATH_NOT_FOUND);
  }
  if (error == ERROR_DIRECTORY) {
    TargetStays(options, folder_spec, Stay::NotAFolder, "path names a file, not a folder",
                ERROR_PATH_NOT_FOUND);
  }
  if (error != 0) {
    TargetStays(options, folder_spec, error == kLinkRefused ? Stay::Link : Stay::CantList,
                error == kLinkRefused ? "folder is a link; left as it is" : "cannot open folder", error);
  }
  if (top.link_itself) {
    TargetStays(options, folder_spec, Stay::Link, "folder is a link; left as it is", kLinkRefused);
  }
  if (options.force && !options.preview && (top.attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    const nt::Status s = ClearReadOnly(top.handle.get(), top.attributes);
    if (nt::Failed(s)) {
      TargetStays(options, folder_spec, Stay::Error, "cannot clear the folder's read-only attribute",
                  nt::ToWin32Error(s));
    }
  }
  // Its name as the file system has it, for the check that it went.
  const std::wstring leaf = buffers.resolved.substr(buffers.resolved.rfind(L'\\') + 1);

  TreeWalk walk(options);
  walk.Run(std::move(top.handle), std::move(buffers.resolved), folder_spec);
  DWORD first_error = walk.first_error();
  // Wine unlinks at close and drops errors there; make sure the folder went.
  FoundEntry left;
  if (first_error == 0 && !options.preview && LookupEntry(parent.handle.get(), leaf, left)) {
    first_error = ERROR_DIR_NOT_EMPTY;
    if (options.sink != nullptr) {
      options.sink->Stayed(folder_spec, Stay::Error, first_error);
    }
  }
  if (first_error != 0) {
    throw Failure("folder not wholly removed", first_error);
  }
}

}  // namespace brim::platform::win32
