// A preview against the removal that follows it, on a drive mapped under Wine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/removal/removal_front.h"
#include "removal/removal_test_support.h"

namespace brim::testing {
namespace {

using platform::win32::RemovalFront;

// A preview tells, item by item, what the removal after it does, with the
// same reasons and codes, and fails as it fails: for each kind of row,
// forced or not. A preview that ignores force tells read-only items as
// going that then stay.
TEST(Preview, TellsWhatTheRemovalAfterItDoes) {
  struct Case {
    const wchar_t* folder;
    RemovalFront::Kind kind;
    const wchar_t* below;  // the target, below the tree's top
    bool force;
  };
  const std::vector<Case> cases = {
      {L"PreviewFiles", RemovalFront::Kind::Files, L"\\*.txt", false},
      {L"PreviewForced", RemovalFront::Kind::Folder, L"", true},
      {L"PreviewUnforced", RemovalFront::Kind::Folder, L"", false},
  };
  const Tree tree = {L"t\\",      L"t\\a.txt",      L"!t\\ro.txt", L"t\\b.log",
                     L"t\\sub\\", L"t\\sub\\c.txt", L"t\\keep\\",  L"!t\\keep\\ro2.txt"};
  for (const Case& c : cases) {
    const std::wstring base = FreshFolder(c.folder);
    MakeTree(base, tree);
    const std::wstring target = base + L"\\t" + c.below;
    RemovalFront front;
    RecordingSink told;
    RecordingSink done;
    const unsigned long preview_code =
        FailureCode([&] { front.Remove(c.kind, target, c.force, &told, platform::Mode::Preview); });
    ASSERT_EQ(Present(base, tree).size(), tree.size()) << c.folder;  // the preview changed nothing
    const unsigned long removal_code =
        FailureCode([&] { front.Remove(c.kind, target, c.force, &done, platform::Mode::Remove); });
    EXPECT_FALSE(done.files.empty()) << c.folder;
    EXPECT_EQ(preview_code, removal_code) << c.folder;
    EXPECT_EQ(told.files, done.files) << c.folder;
    EXPECT_EQ(told.folders, done.folders) << c.folder;
    EXPECT_EQ(told.reasons, done.reasons) << c.folder;
    EXPECT_EQ(told.codes, done.codes) << c.folder;
    EXPECT_EQ(done.stayed.count(base + L"\\t\\ro.txt"), c.force ? 0U : 1U) << c.folder;
  }
}

}  // namespace
}  // namespace brim::testing
