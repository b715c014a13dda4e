#pragma once
// The forms runtime on plain Win32: one window class per stored design, one
// instance per class, keyboard through the dialog manager. Controls are in
// form_controls.cpp, windows in win32_form.cpp, instances, dispatch and the
// message loop in forms_runtime.cpp.

#include "platform/win32/windows_api.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/form_instances.h"
#include "platform/forms.h"
#include "platform/progress_value.h"
#include "platform/win32/handles.h"

namespace brim::platform::win32 {

class FormsRuntime;

// The control that gets the focus back when its window is active again.
struct FocusMemory {
  HWND control = nullptr;
  bool parking = false;  // the focus rests on the window itself for a moment
};

// A child window made from one row of a stored design: what every kind
// shares. The control doesn't own its window: the parent destroys it along
// with itself, so no control's window goes while the parent's procedure can
// still walk the table of controls.
class ChildControl {
 public:
  ChildControl(const ControlDesign& design, HWND window, FocusMemory& focus)
      : design_(design), window_(window), focus_(focus) {}
  virtual ~ChildControl() = default;
  ChildControl(const ChildControl&) = delete;
  ChildControl& operator=(const ChildControl&) = delete;

  [[nodiscard]] HWND Window() const { return window_; }
  [[nodiscard]] const ControlDesign& Design() const { return design_; }
  virtual Control& AsControl() = 0;

 protected:
  [[nodiscard]] bool IsEnabled() const;
  void Enable(bool enabled);

 private:
  const ControlDesign& design_;
  HWND window_;
  FocusMemory& focus_;
};

// A kind of control, seen by the program through `Interface` (a Control).
template <class Interface>
class ChildOf : public ChildControl, public Interface {
 public:
  using ChildControl::ChildControl;
  [[nodiscard]] bool Enabled() const override { return IsEnabled(); }
  void SetEnabled(bool enabled) override { Enable(enabled); }
  Control& AsControl() override { return *this; }
};

using LabelControl = ChildOf<Control>;

// Runs the handler bound when its window was built. Every press presses it,
// the second of a double-click too.
class ButtonControl : public ChildOf<Control> {
 public:
  ButtonControl(const ControlDesign& design, HWND window, FocusMemory& focus, Handler click);
  [[nodiscard]] const Handler& Click() const { return click_; }

 private:
  Handler click_;
};

class TextBoxControl : public ChildOf<TextBox> {
 public:
  TextBoxControl(const ControlDesign& design, HWND window, FocusMemory& focus);
  [[nodiscard]] std::wstring Text() const override;
  void SetText(std::wstring_view text) override;
};

// comctl32's bar, holding the single-precision value it shows. A new
// position paints at once, about a millisecond under Wine: more than a
// small catalogue row costs. So a rise that comes within kRepaintMs of the
// last one shown is held back until the next rise, breath, message box or
// the end of the handler, whichever is first; a fall shows at once.
class ProgressControl : public ChildOf<Control>, public ProgressBar {
 public:
  static constexpr DWORD kRepaintMs = 50;

  ProgressControl(const ControlDesign& design, HWND window, FocusMemory& focus);
  [[nodiscard]] float Value() const override { return value_.Get(); }
  void SetValue(float value) override;
  // Shows a held-back position: with `when_due`, only once kRepaintMs
  // have passed since the last one shown.
  void ShowHeldBack(bool when_due);

 private:
  ProgressValue value_;
  long shown_;
  DWORD shown_at_;
};

class Win32Form : public Form {
 public:
  Win32Form(FormsRuntime& runtime, const FormClass& cls);
  ~Win32Form() override;
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;

  [[nodiscard]] bool Enabled() const override;
  void SetEnabled(bool enabled) override;
  [[nodiscard]] NativeWindow hWnd() const override;
  [[nodiscard]] bool Loaded() const override { return static_cast<bool>(window_); }
  void Load() override;
  void Show() override;
  void Unload() override;
  TextBox& TextBoxNamed(std::wstring_view name) override;
  Control& ControlNamed(std::wstring_view name) override;
  ProgressBar& ProgressBarNamed(std::wstring_view name) override;
  WebBrowser& WebBrowserNamed(std::wstring_view name) override;

