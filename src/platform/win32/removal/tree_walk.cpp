#include "platform/win32/removal/tree_walk.h"

#include <utility>

#include "platform/win32/removal/verbatim_path.h"

namespace brim::platform::win32 {
namespace {

bool IsDotOrDotDot(std::wstring_view name) { return name == L"." || name == L".."; }

}  // namespace

void TreeWalk::Run(NtHandle top, std::wstring_view top_name, std::int64_t top_id,
                   std::wstring_view folder_spec) {
  path_.assign(top_name);
  opened_as_ = NtPath(folder_spec);
  Push(std::move(top), top_id);
  while (!stack_.empty()) {
    DirEntry entry;
    const nt::Status s = stack_.back().listing.Next(entry);
    if (s != nt::kSuccess) {
      Leave(s);
    } else if (!IsDotOrDotDot(entry.name)) {
      Visit(entry);
    }
  }
}

void TreeWalk::Visit(const DirEntry& entry) {
  actions_.Listed(entry.name);
  if (!IsDirectory(entry.attributes) && !IsReparsePoint(entry.attributes)) {
    Fail(stack_.back(), actions_.PlainFile(entry, Here()));
    return;
  }
  CheckedChild folder;
  Fail(stack_.back(), actions_.OtherItem(entry, Here(), folder));
  if (folder.handle) {
    Enter(std::move(folder), entry.name);
  }
}

void TreeWalk::Enter(CheckedChild folder, std::wstring_view listed_name) {
  if (actions_.reports()) {
    shown_.append(folder.name, path_.size());  // "\\" and the name as the file system has it
  }
  path_ = std::move(folder.name);
  opened_as_ += L'\\';
  opened_as_ += listed_name;
  Push(std::move(folder.handle), folder.id);
}

// The folder on top is listed to its end (or as far as it could be): its
// files go, then the folder itself unless something in it stayed, and the
// walk goes back up.
void TreeWalk::Leave(nt::Status listed) {
  Level& level = stack_.back();
  Fail(level, actions_.RemoveBatch(Here()));
  if (listed != nt::kNoMoreFiles) {
    Fail(level, actions_.ListingFailed(listed, Here()));
  }
  bool marked = false;
  Fail(level, actions_.Leaving(Here(), level.failed, marked));
  const bool failed = level.failed;
  stack_.pop_back();  // closing the handle removes the folder
  if (stack_.empty()) {
    top_marked_ = marked;
    return;
  }
  Level& parent = stack_.back();
  const std::wstring_view leaf = std::wstring_view(opened_as_).substr(parent.opened_length + 1);  // as listed
  const bool stayed = marked && !actions_.Left(parent.handle.get(), leaf, shown_);
  path_.resize(parent.name_length);
  opened_as_.resize(parent.opened_length);
  shown_.resize(parent.shown_length);
  if (failed || stayed) {
    Fail(parent, first_error_ != nt::kSuccess ? first_error_ : nt::kDirectoryNotEmpty);
  }
}

void TreeWalk::Push(NtHandle h, std::int64_t id) {
  stack_.emplace_back(std::move(h), path_.size(), opened_as_.size(), shown_.size(), id);
}

void TreeWalk::Fail(Level& level, nt::Status error) {
  if (error == nt::kSuccess) {
    return;
  }
  level.failed = true;
  if (first_error_ == nt::kSuccess) {
    first_error_ = error;
  }
}

WalkedFolder TreeWalk::Here() const {
  const Level& level = stack_.back();
  return WalkedFolder{level.handle.get(), path_, opened_as_, shown_, level.id};
}

}  // namespace brim::platform::win32
