#include "platform/win32/removal/folder_removal.h"

#include <windows.h>

#include <vector>

#include "platform/failure.h"
#include "platform/win32/handles.h"
#include "platform/win32/removal/child_open.h"
#include "platform/win32/removal/item_actions.h"
#include "platform/win32/removal/nt_file.h"
#include "platform/win32/removal/removal_mode.h"
#include "platform/win32/removal/target_folder.h"
#include "platform/win32/removal/tree_walk.h"

namespace brim::platform::win32 {
namespace {

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
  const RemovalMode mode(options.preview, options.force);

  // Opened by its name, as a folder, and checked as a listed folder would be
  // (no listing first: it would cost a handle and a query per row, and the
  // checks on the handle catch whatever a listing could have shown).
  if (options.hooks.before_open) {
    options.hooks.before_open(leaf);
  }
  std::vector<ULONGLONG> name_buffer;
  CheckedChild top =
      OpenChecked(parent.handle.get(), parent.name, DirEntry{leaf, FILE_ATTRIBUTE_DIRECTORY, 0},
                  mode.folder_access(), {}, name_buffer);
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
  const nt::Status clear_error =
      mode.ClearIfReadOnly(parent.handle.get(), parent.name, leaf, top.id, top.attributes, {});
  if (clear_error != nt::kSuccess) {
    TargetStays(options, folder_spec, clear_error == nt::kLinkRefused ? Stay::Link : Stay::Error,
                "cannot clear the folder's read-only attribute", nt::ToWin32Error(clear_error));
  }
  ItemActions actions(options, mode, folder_spec, top.name);
  TreeWalk walk(actions);
  walk.Run(std::move(top.handle), top.name, top.id, folder_spec);
  DWORD first_error = nt::ToWin32Error(walk.first_error());
  // Wine unlinks at close and drops errors there; make sure the folder went.
  if (first_error == 0 && mode.removes()) {
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
