#pragma once

#include <functional>
#include <utility>

#include "platform/controls.h"

namespace brim::platform::win32 {

// The modal message box, owned by the program's active window and titled
// with the application title. `before_show` brings the windows behind it up
// to date: they don't repaint while it is up.
class AppMessageBox : public MsgBox {
 public:
  explicit AppMessageBox(std::function<void()> before_show) : before_show_(std::move(before_show)) {}
  int Show(std::wstring_view prompt, unsigned flags) override;

 private:
  std::function<void()> before_show_;
};

}  // namespace brim::platform::win32
