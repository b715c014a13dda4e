#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/controls.h"
#include "platform/removal.h"

namespace brim::cleanup {

inline constexpr std::wstring_view kWarningPrompt =
    L"An error has been encountered.\n\rPlease fix the input boxes and try again.";
inline constexpr unsigned kWarningFlags = 48;
inline constexpr std::wstring_view kFinishedPrompt = L"Finished";
inline constexpr unsigned kFinishedFlags = 0;

// The contacts between the run and the main window.
struct RunWindow {
  platform::TextBox& D;
  platform::TextBox& U;
  platform::Control& Cmd1;
  platform::Control& Cmd2;
  platform::Control& Cmd3;
  platform::ProgressBar& PrB;
  platform::MsgBox& box;
  std::function<void(const std::wstring&)> DA;
  platform::FileRemoval& files;
  platform::Breather* breather = nullptr;
};

// True when the user text would lead a profile-rooted path out of its profile.
[[nodiscard]] bool UserTextUnsafe(std::wstring_view user);

// The run's validation: false means the warning prompt and nothing removed.
[[nodiscard]] bool TextsAccepted(std::wstring_view drive, std::wstring_view user);

// The whole of Cmd1_Click: validate, lock, walk the catalogue, unlock, report.
void CleanupRun(RunWindow& w);

}  // namespace brim::cleanup
