#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "cli/report.h"

namespace brim::cli {
namespace {

using platform::Stay;
constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

TEST(CliReport, RecorderCountsFilesFoldersAndBytes) {
  RowReport r;
  RowRecorder rec(r);
  rec.Removed(L"Q:\\t\\a", false, 10);
  rec.Removed(L"Q:\\t\\b", false, 0);
  rec.Removed(L"Q:\\t\\sub", true, 999);  // a folder's own size is no file's bytes
  rec.Removed(L"Q:\\t", true, 0);
  EXPECT_EQ(r.files, 2U);
  EXPECT_EQ(r.folders, 2U);
  EXPECT_EQ(r.bytes, 10U);
  Conclude(r, false, 0);
  EXPECT_EQ(r.status, Status::Ok);
  EXPECT_TRUE(r.items_left.empty());
}

TEST(CliReport, SumsSaturateInsteadOfWrapping) {
  EXPECT_EQ(SaturatingAdd(kMax - 1, 1), kMax);
  EXPECT_EQ(SaturatingAdd(kMax, 1), kMax);
  EXPECT_EQ(SaturatingAdd(kMax - 5, kMax), kMax);
  RowReport r;
  RowRecorder rec(r);
  rec.Removed(L"a", false, kMax - 3);
  rec.Removed(L"b", false, 7);
  EXPECT_EQ(r.bytes, kMax);
  Totals t;
  t.Add(r);
  t.Add(r);
  EXPECT_EQ(t.bytes, kMax);
  EXPECT_EQ(t.files, 4U);
}

TEST(CliReport, ItemsLeftAreListedUpToTheBoundThenCounted) {
  RowReport r;
  RowRecorder rec(r);
  for (std::size_t i = 0; i < kItemsListed + 37; ++i) {
    rec.Stayed(L"Q:\\t\\f" + std::to_wstring(i), Stay::Error, 32);
  }
  ASSERT_EQ(r.items_left.size(), kItemsListed);
  EXPECT_EQ(r.items_left.front().path, L"Q:\\t\\f0");
  EXPECT_EQ(r.items_left.back().path, L"Q:\\t\\f99");
  EXPECT_EQ(r.items_unlisted, 37U);
  Conclude(r, true, 32);
  EXPECT_EQ(r.status, Status::Failed);
  EXPECT_EQ(r.items_left.size(), kItemsListed);  // nothing added past the bound
}

TEST(CliReport, HowARowEnded) {
  // Nothing there: absent, whichever of the two not-found codes.
  for (const std::uint32_t code : {2U, 3U}) {
    RowReport r;
    r.path = L"Q:\\x";
    Conclude(r, true, code);
    EXPECT_EQ(r.status, Status::Absent);
    EXPECT_TRUE(r.items_left.empty());
  }
  // A folder row naming a file also fails with 3, but says so: failed.
  RowReport file;
  RowRecorder(file).Stayed(L"Q:\\x", Stay::NotAFolder, 3);
  Conclude(file, true, 3);
  EXPECT_EQ(file.status, Status::Failed);
  ASSERT_EQ(file.items_left.size(), 1U);
  EXPECT_EQ(file.items_left[0].why, Stay::NotAFolder);
  // A failure that named no item leaves the target itself, with its code.
  RowReport refused;
  refused.path = L"Q:\\WINDOWS\\Temp";
  Conclude(refused, true, 1921);
  EXPECT_EQ(refused.status, Status::Failed);
  EXPECT_EQ(refused.error, 1921U);
  ASSERT_EQ(refused.items_left.size(), 1U);
  EXPECT_EQ(refused.items_left[0].path, L"Q:\\WINDOWS\\Temp");
  EXPECT_EQ(refused.items_left[0].error, 1921U);
  // Part went before a not-found error: that is a failure, not an absence.
  RowReport partly;
  RowRecorder(partly).Removed(L"Q:\\t\\a", false, 1);
  Conclude(partly, true, 2);
  EXPECT_EQ(partly.status, Status::Failed);
  // An item that stayed without the removal failing still fails the row.
  RowReport quiet;
  RowRecorder(quiet).Stayed(L"Q:\\t\\l", Stay::Link, 1921);
  Conclude(quiet, false, 0);
  EXPECT_EQ(quiet.status, Status::Failed);
}

TEST(CliReport, TotalsCountFailedAndAbsentRows) {
  Totals t;
  RowReport ok;
  ok.files = 3;
  ok.folders = 1;
  ok.bytes = 30;
  RowReport absent;
  absent.status = Status::Absent;
  RowReport failed;
  failed.status = Status::Failed;
  failed.files = 1;
  failed.bytes = 5;
  RowReport covered;
  covered.status = Status::Covered;
  for (const RowReport* r : {&ok, &absent, &failed, &covered, &failed}) {
    t.Add(*r);
  }
  EXPECT_EQ(t.files, 5U);
  EXPECT_EQ(t.folders, 1U);
  EXPECT_EQ(t.bytes, 40U);
  EXPECT_EQ(t.rows_failed, 2U);
  EXPECT_EQ(t.rows_absent, 1U);
}

TEST(CliReport, WithinFolderComparesWholeComponentsIgnoringCase) {
  EXPECT_TRUE(WithinFolder(L"Q:\\Recycler", L"Q:\\RECYCLER"));
  EXPECT_TRUE(WithinFolder(L"Q:\\WINDOWS\\Temp\\a.log", L"Q:\\windows\\temp"));
  EXPECT_FALSE(WithinFolder(L"Q:\\WINDOWS\\Temp2", L"Q:\\WINDOWS\\Temp"));
  EXPECT_FALSE(WithinFolder(L"Q:\\WINDOWS", L"Q:\\WINDOWS\\Temp"));
  EXPECT_FALSE(WithinFolder(L"R:\\WINDOWS\\Temp", L"Q:\\WINDOWS\\Temp"));
}

TEST(CliReport, ReasonsNameTheRefusalOrGiveTheSystemText) {
  const ErrorText text = [](std::uint32_t code) { return L"text " + std::to_wstring(code); };
  EXPECT_EQ(Reason({L"p", Stay::Error, 32}, text), L"text 32");
  EXPECT_EQ(Reason({L"p", Stay::CantList, 5}, text), L"can't be listed: text 5");
  EXPECT_EQ(Reason({L"p", Stay::Link, 1921}, text), L"a link: left as it is");
  EXPECT_EQ(Reason({L"p", Stay::ReadOnly, 5}, text), L"read-only");
  EXPECT_EQ(Reason({L"p", Stay::NotAFolder, 3}, text), L"a file, not a folder");
}

}  // namespace
}  // namespace brim::cli
