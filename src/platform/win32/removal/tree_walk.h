#pragma once
// The walk of a folder removal: depth first and iterative, one open handle
// and one listing batch per level, so memory follows the depth of the tree,
// not its size. It visits and keeps names; what is done with each item is
// the actions' (item_actions.h).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/removal/item_actions.h"
#include "platform/win32/removal/nt_file.h"

namespace brim::platform::win32 {

class TreeWalk {
 public:
  explicit TreeWalk(ItemActions& actions) : actions_(actions) {}

  // `top` was opened and checked; `top_name` is its resolved name and
  // `top_id` its file id, `folder_spec` the path it was given by.
  void Run(NtHandle top, std::wstring_view top_name, std::int64_t top_id, std::wstring_view folder_spec);

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
    std::size_t name_length;    // of path_
    std::size_t opened_length;  // of opened_as_
    std::size_t shown_length;   // of shown_
    std::int64_t id;
    bool failed = false;
  };

  void Visit(const DirEntry& entry);
  void Enter(CheckedChild folder, std::wstring_view listed_name);
  void Leave(nt::Status listed);
  void Push(NtHandle h, std::int64_t id);
  void Fail(Level& level, nt::Status error);
  [[nodiscard]] WalkedFolder Here() const;

  ItemActions& actions_;
  std::vector<Level> stack_;
  std::wstring path_;       // resolved name of the folder on top of the stack
  std::wstring opened_as_;  // the NT path the folder on top of the stack was reached by
  std::wstring shown_;      // where the folder on top of the stack lies below the target, for reports
  nt::Status first_error_ = nt::kSuccess;
  bool top_marked_ = false;
};

}  // namespace brim::platform::win32
