// The one reading of a composed path and the grammar of resolved names:
// the rules that keep a removal in its place, before any file system.
#include "platform/target.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

namespace brim::testing {
namespace {

using platform::RowKind;
using platform::TargetFlaw;

// Letter case ignored, as the file system's table does for these names.
bool Same(std::wstring_view a, std::wstring_view b) {
  return std::ranges::equal(a, b, [](wchar_t x, wchar_t y) { return std::towupper(x) == std::towupper(y); });
}

const std::wstring kNul(1, L'\0');

TEST(ReadTarget, OnePathGivesItsPlaceFolderAndLeafOrTheFirstRuleItBreaks) {
  struct Case {
    std::wstring path;
    RowKind kind;
    TargetFlaw flaw;
    const wchar_t* drive = L"";
    const wchar_t* profile = L"";
    const wchar_t* folder = L"";
  };
  const std::wstring longest(platform::kMaxTargetChars - 3, L'A');  // with "Q:\\", the longest
  const std::vector<Case> cases = {
      {L"Q:\\WINDOWS\\Temp", RowKind::Folder, TargetFlaw::None, L"Q:\\", L"", L"Q:\\WINDOWS"},
      {L"Q:\\Documents and Settings\\Guest\\Cookies", RowKind::Folder, TargetFlaw::None, L"Q:\\",
       L"Q:\\Documents and Settings\\Guest", L"Q:\\Documents and Settings\\Guest"},
      {L"Q:\\DOCUMENTS AND SETTINGS\\Guest\\Local Settings\\Temp", RowKind::Folder, TargetFlaw::None, L"Q:\\",
       L"Q:\\DOCUMENTS AND SETTINGS\\Guest", L"Q:\\DOCUMENTS AND SETTINGS\\Guest\\Local Settings"},
      // A profile itself, or no user at all, has only the drive to stay on.
      {L"Q:\\Documents and Settings\\Guest", RowKind::Folder, TargetFlaw::None, L"Q:\\", L"",
       L"Q:\\Documents and Settings"},
      {L"Q:\\Documents and Settings\\\\Cookies", RowKind::Folder, TargetFlaw::None, L"Q:\\", L"",
       L"Q:\\Documents and Settings\\"},
      {L"Q:\\Documents and Settings.old\\Guest\\Cookies", RowKind::Folder, TargetFlaw::None, L"Q:\\", L"",
       L"Q:\\Documents and Settings.old\\Guest"},
      // An item at the root is held by the root itself, not the drive's current folder.
      {L"Q:\\SYSTEM.1ST", RowKind::Files, TargetFlaw::None, L"Q:\\", L"", L"Q:\\"},
      {L"Q:\\Docs\\*.txt", RowKind::Files, TargetFlaw::None, L"Q:\\", L"", L"Q:\\Docs"},
      {L"Q:\\Docs\\.", RowKind::Files, TargetFlaw::None, L"Q:\\", L"", L"Q:\\Docs"},
      {L"Q:\\" + longest, RowKind::Folder, TargetFlaw::None, L"Q:\\", L"", L"Q:\\"},
      // Refused, in the order the rules apply.
      {L"Q:\\" + longest + L"A", RowKind::Folder, TargetFlaw::TooLong},
      {L"Q:\\" + longest + kNul, RowKind::Files, TargetFlaw::TooLong},
      {L"Q:\\Guest" + kNul + L"x\\Cookies", RowKind::Folder, TargetFlaw::HoldsNul},
      {L"Q:\\Guest\\*.log" + kNul, RowKind::Files, TargetFlaw::HoldsNul},
      {L"Q:", RowKind::Folder, TargetFlaw::NoFolderPart},
      {L"\\Temp", RowKind::Files, TargetFlaw::NoFolderPart},
      {L"Q:\\Temp\\", RowKind::Files, TargetFlaw::LeafNamesNothing},
      {L"Q:\\Temp\\", RowKind::Folder, TargetFlaw::LeafNamesNothing},
      {L"Q:\\Temp\\..", RowKind::Folder, TargetFlaw::LeafNamesNothing},
      {L"Q:\\Temp\\.", RowKind::Folder, TargetFlaw::LeafNamesNothing},
      {L"Q:\\Temp\\Cache*", RowKind::Folder, TargetFlaw::LeafNamesNothing},
      {L"Q:\\Temp\\a<b", RowKind::Folder, TargetFlaw::LeafNamesNothing},
  };
  for (const Case& c : cases) {
    const platform::TargetReading read = platform::ReadTarget(c.path, c.kind, Same);
    const std::wstring shown = c.path.substr(0, 60);
    ASSERT_EQ(read.flaw, c.flaw) << shown;
    if (c.flaw != TargetFlaw::None) {
      continue;
    }
    EXPECT_EQ(read.target.path, c.path);
    EXPECT_EQ(read.target.drive, c.drive) << shown;
    EXPECT_EQ(read.target.profile, c.profile) << shown;
    EXPECT_EQ(read.target.place(), *c.profile != L'\0' ? c.profile : c.drive) << shown;
    EXPECT_EQ(read.target.folder, c.folder) << shown;
    EXPECT_EQ(read.target.leaf, c.path.substr(c.path.rfind(L'\\') + 1)) << shown;
  }
}

// Only patterns that every listing matches alike are read; "name.*" also
// names its bare name, which some listings match only by a DOS wildcard.
TEST(ReadTarget, AFilesPatternIsReadOnlyInTheShapesEveryListingMatchesAlike) {
  struct Case {
    const wchar_t* leaf;
    bool read;
    const wchar_t* bare = L"";
  };
  const std::vector<Case> cases = {
      {L"index.dat", true},
      {L"*.txt", true},
      {L"LNK_UNDO.*", true, L"LNK_UNDO"},
      {L"Shockwave Log.*", true, L"Shockwave Log"},
      {L"a.b.*", true, L"a.b"},
      {L"*.", false},
      {L"*", false},
      {L"*.*", false},
      {L"*.tar.gz", false},
      {L"a*.txt", false},
      {L"a?.txt", false},
      {L"*.t?t", false},
      {L".*", false},
      {L"a.*x", false},
      {L"a<.txt", false},
      {L"a\".*", false},
  };
  for (const Case& c : cases) {
    const platform::TargetReading read =
        platform::ReadTarget(std::wstring(L"Q:\\WINDOWS\\") + c.leaf, RowKind::Files, Same);
    EXPECT_EQ(read.flaw, c.read ? TargetFlaw::None : TargetFlaw::PatternUnlistable) << c.leaf;
    EXPECT_EQ(read.target.bare_match, c.bare) << c.leaf;
  }
}

TEST(ResolvedNames, InsideMeansTheWholeNameOrBelowItVolumeIncluded) {
  struct Case {
    const wchar_t* name;
    const wchar_t* anchor;
    bool inside;
  };
  const std::vector<Case> cases = {
      {L"\\??\\Q:\\", L"\\??\\Q:\\", true},
      {L"\\??\\Q:\\WINDOWS", L"\\??\\Q:\\", true},
      {L"\\??\\q:\\windows\\temp", L"\\??\\Q:\\WINDOWS", true},
      {L"\\??\\R:\\WINDOWS", L"\\??\\Q:\\", false},
      {L"\\WINDOWS", L"\\??\\Q:\\", false},
      {L"\\??\\Q:\\Documents and Settings\\Guest2", L"\\??\\Q:\\Documents and Settings\\Guest", false},
      {L"\\Device\\HarddiskVolume10\\x", L"\\Device\\HarddiskVolume1\\", false},
      {L"\\??\\Q:\\x", L"", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::Inside(c.name, c.anchor, Same), c.inside) << c.name << L" in " << c.anchor;
  }
}

TEST(ResolvedNames, AChildIsItsFoldersNameAndItsOwnLooselyOnlyBelowAWholeTree) {
  struct Case {
    const wchar_t* name;
    const wchar_t* dir;
    const wchar_t* leaf;
    const wchar_t* tree_root;
    bool child;
  };
  const std::vector<Case> cases = {
      {L"\\??\\Q:\\Temp\\a.tmp", L"\\??\\Q:\\Temp", L"A.TMP", L"", true},
      {L"\\??\\Q:\\SYSTEM.1ST", L"\\??\\Q:\\", L"SYSTEM.1ST", L"", true},
      {L"\\??\\Q:\\Temp2\\a.tmp", L"\\??\\Q:\\Temp", L"a.tmp", L"", false},
      {L"\\??\\Q:\\elsewhere\\a.tmp", L"\\??\\Q:\\Temp", L"a.tmp", L"", false},  // a link's target
      {L"\\??\\Q:\\Temp\\a.tmp", L"\\??\\Q:\\Temp", L"a", L"", false},
      // Wine's loose names: equal but for trailing dots and blanks, below the tree.
      {L"\\??\\Q:\\T\\a", L"\\??\\Q:\\T", L"a.", L"\\??\\Q:\\T", true},
      {L"\\??\\Q:\\T\\d\\x", L"\\??\\Q:\\T\\d. ", L"x", L"\\??\\Q:\\T", true},
      {L"\\??\\Q:\\T\\a", L"\\??\\Q:\\T", L"a.", L"", false},
      {L"\\??\\Q:\\T\\a", L"\\??\\Q:\\T", L"b.", L"\\??\\Q:\\T", false},
      {L"\\??\\Q:\\U\\a", L"\\??\\Q:\\T", L"a.", L"\\??\\Q:\\T", false},
      {L"\\??\\Q:\\T", L"\\??\\Q:", L"T.", L"\\??\\Q:\\T", false},  // the root itself
      {L"\\??\\Q:\\T\\\\a", L"\\??\\Q:\\T", L".\\a", L"\\??\\Q:\\T", false},
      {L"\\??\\Q:\\T\\a\\", L"\\??\\Q:\\T", L"a.\\", L"\\??\\Q:\\T", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::NamesChild(c.name, c.dir, c.leaf, c.tree_root, Same), c.child)
        << c.name << L" as " << c.dir << L" + " << c.leaf;
  }
}

}  // namespace
}  // namespace brim::testing
