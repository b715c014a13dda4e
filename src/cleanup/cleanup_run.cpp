#include "cleanup/cleanup_run.h"

#include <array>
#include <exception>

#include "cleanup/catalogue.h"
#include "cleanup/target_path.h"

namespace brim::cleanup {
namespace {

// Skip-on-failure: a failing unit is abandoned and the run goes on, silently.
template <typename F>
void Unit(RunWindow& w, F&& body) {
  try {
    body();
  } catch (const std::exception&) {  // NOLINT(bugprone-empty-catch): the policy is to report nothing
  }
  if (w.breather != nullptr) {
    w.breather->Breathe();
  }
}

void SetLocked(RunWindow& w, bool locked) {
  const std::array<platform::Control*, 5> order = {&w.Cmd1, &w.Cmd2, &w.Cmd3, &w.D, &w.U};
  for (platform::Control* c : order) {
    Unit(w, [&] { c->SetEnabled(!locked); });
  }
}

void RemoveRow(RunWindow& w, const Row& row) {
  const std::wstring drive = w.D.Text();
  const std::wstring user = row.root == Root::Profile ? w.U.Text() : std::wstring();
  const std::wstring path = TargetPath(row, drive, user);
  if (row.removal == Removal::Folder) {
    w.DA(path);
  } else {
    w.files.Kill(path);
  }
}

}  // namespace

bool UserTextUnsafe(std::wstring_view user) { return user.find(L'\\') != std::wstring_view::npos; }

bool TextsAccepted(std::wstring_view drive, std::wstring_view user) {
  return !user.empty() && !drive.empty() && !UserTextUnsafe(user);
}

void CleanupRun(RunWindow& w) {
  const std::wstring user = w.U.Text();
  const std::wstring drive = w.D.Text();
  if (!TextsAccepted(drive, user)) {
    w.box.Show(kWarningPrompt, kWarningFlags);
    return;
  }

  Unit(w, [&] { w.PrB.SetValue(0.0F); });
  SetLocked(w, true);
  for (const Row& row : kCatalogue) {
    Unit(w, [&] { RemoveRow(w, row); });
    Unit(w, [&] { w.PrB.SetValue(w.PrB.Value() + row.step); });
  }
  SetLocked(w, false);
  Unit(w, [&] { w.box.Show(kFinishedPrompt, kFinishedFlags); });
}

}  // namespace brim::cleanup
