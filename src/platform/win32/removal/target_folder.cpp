#include "platform/win32/removal/target_folder.h"

#include "platform/failure.h"
#include "platform/removal.h"
#include "platform/win32/removal/anchor_cache.h"
#include "platform/win32/removal/checked_open.h"
#include "platform/win32/removal/nt_file.h"
#include "platform/win32/removal/target_split.h"
#include "platform/win32/removal/verbatim_path.h"

namespace brim::platform::win32 {
namespace {

// The component of `path` that starts at `from`, and where the next begins
// (npos when it is the last).
std::wstring_view Component(std::wstring_view path, std::size_t from, std::size_t& next) {
  const std::size_t end = path.find(L'\\', from);
  next = end == std::wstring_view::npos ? end : end + 1;
  return path.substr(from, end == std::wstring_view::npos ? std::wstring_view::npos : end - from);
}

void RequireInside(std::wstring_view name, std::wstring_view anchor, const char* what) {
  if (!Inside(name, anchor)) {
    throw Failure(what, kLinkRefused);
  }
}

}  // namespace

Anchors AnchorsOf(std::wstring_view path) {
  Anchors out;
  std::size_t next = 0;
  Component(path, 0, next);
  if (next == std::wstring_view::npos) {
    return out;
  }
  out.drive = std::wstring(path.substr(0, next));
  const std::size_t profiles = next;
  if (!SameName(Component(path, profiles, next), kProfilesFolder) || next == std::wstring_view::npos) {
    return out;
  }
  const std::size_t user = next;
  const std::wstring_view name = Component(path, user, next);
  if (!name.empty() && next != std::wstring_view::npos) {  // something lies inside the profile
    out.profile = std::wstring(path.substr(0, user + name.size()));
  }
  return out;
}

bool Inside(std::wstring_view name, std::wstring_view anchor) {
  if (!anchor.empty() && anchor.back() == L'\\') {
    anchor.remove_suffix(1);  // a drive root names itself with a backslash
  }
  if (anchor.empty() || name.size() < anchor.size() || !SameName(name.substr(0, anchor.size()), anchor)) {
    return false;
  }
  const std::wstring_view rest = name.substr(anchor.size());
  return rest.empty() || rest.front() == L'\\';
}

TargetFolder OpenTargetFolder(const std::wstring& path, AnchorCache* cache) {
  RequireNameable(path);  // first: the front parts of a path too long may fit
  SplitPath split = SplitTarget(path);
  const Anchors anchors = AnchorsOf(path);
  AnchorCache this_call;  // without a run's cache, resolved afresh
  AnchorCache& resolve = cache != nullptr ? *cache : this_call;
  const std::wstring drive = resolve.Resolved(anchors.drive);
  std::wstring anchor = drive;
  if (!anchors.profile.empty()) {
    anchor = resolve.Resolved(anchors.profile);
    RequireInside(anchor, drive, "profile lies outside its drive");
  }
  TargetFolder out{OpenFolderByPath(split.folder), {}, 0, NtPath(split.folder), std::move(split.leaf)};
  out.name = ResolvedName(out.handle.get());
  RequireInside(out.name, anchor, "target's folder lies outside its place");
  Identity identity;
  const nt::Status s = QueryIdentity(out.handle.get(), identity);
  if (nt::Failed(s)) {
    throw Failure("cannot ask what the target's folder is", nt::ToWin32Error(s));
  }
  out.id = identity.id;
  return out;
}

}  // namespace brim::platform::win32
