#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "cleanup/catalogue.h"
#include "cleanup/cleanup_run.h"
#include "fakes/fake_forms.h"
#include "platform/failure.h"
#include "ui/about_window.h"
#include "ui/main_window.h"
#include "ui/program.h"

namespace brim::ui {
namespace {

using fakes::Log;

// Each object logs its calls; the factory counts what it made and what
// is still alive, and can make objects that fail.
class FakeFsoFactory : public platform::FileSystemObjectFactory {
 public:
  explicit FakeFsoFactory(Log& log) : log_(log) {}
  std::unique_ptr<platform::FileSystemObject> Create() override {
    ++made;
    return std::make_unique<Object>(*this);
  }
  int made = 0;
  int live = 0;
  bool fail = false;

 private:
  struct Object : platform::FileSystemObject {
    explicit Object(FakeFsoFactory& f) : factory(f) { ++factory.live; }
    ~Object() override { --factory.live; }
    void DeleteFolder(const std::wstring& folder_spec, bool force) override {
      factory.log_.push_back(L"DeleteFolder:" + folder_spec + (force ? L"" : L"|noforce"));
      if (factory.fail) {
        throw platform::Failure("gone", 3);
      }
    }
    FakeFsoFactory& factory;
  };
  Log& log_;
};

class NullShell : public platform::Shell {
 public:
  void Execute(platform::NativeWindow /*owner*/, std::wstring_view /*operation*/, std::wstring_view /*file*/,
               std::wstring_view /*parameters*/, std::wstring_view /*directory*/, int /*show*/) override {}
};

// The program over the fake runtime, with S started as the entry starts it.
struct Harness {
  fakes::FakeForms forms;
  FakeFsoFactory fso{forms.log};
  fakes::FakeFileRemoval files{forms.log};
  NullShell shell;
  Program program{forms, Services{fso, files, shell, nullptr}};

