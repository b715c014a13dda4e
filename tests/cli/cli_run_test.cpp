#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "cleanup/catalogue.h"
#include "cleanup/cleanup_run.h"
#include "cli/args.h"
#include "cli/cli_run.h"
#include "platform/failure.h"

namespace brim::cli {
namespace {

struct Call {
  std::wstring path;
  bool folder;
  platform::Mode mode;
};

// Every target holds one 10-byte file unless `scripts` says otherwise.
class FakeRemoval : public platform::ReportingRemoval {
 public:
  using Script = std::function<void(const std::wstring&, platform::RemovalSink&)>;
  void Folder(const std::wstring& folder_spec, platform::Mode mode, platform::RemovalSink& sink) override {
    Handle(folder_spec, true, mode, sink);
  }
  void Files(const std::wstring& path, platform::Mode mode, platform::RemovalSink& sink) override {
    Handle(path, false, mode, sink);
  }
  std::vector<Call> calls;
  std::map<std::wstring, Script> scripts;

 private:
  void Handle(const std::wstring& path, bool folder, platform::Mode mode, platform::RemovalSink& sink) {
    calls.push_back({path, folder, mode});
    const auto it = scripts.find(path);
    if (it != scripts.end()) {
      it->second(path, sink);
      return;
    }
    sink.Removed(path + L"\\f", false, 10);
    if (folder) {
      sink.Removed(path, true, 0);
    }
  }
};

class FakeConsole : public Console {
 public:
  void Out(std::wstring_view t) override {
    out += t;
    ++writes;
  }
  void OutAscii(std::string_view t) override {
    out += std::wstring(t.begin(), t.end());
    ++writes;
  }
  void Err(std::wstring_view t) override { err += t; }
  std::wstring out;
  std::wstring err;
  int writes = 0;
};

std::wstring Text(std::uint32_t code) { return L"error text " + std::to_wstring(code); }

int FolderRows() {
  int n = 0;
  for (const cleanup::Row& row : cleanup::kCatalogue) {
    n += row.removal == cleanup::Removal::Folder ? 1 : 0;
  }
  return n;
}

struct Cli {
  FakeRemoval removal;
  FakeConsole console;
  int Run(const std::vector<std::wstring>& args) { return RunCli(args, removal, console, &Text); }
};

TEST(CliRun, BadCommandLinesGetTheUsageOnStderrAndTouchNothing) {
  for (const std::vector<std::wstring>& args :
       std::vector<std::vector<std::wstring>>{{},
                                              {L"wipe", L"C", L"U"},
                                              {L"clean", L"C"},
                                              {L"clean", L"CD", L"U"},
                                              {L"clean", L"C", L"U", L"x"}}) {
    Cli cli;
    EXPECT_EQ(cli.Run(args), kExitUsage);
    EXPECT_NE(cli.console.err.find(kUsage), std::wstring::npos);
    EXPECT_TRUE(cli.console.out.empty());
    EXPECT_TRUE(cli.removal.calls.empty());
  }
}

TEST(CliRun, RefusedTextsGetTheWindowsWarningOnStderrAndTouchNothing) {
  for (const std::vector<std::wstring>& args : std::vector<std::vector<std::wstring>>{
           {L"clean", L"", L"U"}, {L"clean", L"C", L""}, {L"preview", L"C", L"a\\b", L"--json"}}) {
    Cli cli;
    EXPECT_EQ(cli.Run(args), kExitUsage);
    EXPECT_EQ(cli.console.err, std::wstring(cleanup::kWarningPrompt) + L"\n");
    EXPECT_TRUE(cli.console.out.empty());
    EXPECT_TRUE(cli.removal.calls.empty());
  }
}

TEST(CliRun, HelpAndVersionGoToStdout) {
  Cli help;
  EXPECT_EQ(help.Run({L"--help"}), kExitDone);
  EXPECT_EQ(help.console.out.find(kUsage), 0U);
  Cli version;
  EXPECT_EQ(version.Run({L"--version"}), kExitDone);
  EXPECT_EQ(version.console.out, L"brimsweep-cli Brimsweep 1.8\n");
  EXPECT_TRUE(version.removal.calls.empty());
}

TEST(CliRun, CleanWalksEveryRowInOrderWithTheComposedPaths) {
  Cli cli;
  EXPECT_EQ(cli.Run({L"clean", L"Q", L"Administrator"}), kExitDone);
  ASSERT_EQ(cli.removal.calls.size(), cleanup::kRowCount);  // repeats too: a clean retries nothing
  EXPECT_EQ(cli.removal.calls[0].path, L"Q:\\WINDOWS\\Offline Web Pages");
  EXPECT_TRUE(cli.removal.calls[0].folder);
  EXPECT_EQ(cli.removal.calls[91].path, L"Q:\\Documents and Settings\\Administrator\\Recent");
  for (std::size_t i = 0; i < cli.removal.calls.size(); ++i) {
    EXPECT_EQ(cli.removal.calls[i].folder, cleanup::kCatalogue[i].removal == cleanup::Removal::Folder);
    EXPECT_EQ(cli.removal.calls[i].mode, platform::Mode::Remove);
  }
  // One write per row as it finishes, and the totals.
  EXPECT_EQ(cli.console.writes, static_cast<int>(cleanup::kRowCount) + 1);
  const std::wstring totals = L"total: 92 files, " + std::to_wstring(FolderRows()) +
                              L" folders, 920 bytes; 0 rows failed, 0 rows absent\n";
  EXPECT_NE(cli.console.out.find(totals), std::wstring::npos);
}

TEST(CliRun, PreviewCountsARepeatedOrNestedTargetOnce) {
  Cli cli;
  EXPECT_EQ(cli.Run({L"preview", L"Q", L"U"}), kExitDone);
  for (const Call& c : cli.removal.calls) {
    EXPECT_EQ(c.mode, platform::Mode::Preview);
  }
  // Rows 22, 32 and 66 repeat 7, 31 and 5 (66 in other letter case).
  EXPECT_EQ(cli.removal.calls.size(), cleanup::kRowCount - 3);
  EXPECT_NE(cli.console.out.find(L"22  folder  covered 0 files"), std::wstring::npos);
  EXPECT_NE(cli.console.out.find(L"(inside row 5)"), std::wstring::npos);
  const std::wstring totals =
      L"total: 89 files, " + std::to_wstring(FolderRows() - 3) + L" folders, 890 bytes";
  EXPECT_NE(cli.console.out.find(totals), std::wstring::npos);
}

TEST(CliRun, AnAbsentFolderCoversNothing) {
  Cli cli;
  cli.removal.scripts[L"Q:\\Documents and Settings\\U\\Local Settings\\Temp"] =
      [](const std::wstring&, platform::RemovalSink&) { throw platform::Failure("no such folder", 3); };
  cli.Run({L"preview", L"Q", L"U"});
  // Row 7 found nothing, so row 22 is walked again (and finds nothing).
  EXPECT_EQ(cli.removal.calls.size(), cleanup::kRowCount - 2);
  EXPECT_NE(cli.console.out.find(L"rows absent"), std::wstring::npos);
  EXPECT_NE(cli.console.out.find(L"; 0 rows failed, 2 rows absent"), std::wstring::npos);
}

TEST(CliRun, FailuresAreStatusesAndTheRunGoesOn) {
  Cli cli;
  const std::wstring temp = L"Q:\\WINDOWS\\Temp";
  cli.removal.scripts[temp] = [](const std::wstring& p, platform::RemovalSink& sink) {
    sink.Removed(p + L"\\free.log", false, 4);
    sink.Stayed(p + L"\\busy.log", platform::Stay::Error, 32);
    throw platform::Failure("folder not wholly removed", 32);
  };
  cli.removal.scripts[L"Q:\\WINDOWS\\Offline Web Pages"] = [](const std::wstring&, platform::RemovalSink&) {
    throw std::bad_alloc();
  };
  EXPECT_EQ(cli.Run({L"clean", L"Q", L"U", L"--json"}), kExitDone);
  EXPECT_EQ(cli.removal.calls.size(), cleanup::kRowCount);
  const std::wstring& out = cli.console.out;
  EXPECT_EQ(
      out.find(L"{\"verb\": \"clean\", \"drive\": \"Q\", \"user\": \"U\",\n \"rows\": [\n  {\"row\": 1,"),
      0U);
  EXPECT_NE(out.find(L"\"row\": 1, \"path\": \"Q:\\\\WINDOWS\\\\Offline Web Pages\", \"kind\": \"folder\", "
                     L"\"files\": 0, \"folders\": 0, \"bytes\": 0, \"status\": \"failed\""),
            std::wstring::npos);
  EXPECT_NE(out.find(L"\"files\": 1, \"folders\": 0, \"bytes\": 4, \"status\": \"failed\", \"error\": 32, "
                     L"\"items_left\": [{\"path\": \"Q:\\\\WINDOWS\\\\Temp\\\\busy.log\", "
                     L"\"reason\": \"error text 32\""),
            std::wstring::npos);
  EXPECT_NE(out.find(L"\"rows_failed\": 2, \"rows_absent\": 0}}\n"), std::wstring::npos);
  EXPECT_EQ(out.find(L"\n  {\"row\": 1,") + 3, out.find(L"{\"row\""));  // no comma before the first row
}

}  // namespace
}  // namespace brim::cli
