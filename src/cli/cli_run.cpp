#include "cli/cli_run.h"

#include <exception>

#include "cleanup/catalogue.h"
#include "cleanup/cleanup_run.h"
#include "cleanup/target_path.h"
#include "cli/args.h"
#include "cli/output.h"
#include "platform/failure.h"
#include "platform/forms.h"

namespace brim::cli {
namespace {

constexpr std::wstring_view kHelp =
    L"Shows what a cleanup run would remove from DRIVE and the profile of USER, or\n"
    L"runs it, with a report of every row: what went, and what stayed and why.\n"
    L"  preview  walks every target as a run would and removes nothing\n"
    L"  clean    removes what the window's run removes, skipping failures\n"
    L"  selftest makes every kind of item this system allows (folders, read-only,\n"
    L"           hidden and open files, hard links, junctions, symbolic links,\n"
    L"           names at the path limits) in scratch folders under %TEMP%, runs\n"
    L"           a preview and a clean of them, says per case whether it held,\n"
    L"           and removes the scratch folders; it touches nothing else\n"
    L"  --json   one JSON document instead of lines\n"
    L"Exit codes: 0 the run went through (rows may have failed), 2 bad input;\n"
    L"selftest: 0 every case made held, 1 one broke, 2 bad input.\n";

// One row: compose, hand to the removal, and sort out how it ended.
RowReport RunRow(const cleanup::Row& row, const Invocation& inv, platform::ReportingRemoval& removal,
                 const std::vector<const RowReport*>& earlier_folders) {
  RowReport report;
  report.row = row.position;
  report.kind = row.removal;
  report.path = cleanup::TargetPath(row, inv.drive, inv.user);
  const platform::Mode mode =
      inv.action == Action::Preview ? platform::Mode::Preview : platform::Mode::Remove;
  if (mode == platform::Mode::Preview) {
    // A clean would have removed it with the earlier folder: count it once.
    for (const RowReport* folder : earlier_folders) {
      if (WithinFolder(report.path, folder->path)) {
        report.status = Status::Covered;
        report.covered_by = folder->row;
        return report;
      }
    }
  }
  RowRecorder recorder(report);
  bool failed = false;
  std::uint32_t error = 0;
  try {
    if (row.removal == cleanup::Removal::Folder) {
      removal.Folder(report.path, mode, recorder);
    } else {
      removal.Files(report.path, mode, recorder);
    }
  } catch (const platform::Failure& f) {
    failed = true;
    error = f.code();
  } catch (const std::exception&) {  // out of memory: the row fails, the run goes on
    failed = true;
  }
  Conclude(report, failed, error);
  return report;
}

}  // namespace

int RunCli(const std::vector<std::wstring>& args, platform::ReportingRemoval& removal, Console& console,
           const ErrorText& text, const Selftest& selftest) {
  const Invocation inv = ParseArgs(args);
  switch (inv.action) {
    case Action::Help:
      console.Out(kUsage);
      console.Out(kHelp);
      return kExitDone;
    case Action::Version:
      console.Out(L"brimsweep-cli " + std::wstring(platform::kApplicationTitle) + L"\n");
      return kExitDone;
    case Action::Usage:
      console.Err(L"brimsweep-cli: " + inv.problem + L"\n");
      console.Err(kUsage);
      return kExitUsage;
    case Action::Warning:
      console.Err(std::wstring(cleanup::kWarningPrompt) + L"\n");
      return kExitUsage;
    case Action::Selftest: {
      if (!selftest) {
        console.Err(L"brimsweep-cli: selftest is not available in this build\n");
        return kExitUsage;
      }
      const SelftestResult result = selftest();
      if (inv.json) {
        console.OutAscii(SelftestJson(result));
      } else {
        console.Out(SelftestPlain(result));
      }
      return SelftestExitCode(result);
    }
    case Action::Preview:
    case Action::Clean:
      break;
  }

  const std::wstring_view verb = inv.action == Action::Preview ? L"preview" : L"clean";
  if (inv.json) {
    console.OutAscii(JsonBegin(verb, inv.drive, inv.user));
  }
  Totals totals;
  std::vector<RowReport> done;  // kept for the preview's covered rows
  done.reserve(cleanup::kRowCount);
  std::vector<const RowReport*> folders;
  for (const cleanup::Row& row : cleanup::kCatalogue) {
    done.push_back(RunRow(row, inv, removal, folders));
    const RowReport& report = done.back();
    if (report.kind == cleanup::Removal::Folder && report.status != Status::Absent &&
        report.status != Status::Covered) {
      folders.push_back(&report);
    }
    totals.Add(report);
    if (inv.json) {
      console.OutAscii(JsonRow(report, report.row == cleanup::kCatalogue.front().position, text));
    } else {
      console.Out(PlainRow(report, text));
    }
  }
  if (inv.json) {
    console.OutAscii(JsonEnd(totals));
  } else {
    console.Out(PlainTotals(totals));
  }
  return kExitDone;
}

}  // namespace brim::cli
