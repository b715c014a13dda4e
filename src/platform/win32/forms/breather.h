#pragma once

#include "platform/controls.h"
#include "platform/win32/windows_api.h"

namespace brim::platform::win32 {

class FormsRuntime;

// Between units of a long synchronous run: repaint (held-back bar positions
// too, once due) and answer messages sent by other threads and processes,
// but leave every input message queued. A breath sooner than kEveryMs after
// the last one only shows a bar's due position.
class PaintBreather : public Breather {
 public:
  static constexpr DWORD kEveryMs = 10;

  explicit PaintBreather(const FormsRuntime& forms) : forms_(forms) {}
  void Breathe() override;

 private:
  const FormsRuntime& forms_;
  DWORD last_ = 0;
  bool breathed_ = false;
};

}  // namespace brim::platform::win32
