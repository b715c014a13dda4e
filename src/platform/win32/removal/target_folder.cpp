#include "platform/win32/removal/target_folder.h"

#include "platform/failure.h"
#include "platform/win32/removal/anchor_cache.h"
#include "platform/win32/removal/folder_by_path.h"
#include "platform/win32/removal/nt_file.h"
#include "platform/win32/removal/verbatim_path.h"

namespace brim::platform::win32 {
namespace {

Target ReadOrFail(const std::wstring& path, RowKind kind) {
  TargetReading read = ReadTarget(path, kind, SameName);
  switch (read.flaw) {
    case TargetFlaw::None:
      return std::move(read.target);
    case TargetFlaw::TooLong:
      throw Failure("path longer than the system can name", ERROR_FILENAME_EXCED_RANGE);
    case TargetFlaw::HoldsNul:
      throw Failure("path holds a NUL", ERROR_INVALID_NAME);
    case TargetFlaw::NoFolderPart:
      throw Failure("path has no folder part", ERROR_PATH_NOT_FOUND);
    case TargetFlaw::PatternUnlistable:
      throw Failure("pattern not listed alike everywhere", ERROR_INVALID_NAME);
    case TargetFlaw::LeafNamesNothing:
      break;
  }
  if (kind == RowKind::Files) {
    throw Failure("no file name", ERROR_FILE_NOT_FOUND);
  }
  throw Failure("folder name names nothing", ERROR_INVALID_NAME);
}

void RequireInside(std::wstring_view name, std::wstring_view anchor, const char* what) {
  if (!Inside(name, anchor, SameName)) {
    throw Failure(what, nt::ToWin32Error(nt::kLinkRefused));
  }
}

}  // namespace

TargetFolder PlaceTarget(const std::wstring& path, RowKind kind, AnchorCache* cache) {
  TargetFolder out{ReadOrFail(path, kind), {}, {}, 0, {}};
  const Target& t = out.target;
  AnchorCache this_call;  // without a run's cache, resolved afresh
  AnchorCache& resolve = cache != nullptr ? *cache : this_call;
  const std::wstring drive = resolve.Resolved(t.drive);
  std::wstring place = drive;
  if (!t.profile.empty()) {
    place = resolve.Resolved(t.profile);
    RequireInside(place, drive, "profile lies outside its drive");
  }
  out.handle = OpenFolderByPath(t.folder);
  out.opened_as = NtPath(t.folder);
  out.name = ResolvedName(out.handle.get());
  RequireInside(out.name, place, "target's folder lies outside its place");
  Identity identity;
  const nt::Status s = QueryIdentity(out.handle.get(), identity);
  if (nt::Failed(s)) {
    throw Failure("cannot ask what the target's folder is", nt::ToWin32Error(s));
  }
  out.id = identity.id;
  return out;
}

}  // namespace brim::platform::win32
