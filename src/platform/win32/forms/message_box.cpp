#include "platform/win32/forms/message_box.h"

#include "platform/win32/windows_api.h"

#include <string>

#include "platform/forms.h"

namespace brim::platform::win32 {

int AppMessageBox::Show(std::wstring_view prompt, unsigned flags) {
  const std::wstring text(prompt);
  const std::wstring title(kApplicationTitle);
  if (before_show_) {
    before_show_();
  }
  return ::MessageBoxW(::GetActiveWindow(), text.c_str(), title.c_str(), flags);
}

}  // namespace brim::platform::win32
