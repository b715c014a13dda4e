#include "platform/win32/forms/breather.h"

#include "platform/win32/forms/forms_win32.h"
#include "platform/win32/windows_api.h"

namespace brim::platform::win32 {

void PaintBreather::Breathe() {
  forms_.ShowHeldBackProgress(true);
  // Under Wine every look at the queue is a round trip to the server, even
  // an empty one: a run asks for two breaths per row.
  const DWORD now = ::GetTickCount();
  if (breathed_ && now - last_ < kEveryMs) {
    return;
  }
  breathed_ = true;
  last_ = now;
  // Any PeekMessage answers pending sent messages; QS_PAINT lets WM_PAINT
  // through and nothing else. The bound guards against a window that never
  // validates itself.
  MSG msg;
  for (int i = 0;
       i < 64 && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT | PM_QS_SENDMESSAGE) != FALSE;
       ++i) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    ::DispatchMessageW(&msg);
  }
}

}  // namespace brim::platform::win32
