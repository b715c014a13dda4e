#include "cli/output.h"

#include <array>
#include <cstdint>
#include <type_traits>

namespace brim::cli {
namespace {

void AppendUnit(std::string& out, std::uint32_t unit) {
  constexpr std::array<char, 16> kHex = {'0', '1', '2', '3', '4', '5', '6', '7',
                                         '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) {
    out += kHex[(unit >> shift) & 0xF];
  }
}

std::string Quoted(std::wstring_view text) {
  std::string out(1, '"');
  out += JsonEscape(text);
  out += '"';
  return out;
}

std::wstring Wide(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

bool ActsOnATerminal(std::uint32_t u) {
  return u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029 || (u >= 0x202A && u <= 0x202E) ||
         (u >= 0x2066 && u <= 0x2069) || u == '<';
}

}  // namespace

std::string JsonEscape(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (const wchar_t c : text) {
    const auto u = static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<wchar_t>>(c));
    if (u == '"' || u == '\\') {
      out += '\\';
      out += static_cast<char>(u);
    } else if (u == '\n') {
      out += "\\n";
    } else if (u == '\r') {
      out += "\\r";
    } else if (u == '\t') {
      out += "\\t";
    } else if (u < 0x20 || (u >= 0x7F && u <= 0xFFFF)) {
      AppendUnit(out, u);
    } else if (u > 0xFFFF) {  // 32-bit wchar_t (the host): back to UTF-16
      const std::uint32_t v = u > 0x10FFFF ? 0xFFFD : u - 0x10000;
      if (u > 0x10FFFF) {
        AppendUnit(out, v);
      } else {
        AppendUnit(out, 0xD800 + (v >> 10));
        AppendUnit(out, 0xDC00 + (v & 0x3FF));
      }
    } else {
      out += static_cast<char>(u);
    }
  }
  return out;
}

std::wstring PlainEscape(std::wstring_view text) {
  constexpr std::wstring_view kHex = L"0123456789ABCDEF";
  std::wstring out;
  out.reserve(text.size());
  for (const wchar_t c : text) {
    const auto u = static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<wchar_t>>(c));
    if (!ActsOnATerminal(u)) {
      out += c;
      continue;
    }
    out += L'<';
    for (int shift = u < 0x100 ? 4 : 12; shift >= 0; shift -= 4) {
      out += kHex[(u >> shift) & 0xF];
    }
    out += L'>';
  }
  return out;
}

std::string KindName(cleanup::Removal kind) { return kind == cleanup::Removal::Folder ? "folder" : "files"; }

std::string StatusName(Status status) {
  switch (status) {
    case Status::Ok:
      return "ok";
    case Status::Absent:
      return "absent";
    case Status::Failed:
      return "failed";
    case Status::Covered:
      return "covered";
  }
  return "failed";
}

std::string StayName(platform::Stay why) {
  switch (why) {
    case platform::Stay::Link:
      return "link";
    case platform::Stay::NotAFolder:
      return "not_a_folder";
    case platform::Stay::ReadOnly:
      return "read_only";
    case platform::Stay::CantList:
      return "cant_list";
    case platform::Stay::Error:
      break;
  }
  return "error";
}

std::wstring PlainRow(const RowReport& row, const ErrorText& text) {
  std::wstring line = std::to_wstring(row.row);
  line.insert(0, line.size() < 2 ? 2 - line.size() : 0, L' ');
  line += L"  " + Wide(KindName(row.kind)) + (row.kind == cleanup::Removal::Files ? L"   " : L"  ");
  line += Wide(StatusName(row.status));
  line.append(8 - StatusName(row.status).size(), L' ');
  line += std::to_wstring(row.files) + L" files, " + std::to_wstring(row.folders) + L" folders, " +
          std::to_wstring(row.bytes) + L" bytes  " + PlainEscape(row.path);
  if (row.status == Status::Covered) {
    line += L"  (inside row " + std::to_wstring(row.covered_by) + L")";
  }
  line += L'\n';
  for (const ItemLeft& item : row.items_left) {
    line += L"      left: " + PlainEscape(item.path) + L"  (" + PlainEscape(Reason(item, text)) + L")\n";
  }
  if (row.items_unlisted != 0) {
    line += L"      and " + std::to_wstring(row.items_unlisted) + L" more left\n";
  }
  return line;
}

std::wstring PlainTotals(const Totals& totals) {
  return L"total: " + std::to_wstring(totals.files) + L" files, " + std::to_wstring(totals.folders) +
         L" folders, " + std::to_wstring(totals.bytes) + L" bytes; " + std::to_wstring(totals.rows_failed) +
         L" rows failed, " + std::to_wstring(totals.rows_absent) + L" rows absent\n";
}

std::string JsonBegin(std::wstring_view verb, std::wstring_view drive, std::wstring_view user) {
  return "{\"verb\": " + Quoted(verb) + ", \"drive\": " + Quoted(drive) + ", \"user\": " + Quoted(user) +
         ",\n \"rows\": [";
}

std::string JsonRow(const RowReport& row, bool first, const ErrorText& text) {
  std::string out = first ? "\n  " : ",\n  ";
  out += R"({"row": )" + std::to_string(row.row) + R"(, "path": )" + Quoted(row.path) + R"(, "kind": ")" +
         KindName(row.kind) + R"(", "files": )" + std::to_string(row.files) + R"(, "folders": )" +
         std::to_string(row.folders) + R"(, "bytes": )" + std::to_string(row.bytes) + R"(, "status": ")" +
         StatusName(row.status) + R"(", "error": )" + std::to_string(row.error);
  if (row.status == Status::Covered) {
    out += ", \"covered_by\": " + std::to_string(row.covered_by);
  }
  out += ", \"items_left\": [";
  bool first_item = true;
  for (const ItemLeft& item : row.items_left) {
    out += first_item ? "" : ", ";
    first_item = false;
    out += R"({"path": )" + Quoted(item.path) + R"(, "reason": )" + Quoted(Reason(item, text)) +
           R"(, "refusal": ")" + StayName(item.why) + R"(", "error": )" + std::to_string(item.error) + "}";
  }
  out += "], \"items_left_more\": " + std::to_string(row.items_unlisted) + "}";
  return out;
}

std::string JsonEnd(const Totals& totals) {
  return "\n ],\n \"totals\": {\"files\": " + std::to_string(totals.files) +
         ", \"folders\": " + std::to_string(totals.folders) + ", \"bytes\": " + std::to_string(totals.bytes) +
         ", \"rows_failed\": " + std::to_string(totals.rows_failed) +
         ", \"rows_absent\": " + std::to_string(totals.rows_absent) + "}}\n";
}

}  // namespace brim::cli
