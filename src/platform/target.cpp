#include "platform/target.h"

#include "platform/removal.h"

namespace brim::platform {
namespace {

// The component of `path` that starts at `from`, and where the next begins
// (npos when it is the last).
std::wstring_view Component(std::wstring_view path, std::size_t from, std::size_t& next) {
  const std::size_t end = path.find(L'\\', from);
  next = end == std::wstring_view::npos ? end : end + 1;
  return path.substr(from, end == std::wstring_view::npos ? std::wstring_view::npos : end - from);
}

// The profile a path lies inside, as composed: "Q:\Documents and
// Settings\U" for anything below it; empty for the profile itself, for no
// user, and for paths elsewhere. `from` is where its second component starts.
std::wstring_view ProfileOf(std::wstring_view path, std::size_t from, SameNameFn same) {
  std::size_t next = 0;
  const std::wstring_view profiles = Component(path, from, next);
  if (next == std::wstring_view::npos || !same(profiles, kProfilesFolder)) {
    return {};
  }
  const std::size_t user = next;
  const std::wstring_view name = Component(path, user, next);
  if (name.empty() || next == std::wstring_view::npos) {
    return {};
  }
  return path.substr(0, user + name.size());
}

constexpr std::wstring_view kWildcards = L"*?<>\"";

// "*.ext" and "name.*", with no other wildcard and no dot in "ext", are
// matched alike by every listing when given as the mask ("name.*" apart
// from its bare name, see Target::bare_match); other patterns are not.
bool Listable(std::wstring_view leaf) {
  const std::size_t first = leaf.find_first_of(kWildcards);
  if (first == std::wstring_view::npos) {
    return true;
  }
  if (leaf.starts_with(L"*.")) {
    return leaf.size() > 2 && leaf.find_first_of(L"*?<>\".", 2) == std::wstring_view::npos;
  }
  return leaf.size() > 2 && leaf.ends_with(L".*") && first == leaf.size() - 1;
}

bool LeafNamesNothing(std::wstring_view leaf, RowKind kind) {
  if (kind == RowKind::Files) {
    return leaf.empty();
  }
  // One the NT layer would read as a pattern or as a step upwards.
  return leaf.empty() || leaf == L"." || leaf == L".." ||
         leaf.find_first_of(kWildcards) != std::wstring_view::npos;
}

// Component by component, without trailing dots and blanks.
std::wstring Loose(std::wstring_view name) {
  std::wstring out;
  out.reserve(name.size());
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find(L'\\', start);
    if (end == std::wstring_view::npos) {
      end = name.size();
    }
    std::wstring_view part = name.substr(start, end - start);
    const std::size_t keep = part.find_last_not_of(L". ");
    part = part.substr(0, keep == std::wstring_view::npos ? 0 : keep + 1);
    out += part;
    if (end < name.size()) {
      out += L'\\';
    }
    start = end + 1;
  }
  return out;
}

}  // namespace

TargetReading ReadTarget(std::wstring_view path, RowKind kind, SameNameFn same) {
  TargetReading out;
  // Length first: the front parts of a path too long may fit.
  if (path.size() > kMaxTargetChars) {
    out.flaw = TargetFlaw::TooLong;
    return out;
  }
  if (path.find(L'\0') != std::wstring_view::npos) {
    out.flaw = TargetFlaw::HoldsNul;
    return out;
  }
  const std::size_t cut = path.rfind(L'\\');
  if (cut == std::wstring_view::npos || cut == 0) {
    out.flaw = TargetFlaw::NoFolderPart;
    return out;
  }
  const std::wstring_view leaf = path.substr(cut + 1);
  if (LeafNamesNothing(leaf, kind)) {
    out.flaw = TargetFlaw::LeafNamesNothing;
    return out;
  }
  if (kind == RowKind::Files && !Listable(leaf)) {
    out.flaw = TargetFlaw::PatternUnlistable;
    return out;
  }
  Target& t = out.target;
  t.kind = kind;
  t.path = path;
  const std::size_t after_drive = path.find(L'\\') + 1;
  t.drive = path.substr(0, after_drive);
  t.profile = ProfileOf(path, after_drive, same);
  t.folder = path.substr(0, cut);
  if (cut + 1 == after_drive) {
    t.folder += L'\\';  // "Q:" alone would mean the current folder of Q:
  }
  t.leaf = leaf;
  if (kind == RowKind::Files && leaf.ends_with(L".*")) {
    t.bare_match = leaf.substr(0, leaf.size() - 2);
  }
  return out;
}

std::optional<std::wstring_view> Below(std::wstring_view name, std::wstring_view anchor, SameNameFn same) {
  if (!anchor.empty() && anchor.back() == L'\\') {
    anchor.remove_suffix(1);
  }
  if (anchor.empty() || name.size() < anchor.size() || !same(name.substr(0, anchor.size()), anchor)) {
    return std::nullopt;
  }
  const std::wstring_view rest = name.substr(anchor.size());
  if (!rest.empty() && rest.front() != L'\\') {
    return std::nullopt;
  }
  return rest;
}

bool Inside(std::wstring_view name, std::wstring_view anchor, SameNameFn same) {
  return Below(name, anchor, same).has_value();
}

bool NamesChild(std::wstring_view actual, std::wstring_view dir_name, std::wstring_view leaf,
                std::wstring_view tree_root, SameNameFn same) {
  const bool joined = !dir_name.empty() && dir_name.back() == L'\\';
  const std::size_t leaf_at = dir_name.size() + (joined ? 0 : 1);
  if (actual.size() == leaf_at + leaf.size() && (joined || actual[dir_name.size()] == L'\\') &&
      same(actual.substr(0, dir_name.size()), dir_name) && same(actual.substr(leaf_at), leaf)) {
    return true;
  }
  if (tree_root.empty()) {
    return false;
  }
  std::wstring expected(dir_name);
  if (!joined) {
    expected += L'\\';
  }
  expected += leaf;
  const auto actual_rest = Below(actual, tree_root, same);
  const auto expected_rest = Below(expected, tree_root, same);
  if (!actual_rest || !expected_rest || actual_rest->size() < 2 || expected_rest->size() < 2) {
    return false;  // both strictly below the root
  }
  const std::wstring loose = Loose(*actual_rest);
  return loose.find(L"\\\\") == std::wstring::npos && loose.back() != L'\\' &&
         same(loose, Loose(*expected_rest));
}

}  // namespace brim::platform
