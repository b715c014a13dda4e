#pragma once
// The two forms of the report: plain lines, and one JSON document.

#include <string>
#include <string_view>

#include "cli/report.h"

namespace brim::cli {

// JSON string contents: quotes, backslashes and control characters escaped,
// and everything past ASCII as \u escapes of UTF-16 units, so the document
// is plain ASCII whatever a path holds (unpaired surrogates included).
std::string JsonEscape(std::wstring_view text);

// Plain-text form of a path or a system text: every character that a
// terminal acts on (C0 and C1 controls, DEL, the line and paragraph
// separators, the bidirectional overrides) and '<' itself become "<XX>"
// (two hex digits below 0x100, else four), so that no name can forge a line
// or reach a terminal as a command, and the text reads back exactly.
std::wstring PlainEscape(std::wstring_view text);

std::string KindName(cleanup::Removal kind);
std::string StatusName(Status status);
std::string StayName(platform::Stay why);

// One row, plain: a line, then one line per item that stayed.
std::wstring PlainRow(const RowReport& row, const ErrorText& text);
std::wstring PlainTotals(const Totals& totals);

// The JSON document, written piece by piece so that rows show as they finish:
// JsonBegin, then JsonRow for each row (`first` for the first), then JsonEnd.
std::string JsonBegin(std::wstring_view verb, std::wstring_view drive, std::wstring_view user);
std::string JsonRow(const RowReport& row, bool first, const ErrorText& text);
std::string JsonEnd(const Totals& totals);

}  // namespace brim::cli