  [[nodiscard]] std::wstring_view Name() const { return design_.name; }
  [[nodiscard]] HWND Window() const { return window_.get(); }
  // The child window of a control, or null (a control without a window).
  [[nodiscard]] HWND ControlWindow(std::wstring_view name) const;
  FormEvents& Events() { return *events_; }
  // See ProgressControl.
  void ShowHeldBackProgress(bool when_due) const;
  // Closes the window without running any handler (the end of the program).
  void CloseSilently();

 private:
  // noexcept: no failure may unwind through the system's frames.
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept;
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void OnCommand(WPARAM wparam);
  void CreateControls(int dpi);
  void ArrangeTabOrder();
  void Place(HWND over) const;
  void RestoreFocus();
  void MarkDefaultButton(HWND focus);
  [[nodiscard]] ChildControl* Find(std::wstring_view name) const;
  [[nodiscard]] ChildControl* FindById(int id) const;
  [[nodiscard]] int DefaultId() const;
  [[nodiscard]] HWND FirstTabStop() const;

  FormsRuntime& runtime_;
  const FormDesign& design_;
  std::unique_ptr<FormEvents> events_;
  UniqueWindow window_;
  UniqueFont default_font_;
  std::vector<UniqueFont> own_fonts_;
  std::vector<std::unique_ptr<ChildControl>> controls_;
  std::vector<ChildControl*> by_id_;  // by design row; null for a control without a window
  std::vector<std::pair<std::wstring_view, std::unique_ptr<WebBrowser>>> browsers_;
  FocusMemory focus_;
  bool unloading_ = false;
};

class FormsRuntime : public Forms {
 public:
  using MakeBrowser = std::function<std::unique_ptr<WebBrowser>()>;

  explicit FormsRuntime(MakeBrowser make_browser);
  ~FormsRuntime() override;
  FormsRuntime(const FormsRuntime&) = delete;
  FormsRuntime& operator=(const FormsRuntime&) = delete;

  void Register(const FormClass& cls);

  Form& Instance(std::wstring_view name) override;
  Form* Existing(std::wstring_view name) override;
  void End() override;
  MsgBox& Box() override { return *box_; }

  // Runs a handler for an event of the platform. Handlers don't nest: while
  // one runs, no other starts. A failure it doesn't trap is shown as a
  // run-time error and the program goes on. Returns whether it ran.
  bool Dispatch(const std::function<void()>& handler);
  // Dialog keys first, then the window's own handling.
  void ProcessMessage(MSG& msg) const;
  // Waits for events until the program ends; then the final release.
  // The destructor frees what is left without running any handler.
  int Run();
  // The final release of every instance: terminate handlers, unless ended.
  void Release();
  // Every bar's held-back position (see ProgressControl).
  void ShowHeldBackProgress(bool when_due) const;
  // Runs `hook` whenever a handler has ended, whichever way.
  void AfterEachHandler(std::function<void()> hook) { after_handler_.push_back(std::move(hook)); }

  [[nodiscard]] bool Ended() const { return ended_; }
  [[nodiscard]] bool AnyLoaded() const;
  [[nodiscard]] Win32Form* Find(std::wstring_view name) const { return instances_.Find(name); }
  [[nodiscard]] Win32Form* FindByWindow(HWND window) const;
  // A loaded, visible, enabled window of the program other than `except`.
  [[nodiscard]] HWND OtherActivatable(const Win32Form* except) const;
  std::unique_ptr<WebBrowser> NewBrowser() { return make_browser_(); }

 private:
  void ReportUntrapped(const std::wstring& description);

  MakeBrowser make_browser_;
  std::vector<std::function<void()>> after_handler_;
  std::unique_ptr<MsgBox> box_;
  FormInstances<Win32Form> instances_;
  int depth_ = 0;
  bool ended_ = false;
  bool released_ = false;
  bool quit_posted_ = false;
};

}  // namespace brim::platform::win32
