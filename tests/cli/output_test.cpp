#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/output.h"

namespace brim::cli {
namespace {

const ErrorText kText = [](std::uint32_t code) { return L"The \"system\" says " + std::to_wstring(code); };

// What a reader of the plain report does: "<XX>" back to its character.
std::wstring PlainUnescape(std::wstring_view text) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t close = text[i] == L'<' ? text.find(L'>', i) : std::wstring_view::npos;
    if (close == std::wstring_view::npos) {
      out += text[i];
      continue;
    }
    out += static_cast<wchar_t>(std::stoul(std::wstring(text.substr(i + 1, close - i - 1)), nullptr, 16));
    i = close;
  }
  return out;
}

// No name reaches the terminal as a control or forges a line, and every one
// reads back exactly: each C0 and C1 control, DEL, the separators and
// overrides, ESC sequences, and a name made to look like a row.
TEST(CliPlain, NoNameActsOnTheTerminalOrForgesALineAndEachReadsBack) {
  std::vector<std::wstring> names;
  for (wchar_t c = 1; c < 0x20; ++c) {
    names.emplace_back(std::wstring(L"a") + c + L"b");
  }
  for (const wchar_t c : {L'\x7f', L'\x85', L'\x9b', L'\x2028', L'\x2029', L'\x202e', L'\x2066', L'<'}) {
    names.emplace_back(std::wstring(L"x") + c);
  }
  names.emplace_back(L"\x1b[2J\x1b]0;title\x07\x1b[31mred");
  names.emplace_back(L"evil\n 7  folder  ok      0 files, 0 folders, 0 bytes  Q:\\x\ntotal: 0 files\r");
  names.emplace_back(L"<1B> and <41> are text");
  for (const std::wstring& name : names) {
    RowReport r;
    r.row = 7;
    r.path = L"Q:\\T\\" + name;
    r.items_left = {{L"Q:\\T\\" + name + L"\\in", platform::Stay::Link, 1920}};
    const std::wstring line = PlainRow(r, [&](std::uint32_t) { return name; });
    const bool clean = std::ranges::none_of(line.substr(0, line.size() - 1), [](wchar_t c) {
      return c == L'\n' ? false : (c < 0x20 || (c >= 0x7f && c <= 0x9f) || (c >= 0x2028 && c <= 0x202e));
    });
    EXPECT_TRUE(clean) << JsonEscape(name);
    EXPECT_EQ(std::ranges::count(line, L'\n'), 2) << JsonEscape(name);  // the row and its one item
    EXPECT_EQ(PlainUnescape(PlainEscape(name)), name) << JsonEscape(name);
  }
}

TEST(CliJson, EscapesWhatAPathCanHold) {
  EXPECT_EQ(JsonEscape(L"Q:\\a \"b\""), "Q:\\\\a \\\"b\\\"");
  EXPECT_EQ(JsonEscape(std::wstring(L"a\nb\rc\td\x01\x1f", 9)), "a\\nb\\rc\\td\\u0001\\u001f");
  EXPECT_EQ(JsonEscape(std::wstring(1, L'\0')), "\\u0000");
  EXPECT_EQ(JsonEscape(L"\x7f"), "\\u007f");
  EXPECT_EQ(JsonEscape(L"caf\xe9 \x20ac"), "caf\\u00e9 \\u20ac");
  // An unpaired surrogate (a name Windows allows) stays one escaped unit.
  EXPECT_EQ(JsonEscape(std::wstring(1, static_cast<wchar_t>(0xD800))), "\\ud800");
  EXPECT_EQ(JsonEscape(L"/<>"), "/<>");
}

TEST(CliJson, CharactersPastTheBasicPlaneBecomeSurrogatePairs) {
  if constexpr (sizeof(wchar_t) == 4) {
    EXPECT_EQ(JsonEscape(std::wstring(1, static_cast<wchar_t>(0x1F600))), "\\ud83d\\ude00");
  } else {
    EXPECT_EQ(JsonEscape(L"\xD83D\xDE00"), "\\ud83d\\ude00");
  }
}

TEST(CliJson, ARowCarriesEveryField) {
  RowReport r;
  r.row = 7;
  r.path = L"Q:\\Documents and Settings\\\"U\"\\Local Settings\\Temp";
  r.files = 3;
  r.folders = 2;
  r.bytes = 18446744073709551615ULL;
  r.status = Status::Failed;
  r.items_left = {{L"Q:\\x\\busy.log", platform::Stay::Error, 32}, {L"Q:\\x\\l", platform::Stay::Link, 1921}};
  r.items_unlisted = 4;
  EXPECT_EQ(
      JsonRow(r, true, kText),
      "\n  {\"row\": 7, \"path\": \"Q:\\\\Documents and Settings\\\\\\\"U\\\"\\\\Local Settings\\\\Temp\", "
      "\"kind\": \"folder\", \"files\": 3, \"folders\": 2, \"bytes\": 18446744073709551615, "
      "\"status\": \"failed\", \"error\": 0, \"items_left\": ["
      "{\"path\": \"Q:\\\\x\\\\busy.log\", \"reason\": \"The \\\"system\\\" says 32\", \"refusal\": "
      "\"error\", "
      "\"error\": 32}, "
      "{\"path\": \"Q:\\\\x\\\\l\", \"reason\": \"a link: left as it is\", \"refusal\": \"link\", "
      "\"error\": 1921}], \"items_left_more\": 4}");
  r.status = Status::Covered;
  r.covered_by = 5;
  r.items_left.clear();
  r.items_unlisted = 0;
  const std::string covered = JsonRow(r, false, kText);
  EXPECT_EQ(covered.substr(0, 4), ",\n  ");
  EXPECT_NE(covered.find("\"status\": \"covered\", \"error\": 0, \"covered_by\": 5, \"items_left\": []"),
            std::string::npos);
}

TEST(CliJson, TheDocumentFrame) {
  EXPECT_EQ(JsonBegin(L"preview", L"Q", L"A\"b"),
            "{\"verb\": \"preview\", \"drive\": \"Q\", \"user\": \"A\\\"b\",\n \"rows\": [");
  Totals t;
  t.files = 1;
  t.folders = 2;
  t.bytes = 3;
  t.rows_failed = 4;
  t.rows_absent = 5;
  EXPECT_EQ(JsonEnd(t),
            "\n ],\n \"totals\": {\"files\": 1, \"folders\": 2, \"bytes\": 3, \"rows_failed\": 4, "
            "\"rows_absent\": 5}}\n");
}

TEST(CliPlain, OneLinePerRowThenItsItemsLeft) {
  RowReport r;
  r.row = 7;
  r.kind = cleanup::Removal::Files;
  r.path = L"Q:\\WINDOWS\\*.log";
  r.files = 2;
  r.bytes = 40;
  r.status = Status::Failed;
  r.items_left = {{L"Q:\\WINDOWS\\busy.log", platform::Stay::Error, 32}};
  r.items_unlisted = 3;
  EXPECT_EQ(PlainRow(r, kText),
            L" 7  files   failed  2 files, 0 folders, 40 bytes  Q:\\WINDOWS\\*.log\n"
            L"      left: Q:\\WINDOWS\\busy.log  (The \"system\" says 32)\n"
            L"      and 3 more left\n");
  Totals t;
  t.files = 2;
  t.bytes = 40;
  t.rows_failed = 1;
  EXPECT_EQ(PlainTotals(t), L"total: 2 files, 0 folders, 40 bytes; 1 rows failed, 0 rows absent\n");
}

}  // namespace
}  // namespace brim::cli