  Harness() {
    forms.Register(program.MainClass());
    forms.Register(program.AboutClass());
  }
  void Start() {
    program.S().Show();
    forms.log.clear();
  }
  void Click(std::wstring_view form, std::wstring_view control) {
    if (const platform::Handler click = forms.Find(form)->Events().ClickHandler(control)) {
      click();
    }
  }
  [[nodiscard]] bool Logged(const std::wstring& entry) const {
    return std::ranges::find(forms.log, entry) != forms.log.end();
  }
};

TEST(MainWindow, StartShowsOnlyTheMainWindowAndRunsNoHandler) {
  Harness h;
  h.program.S().Show();
  EXPECT_EQ(h.forms.log, (Log{L"S.create", L"S.load", L"S.show"}));
  EXPECT_EQ(h.forms.Existing(L"Ab"), nullptr);
}

TEST(MainWindow, ExitProgramWithAboutNeverOpenedUnloadsThenEnds) {
  Harness h;
  h.Start();
  h.Click(L"S", L"Cmd2");
  // Form_Unload creates Ab's instance to unload it; nothing is loaded.
  EXPECT_EQ(h.forms.log, (Log{L"S.unload", L"Ab.create", L"S.closed", L"end"}));
  EXPECT_FALSE(h.forms.AnyLoaded());
  h.forms.Release();
  EXPECT_FALSE(h.Logged(L"S.terminate"));  // End: no terminate handler
}

TEST(MainWindow, ExitProgramWithAboutOpenClosesBoth) {
  Harness h;
  h.Start();
  h.Click(L"S", L"Cmd3");
  h.forms.log.clear();
  h.Click(L"S", L"Cmd2");
  EXPECT_EQ(h.forms.log, (Log{L"S.unload", L"Ab.unload", L"S.enable", L"Ab.closed", L"S.closed", L"end"}));
  EXPECT_FALSE(h.forms.AnyLoaded());
}

TEST(MainWindow, CloseBoxUnloadsAboutAndTerminateCreatesNothing) {
  for (const bool about_open : {false, true}) {
    Harness h;
    h.Start();
    if (about_open) {
      h.Click(L"S", L"Cmd3");
    }
    h.forms.log.clear();
    h.program.S().Unload();  // the close box
    EXPECT_FALSE(h.forms.AnyLoaded()) << about_open;
    EXPECT_FALSE(h.forms.ended);
    h.forms.log.clear();
    h.forms.Release();
    EXPECT_EQ(h.forms.log, (Log{L"S.terminate", L"Ab.terminate"})) << about_open;
  }
}

TEST(MainWindow, TerminateClosesWindowsStillOpen) {
  Harness h;
  h.Start();
  h.Click(L"S", L"Cmd3");
  h.forms.log.clear();
  h.forms.Release();
  EXPECT_EQ(h.forms.log, (Log{L"S.terminate", L"S.unload", L"Ab.unload", L"S.enable", L"Ab.closed",
                              L"S.closed", L"Ab.terminate"}));
}

TEST(AboutWindow, TerminateWithoutMainWindowCreatesNone) {
  Harness h;
  h.program.Ab();  // only the About instance exists
  h.forms.Release();
  EXPECT_EQ(h.forms.log, (Log{L"Ab.create", L"Ab.terminate"}));
}

TEST(AboutWindow, DisablesMainWindowWhileLoaded) {
  Harness h;
  h.Start();
  h.Click(L"S", L"Cmd3");
  EXPECT_EQ(h.forms.log, (Log{L"Ab.create", L"Ab.load", L"S.disable", L"Ab.show"}));
  EXPECT_FALSE(h.program.S().Enabled());
  EXPECT_TRUE(h.program.Ab().Loaded());
}

TEST(AboutWindow, OkAndCloseBoxEachEnableMainWindowAgain) {
  Harness h;
  h.Start();
  for (int round = 0; round < 3; ++round) {
    h.Click(L"S", L"Cmd3");
    ASSERT_FALSE(h.program.S().Enabled());
    h.Click(L"Ab", L"Cmd1");  // "OK"
    EXPECT_TRUE(h.program.S().Enabled());
    EXPECT_FALSE(h.program.Ab().Loaded());

    h.Click(L"S", L"Cmd3");
    ASSERT_FALSE(h.program.S().Enabled());
    h.program.Ab().Unload();  // the close box
    EXPECT_TRUE(h.program.S().Enabled());
    EXPECT_FALSE(h.program.Ab().Loaded());
  }
  EXPECT_TRUE(h.program.S().Loaded());
}

TEST(AboutWindow, LinkButtonsLeaveBothWindowsAsTheyAre) {
  Harness h;
  h.Start();
  h.Click(L"S", L"Cmd3");
  for (const wchar_t* button : {L"Blog", L"Cmd2", L"Cmd4"}) {
    h.Click(L"Ab", button);
    EXPECT_TRUE(h.program.Ab().Loaded()) << button;
    EXPECT_FALSE(h.program.S().Enabled()) << button;
  }
}

TEST(MainWindow, CleanupRunsOnTheWindowsOwnControls) {
  Harness h;
  h.Start();
  h.program.S().TextBoxNamed(L"D").SetText(L"Q");
  h.program.S().TextBoxNamed(L"U").SetText(L"ann");
  h.Click(L"S", L"Cmd1");
  // Folders go through a fresh file-system object, files through the removal.
  EXPECT_TRUE(h.Logged(L"DeleteFolder:Q:\\WINDOWS\\Offline Web Pages"));
  EXPECT_TRUE(h.Logged(L"DeleteFolder:Q:\\Documents and Settings\\ann\\Recent"));
  EXPECT_TRUE(
      std::ranges::any_of(h.forms.log, [](const std::wstring& e) { return e.starts_with(L"kill:Q:\\"); }));
  EXPECT_TRUE(h.Logged(L"Cmd1.disable"));
  EXPECT_TRUE(h.Logged(L"U.enable"));
  ASSERT_EQ(h.forms.box.shown.size(), 1U);
  EXPECT_EQ(h.forms.box.shown[0].prompt, cleanup::kFinishedPrompt);
  EXPECT_FLOAT_EQ(h.program.S().ProgressBarNamed(L"PrB").Value(), 184.0F);
}

// DA: a fresh object for every folder row, forced, and released whether
// the removal failed or not.
TEST(MainWindow, DAMakesAFreshObjectPerFolderAndAlwaysReleasesIt) {
  const auto folder_rows = static_cast<int>(std::ranges::count_if(
      cleanup::kCatalogue, [](const cleanup::Row& r) { return r.removal == cleanup::Removal::Folder; }));
  for (const bool fail : {false, true}) {
    Harness h;
    h.Start();
    h.fso.fail = fail;
    h.Click(L"S", L"Cmd1");
    EXPECT_EQ(h.fso.made, folder_rows) << fail;
    EXPECT_EQ(h.fso.live, 0) << fail;
    EXPECT_EQ(std::ranges::count_if(h.forms.log,
                                    [](const std::wstring& e) {
                                      return e.starts_with(L"DeleteFolder:") && !e.ends_with(L"|noforce");
                                    }),
              folder_rows)
        << fail;
    EXPECT_EQ(h.forms.box.shown.back().prompt, cleanup::kFinishedPrompt) << fail;
  }
}

}  // namespace
}  // namespace brim::ui
