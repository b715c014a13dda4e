#pragma once

#include "platform/controls.h"

namespace brim::platform::win32 {

// Between units of a long synchronous run: repaint and answer messages sent
// by other threads and processes, but leave every input message queued.
class PaintBreather : public Breather {
 public:
  void Breathe() override;
};

}  // namespace brim::platform::win32
