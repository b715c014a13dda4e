#pragma once

#include <string_view>

#include "platform/controls.h"
#include "platform/shell.h"

namespace brim::links {

// What the About window lends its three link buttons.
struct AboutContext {
  const platform::HasNativeWindow& about;
  platform::Shell& shell;
  platform::WebBrowser& WebBrowser1;
  platform::MsgBox& box;
};

// Hands URL to the shell's open operation on behalf of Parent. Traps nothing:
// an unreadable handle or an unbindable shell throws platform::Failure.
void OpenInternet(platform::Shell& shell, const platform::HasNativeWindow& Parent, std::wstring_view URL);

void Blog_Click(const AboutContext& ab);  // "Blog"
void Cmd4_Click(const AboutContext& ab);  // "Donate"
void Cmd2_Click(const AboutContext& ab);  // "Email Me"

}  // namespace brim::links
