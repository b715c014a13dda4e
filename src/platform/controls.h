#pragma once

#include <string>
#include <string_view>

namespace brim::platform {

// Anything that can be switched on and off for input: a window or a control.
class Control {
 public:
  virtual ~Control() = default;
  [[nodiscard]] virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
};

class TextBox : public Control {
 public:
  [[nodiscard]] virtual std::wstring Text() const = 0;
  virtual void SetText(std::wstring_view text) = 0;
};

// Value is single precision; writing a value outside [Min, Max] throws
// Failure and leaves the value as it was.
class ProgressBar {
 public:
  virtual ~ProgressBar() = default;
  [[nodiscard]] virtual float Value() const = 0;
  virtual void SetValue(float value) = 0;
};

// Not called MessageBox: <windows.h> turns that name into a macro.
// Modal; returns once the user has dismissed it. With no title of its own
// the box shows the application title.
class MsgBox {
 public:
  virtual ~MsgBox() = default;
  virtual int Show(std::wstring_view prompt, unsigned flags) = 0;
};

// Lets the user-interface thread repaint and answer sent messages during a
// long synchronous operation, without taking any input.
class Breather {
 public:
  virtual ~Breather() = default;
  virtual void Breathe() = 0;
};

}  // namespace brim::platform
