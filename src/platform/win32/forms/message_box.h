#pragma once

#include "platform/controls.h"

namespace brim::platform::win32 {

// The modal message box, owned by the program's active window and titled
// with the application title.
class AppMessageBox : public MsgBox {
 public:
  int Show(std::wstring_view prompt, unsigned flags) override;
};

}  // namespace brim::platform::win32
