#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "cleanup/catalogue.h"
#include "cleanup/target_path.h"

namespace brim::cleanup {
namespace {

int Count(Removal removal, Root root) {
  return static_cast<int>(std::count_if(kCatalogue.begin(), kCatalogue.end(), [&](const Row& r) {
    return r.removal == removal && r.root == root;
  }));
}

const Row& At(int position) { return kCatalogue.at(static_cast<std::size_t>(position - 1)); }

TEST(Catalogue, CountsByKindAndRoot) {
  ASSERT_EQ(kCatalogue.size(), 92U);
  // As listed, with rows 16 and 34 moved from folder to files rows.
  EXPECT_EQ(Count(Removal::Folder, Root::Drive), 28);
  EXPECT_EQ(Count(Removal::Folder, Root::Profile), 18);
  EXPECT_EQ(Count(Removal::Files, Root::Drive), 41);
  EXPECT_EQ(Count(Removal::Files, Root::Profile), 5);
  EXPECT_EQ(Count(Removal::Folder, Root::Drive) + Count(Removal::Files, Root::Drive), 69);
}

TEST(Catalogue, FileNamedRowsAreFilesRows) {
  EXPECT_EQ(At(16).removal, Removal::Files);
  EXPECT_EQ(At(16).root, Root::Profile);
  EXPECT_EQ(At(16).tail, L"\\Application Data\\Microsoft\\Internet Explorer\\brndlog.bak");
  EXPECT_EQ(At(34).removal, Removal::Files);
  EXPECT_EQ(At(34).root, Root::Drive);
  EXPECT_EQ(At(34).tail, L":\\Program Files\\Borland\\Delphi4\\Bin\\DELPHI32.dsk");
}

TEST(Catalogue, RowShapeRules) {
  float steps = 0.0F;
  for (std::size_t i = 0; i < kCatalogue.size(); ++i) {
    const Row& r = kCatalogue[i];
    SCOPED_TRACE(r.position);
    EXPECT_EQ(r.position, static_cast<int>(i + 1));
    EXPECT_EQ(r.step, 2.0F);
    steps += r.step;
    ASSERT_FALSE(r.tail.empty());
    EXPECT_NE(r.tail.back(), L'\\');
    EXPECT_TRUE(std::ranges::all_of(r.tail, [](wchar_t c) { return c >= 0x20 && c < 0x7F; }));
    if (r.root == Root::Drive) {
      EXPECT_EQ(r.tail.substr(0, 2), L":\\");
    } else {
      EXPECT_EQ(r.tail.front(), L'\\');
    }
    const auto last = r.tail.substr(r.tail.rfind(L'\\') + 1);
    if (r.removal == Removal::Files) {
      EXPECT_NE(last.find(L'.'), std::wstring_view::npos);
    } else {
      EXPECT_EQ(r.tail.find(L'*'), std::wstring_view::npos);
    }
  }
  EXPECT_EQ(steps, 184.0F);
}

TEST(Catalogue, RowsOfNote) {
  std::set<int> wildcard;
  for (const Row& r : kCatalogue) {
    if (r.tail.find(L'*') != std::wstring_view::npos) {
      EXPECT_EQ(r.removal, Removal::Files);
      wildcard.insert(r.position);
    }
  }
  EXPECT_EQ(wildcard, (std::set<int>{44, 60, 61, 62, 69, 84, 91}));

  EXPECT_EQ(At(7).tail, At(22).tail);
  EXPECT_EQ(At(7).tail, L"\\Local Settings\\Temp");
  EXPECT_EQ(At(31).tail, At(32).tail);
  EXPECT_EQ(At(5).tail, L":\\RECYCLER");
  EXPECT_EQ(At(66).tail, L":\\Recycler");
  EXPECT_EQ(At(68).tail, L":\\windows\\tempor~1\\content.ie5\\index.dat");
  EXPECT_EQ(At(65).tail, L":\\WINDOWS\\System32\\AdCache");
  EXPECT_EQ(At(90).tail, L"\\Application Data\\Macromedia\\Flash Player\\#SharedObjects");

  // Only these two pairs repeat a tail exactly.
  std::map<std::wstring_view, int> seen;
  for (const Row& r : kCatalogue) {
    ++seen[r.tail];
  }
  int repeats = 0;
  for (const auto& [tail, n] : seen) {
    repeats += n - 1;
  }
  EXPECT_EQ(repeats, 2);

  // Root of the drive: 5, 30, 47, 48, 49, 66.
  std::set<int> at_root;
  for (const Row& r : kCatalogue) {
    if (r.root == Root::Drive && r.tail.find(L'\\', 2) == std::wstring_view::npos) {
      at_root.insert(r.position);
    }
  }
  EXPECT_EQ(at_root, (std::set<int>{5, 30, 47, 48, 49, 66}));
}

// Guards the table against a stray edit: every tail, in order, byte for byte.
TEST(Catalogue, TailsFingerprint) {
  std::uint64_t h = 1469598103934665603ULL;  // FNV-1a
  std::size_t chars = 0;
  for (const Row& r : kCatalogue) {
    for (wchar_t c : r.tail) {
      h = (h ^ static_cast<std::uint8_t>(c)) * 1099511628211ULL;
      ++chars;
    }
    h = (h ^ 0x0AU) * 1099511628211ULL;
  }
  EXPECT_EQ(chars, 3150U);
  EXPECT_EQ(h, 9145651668713935483ULL) << "fingerprint " << h;
}

TEST(TargetPath, ComposesByConcatenationOnly) {
  EXPECT_EQ(TargetPath(At(1), L"C", L"Administrator"), L"C:\\WINDOWS\\Offline Web Pages");
  EXPECT_EQ(TargetPath(At(6), L"C", L"Administrator"),
            L"C:\\Documents and Settings\\Administrator\\Application Data\\Microsoft\\Office\\fbcC2.tmp");
  EXPECT_EQ(TargetPath(At(92), L"C", L"Administrator"), L"C:\\Documents and Settings\\Administrator\\Recent");
  EXPECT_EQ(TargetPath(At(1), L"c", L"x"), L"c:\\WINDOWS\\Offline Web Pages");
  EXPECT_EQ(TargetPath(At(1), L"1", L"x"), L"1:\\WINDOWS\\Offline Web Pages");
  EXPECT_EQ(TargetPath(At(92), L" ", L" Bob  "), L" :\\Documents and Settings\\ Bob  \\Recent");
  EXPECT_EQ(TargetPath(At(68), L"D", L""), L"D:\\windows\\tempor~1\\content.ie5\\index.dat");
}

}  // namespace
}  // namespace brim::cleanup
