#include "platform/win32/forms/forms_win32.h"

#include <cmath>
#include <string>
#include <utility>

#include "platform/failure.h"

namespace brim::platform::win32 {
namespace {

// The second press of a double-click reaches a button as WM_LBUTTONDBLCLK,
// which a BS_NOTIFY button only reports (BN_DOUBLECLICKED) instead of being
// pressed. Every press presses: the button is handed a plain one.
LRESULT CALLBACK ButtonProc(HWND button, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  const auto base = reinterpret_cast<WNDPROC>(  // NOLINT(performance-no-int-to-ptr): set by ButtonControl
      ::GetWindowLongPtrW(button, GWLP_USERDATA));
  return ::CallWindowProcW(base, button, message == WM_LBUTTONDBLCLK ? WM_LBUTTONDOWN : message, wparam,
                           lparam);
}

}  // namespace

bool ChildControl::IsEnabled() const { return ::IsWindowEnabled(window_) != FALSE; }

void ChildControl::Enable(bool enabled) {
  HWND w = window_;
  HWND parent = ::GetParent(w);
  if (!enabled && ::GetFocus() == w) {
    // A disabled control loses the focus; park it on the window so the
    // control gets it back once enabled again.
    focus_.control = w;
    ::EnableWindow(w, FALSE);
    focus_.parking = true;
    ::SetFocus(parent);
    focus_.parking = false;
    return;
  }
  ::EnableWindow(w, enabled ? TRUE : FALSE);
  if (enabled && focus_.control == w && ::GetFocus() == parent) {
    ::SetFocus(w);
  }
}

ButtonControl::ButtonControl(const ControlDesign& design, HWND window, FocusMemory& focus, Handler click)
    : ChildOf(design, window, focus), click_(std::move(click)) {
  ::SetWindowLongPtrW(window, GWLP_USERDATA, ::GetWindowLongPtrW(window, GWLP_WNDPROC));
  ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ButtonProc));
}

TextBoxControl::TextBoxControl(const ControlDesign& design, HWND window, FocusMemory& focus)
    : ChildOf(design, window, focus) {
  // 0 lifts the limit to the most the control can hold.
  ::SendMessageW(window, EM_SETLIMITTEXT, static_cast<WPARAM>(design.settings.max_length), 0);
}

std::wstring TextBoxControl::Text() const {
  const int n = ::GetWindowTextLengthW(Window());
  std::wstring text(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) {
    const int got = ::GetWindowTextW(Window(), text.data(), n + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  }
  return text;
}

void TextBoxControl::SetText(std::wstring_view text) {
  const std::wstring copy(text);
  if (::SetWindowTextW(Window(), copy.c_str()) == FALSE) {
    throw Failure("SetWindowText failed", ::GetLastError());
  }
}

ProgressControl::ProgressControl(const ControlDesign& design, HWND window, FocusMemory& focus)
    : ChildOf(design, window, focus),
      value_(design.settings.min, design.settings.max),
      shown_(std::lround(value_.Get())),
      shown_at_(::GetTickCount()) {
  ::SendMessageW(Window(), PBM_SETRANGE32, static_cast<WPARAM>(std::lround(value_.Min())),
                 static_cast<LPARAM>(std::lround(value_.Max())));
  ::SendMessageW(Window(), PBM_SETPOS, static_cast<WPARAM>(shown_), 0);
}

void ProgressControl::SetValue(float value) {
  value_.Set(value);  // refuses a value outside the range, keeping the old one
  ShowHeldBack(true);
}

void ProgressControl::ShowHeldBack(bool when_due) {
  const long position = std::lround(value_.Get());
  if (position == shown_) {
    return;
  }
  const DWORD now = ::GetTickCount();
  if (when_due && position > shown_ && now - shown_at_ < kRepaintMs) {
    return;
  }
  ::SendMessageW(Window(), PBM_SETPOS, static_cast<WPARAM>(position), 0);
  shown_ = position;
  shown_at_ = now;
}

}  // namespace brim::platform::win32
