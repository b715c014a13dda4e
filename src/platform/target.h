#pragma once
// A composed path, read once into what a removal needs of it, and the
// grammar of the names the system resolves it to. The removal opens what
// this reads; nothing here touches a file system.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace brim::platform {

// Equal as the file system compares names: letter case ignored, by its
// own table. The grammar below takes it from the platform.
using SameNameFn = bool (*)(std::wstring_view, std::wstring_view);

// The longest composed path the system can name: behind "\\?\" (or
// "\??\") it must fit in the 32,767 characters the NT layer counts. A
// longer one would be read as a front part of it, which names another place.
inline constexpr std::size_t kMaxTargetChars = 32767 - 4;

enum class RowKind { Folder, Files };

// Why a composed path is refused before any part of it is used.
enum class TargetFlaw {
  None,
  TooLong,           // past kMaxTargetChars
  HoldsNul,          // a C string would end there, naming a front part
  NoFolderPart,      // no backslash after its first character
  LeafNamesNothing,  // empty; for a folder also ".", ".." or a pattern
  // A files pattern that not every platform's listing matches alike: only
  // "*.ext" and "name.*" (no "?", no other "*", no DOS wildcard) are read.
  PatternUnlistable,
};

struct Target {
  RowKind kind = RowKind::Folder;
  std::wstring path;     // as composed
  std::wstring drive;    // "Q:\": the first component and its backslash
  std::wstring profile;  // "Q:\Documents and Settings\U" when the path lies inside one, else empty
  std::wstring folder;   // the folder holding it ("Q:\" for an item at the root)
  std::wstring leaf;     // its last component; a files row's may hold wildcards
  // A files leaf "name.*" also matches "name" itself by the platform's
  // wildcard rules, which not every listing applies to a mask as it stands
  // (Wine 8's does; Wine 10's and Windows' need the DOS wildcard that
  // FindFirstFileW puts in, which Wine 8's refuses). So that name is asked
  // for apart; empty for any other leaf.
  std::wstring bare_match;
  // What its folder must lie inside once links on the way are followed.
  [[nodiscard]] const std::wstring& place() const { return profile.empty() ? drive : profile; }
};

struct TargetReading {
  Target target;
  TargetFlaw flaw = TargetFlaw::None;
};

// The one reader of a composed path: applies the length, NUL, separator and
// leaf rules, then cuts it into its place, folder and leaf. `same` compares
// the profiles folder's name.
[[nodiscard]] TargetReading ReadTarget(std::wstring_view path, RowKind kind, SameNameFn same);

// Resolved names ("\??\Q:\a\b", "\Device\HarddiskVolume1\a"): the whole
// name, volume included, as the system gives it for an open handle.

// The part of `name` below `anchor` ("" for the anchor itself, "\x\y"
// below it); nothing when `name` lies elsewhere. A drive root's trailing
// backslash is not part of what it anchors.
[[nodiscard]] std::optional<std::wstring_view> Below(std::wstring_view name, std::wstring_view anchor,
                                                     SameNameFn same);

// True when `name` is `anchor` itself or lies below it.
[[nodiscard]] bool Inside(std::wstring_view name, std::wstring_view anchor, SameNameFn same);

// True when `actual` names the child `leaf` of the folder named `dir_name`. Wine
// resolves names with trailing dots and blanks loosely ("a." as "a", "d.\x"
// as "d\x"): with `tree_root` (the resolved name of a folder that goes as a
// whole) a name strictly below it may differ in those alone, as whatever it
// names is still inside that folder. Without it the names must be equal.
[[nodiscard]] bool NamesChild(std::wstring_view actual, std::wstring_view dir_name, std::wstring_view leaf,
                              std::wstring_view tree_root, SameNameFn same);

}  // namespace brim::platform
