#pragma once

#include "platform/controls.h"

namespace brim::platform::win32 {

class FormsRuntime;

// Between units of a long synchronous run: repaint (held-back bar positions
// too, once due) and answer messages sent by other threads and processes,
// but leave every input message queued.
class PaintBreather : public Breather {
 public:
  explicit PaintBreather(const FormsRuntime& forms) : forms_(forms) {}
  void Breathe() override;

 private:
  const FormsRuntime& forms_;
};

}  // namespace brim::platform::win32
