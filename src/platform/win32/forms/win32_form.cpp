#include "platform/win32/forms/forms_win32.h"

#include <algorithm>
#include <array>
#include <exception>
#include <memory>
#include <string>
#include <tuple>
#include <utility>

#include "platform/failure.h"
#include "platform/win32/forms/dpi.h"
#include "platform/win32/forms/placement.h"

namespace brim::platform::win32 {
namespace {

// Below every id the dialog manager gives meaning to (IDOK, IDCANCEL...).
constexpr int kFirstControlId = 100;

HINSTANCE Module() { return ::GetModuleHandleW(nullptr); }

std::wstring ClassName(std::wstring_view form) { return L"Brimsweep_" + std::wstring(form); }

void RegisterClassOnce(const std::wstring& name, WNDPROC proc) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = Module();
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  // A system colour index + 1 in place of a brush, as window classes take it.
  wc.hbrBackground =
      reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_3DFACE + 1));  // NOLINT(performance-no-int-to-ptr)
  wc.hIcon = ::LoadIconW(Module(), MAKEINTRESOURCEW(1));
  wc.lpszClassName = name.c_str();
  if (::RegisterClassExW(&wc) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw Failure("RegisterClassEx failed", ::GetLastError());
  }
}

template <class C>
std::unique_ptr<ChildControl> Make(const ControlDesign& design, HWND window, FocusMemory& focus,
                                   FormEvents& /*events*/) {
  return std::make_unique<C>(design, window, focus);
}

template <>
std::unique_ptr<ChildControl> Make<ButtonControl>(const ControlDesign& design, HWND window,
                                                  FocusMemory& focus, FormEvents& events) {
  return std::make_unique<ButtonControl>(design, window, focus, events.ClickHandler(design.name));
}

// What each kind of control is made of, in the order of Kind.
struct KindTraits {
  Kind kind;
  const wchar_t* window_class;  // null: an object without a window
  DWORD style;                  // besides WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS
  DWORD ex_style;
  bool Settings::*switch_on;  // a design setting that adds...
  DWORD switched_style;       // ...this style to the kind's own
  bool takes_focus;
  // Focusable controls by tab index on top, then the bar, then labels, which
  // sit on the window's surface under every other control.
  int layer;
  std::unique_ptr<ChildControl> (*make)(const ControlDesign&, HWND, FocusMemory&, FormEvents&);
};

// clang-format off
constexpr std::array kKinds{
//           Kind                 Class            Style                                   Extended style    Setting that adds          this style        Focus  Layer Made as
  KindTraits{Kind::CommandButton, L"BUTTON",       WS_TABSTOP | BS_NOTIFY | BS_PUSHBUTTON, 0,                &Settings::default_button, BS_DEFPUSHBUTTON, true,  0, &Make<ButtonControl>},
  KindTraits{Kind::TextBox,       L"EDIT",         WS_TABSTOP | ES_AUTOHSCROLL,            WS_EX_CLIENTEDGE, nullptr,                   0,                true,  0, &Make<TextBoxControl>},
  KindTraits{Kind::Label,         L"STATIC",       SS_NOPREFIX | SS_LEFT,                  0,                &Settings::centred,        SS_CENTER,        false, 2, &Make<LabelControl>},
  KindTraits{Kind::ProgressBar,   PROGRESS_CLASSW, 0,                                      0,                nullptr,                   0,                false, 1, &Make<ProgressControl>},
  KindTraits{Kind::WebBrowser,    nullptr,         0,                                      0,                nullptr,                   0,                false, 1, nullptr},
};
// clang-format on

constexpr bool InKindOrder() {
  for (std::size_t i = 0; i < kKinds.size(); ++i) {
    if (static_cast<std::size_t>(kKinds[i].kind) != i) {
      return false;
    }
  }
  return kKinds.size() == static_cast<std::size_t>(Kind::WebBrowser) + 1;
}
static_assert(InKindOrder());

const KindTraits& TraitsOf(Kind kind) { return kKinds[static_cast<std::size_t>(kind)]; }

HFONT DefaultFont(int dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;  // the XP size: newer systems accept it
  if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) != FALSE) {
    return ::CreateFontIndirectW(&metrics.lfMessageFont);
  }
  const LOGFONTW lf = DesignFont(FontDesign{L"MS Shell Dlg", 800, FW_NORMAL, false, false, false, 0}, dpi);
  return ::CreateFontIndirectW(&lf);
}

}  // namespace
Win32Form::Win32Form(FormsRuntime& runtime, const FormClass& cls)
    : runtime_(runtime), design_(*cls.design), events_(cls.make_events(*this)) {}

Win32Form::~Win32Form() { CloseSilently(); }

bool Win32Form::Enabled() const { return !window_ || ::IsWindowEnabled(window_.get()) != FALSE; }

void Win32Form::SetEnabled(bool enabled) {
  if (window_) {
    ::EnableWindow(window_.get(), enabled ? TRUE : FALSE);
  }
}

NativeWindow Win32Form::hWnd() const {
  if (!window_) {
    throw Failure("Object was unloaded");
  }
  return reinterpret_cast<NativeWindow>(window_.get());
}

void Win32Form::Load() {
  if (window_) {
    return;
  }
  const std::wstring cls = ClassName(design_.name);
  RegisterClassOnce(cls, &Win32Form::WindowProc);
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD ex = WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT | (design_.in_taskbar ? WS_EX_APPWINDOW : 0);
  const std::wstring caption(design_.caption);
  HWND w = ::CreateWindowExW(ex, cls.c_str(), caption.c_str(), style, 0, 0, 100, 100, nullptr, nullptr,
                             Module(), this);
  if (w == nullptr) {
    throw Failure("CreateWindowEx failed", ::GetLastError());
  }
  window_.reset(w);

  const int dpi = WindowDpi(w);
  RECT r{0, 0, TwipsToPixels(design_.client_width, dpi), TwipsToPixels(design_.client_height, dpi)};
  ::AdjustWindowRectEx(&r, style, FALSE, ex);
  ::SetWindowPos(w, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  default_font_.reset(DefaultFont(dpi));
  try {
    CreateControls(dpi);
  } catch (...) {
    CloseSilently();  // no half-built window stays loaded
    throw;
  }
  events_->Form_Load();
}

void Win32Form::CreateControls(int dpi) {
  RECT client{};
  ::GetClientRect(window_.get(), &client);
  int id = kFirstControlId;
  for (const ControlDesign& c : design_.controls) {
    const int this_id = id++;
    by_id_.push_back(nullptr);
    const KindTraits& kind = TraitsOf(c.kind);
    if (kind.window_class == nullptr) {
      // Never seen and never focused: an object without a window.
      browsers_.emplace_back(c.name, runtime_.NewBrowser());
      continue;
    }
    RECT px{TwipsToPixels(c.left, dpi), TwipsToPixels(c.top, dpi), TwipsToPixels(c.left + c.width, dpi),
            TwipsToPixels(c.top + c.height, dpi)};
    if (c.settings.dock == Dock::Bottom) {
      const int h =
          TwipsToPixels(design_.client_height, dpi) - TwipsToPixels(design_.client_height - c.height, dpi);
      px = RECT{0, client.bottom - h, client.right, client.bottom};
    }
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | kind.style;
    if (kind.switch_on != nullptr && c.settings.*kind.switch_on) {
      style |= kind.switched_style;
    }
    const std::wstring caption(c.caption);
    HWND h = ::CreateWindowExW(
        kind.ex_style, kind.window_class, caption.c_str(), style, px.left, px.top, px.right - px.left,
        px.bottom - px.top, window_.get(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(this_id)),  // NOLINT(performance-no-int-to-ptr)
        Module(), nullptr);
    if (h == nullptr) {
      throw Failure("CreateWindowEx failed for a control", ::GetLastError());
    }
    HFONT font = default_font_.get();
    if (c.settings.font != nullptr) {
      const LOGFONTW lf = DesignFont(*c.settings.font, dpi);
      own_fonts_.emplace_back(::CreateFontIndirectW(&lf));
      font = own_fonts_.back().get();
    }
    ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    controls_.push_back(kind.make(c, h, focus_, *events_));
    by_id_.back() = controls_.back().get();
  }
  ArrangeTabOrder();
}

void Win32Form::ArrangeTabOrder() {
  // The dialog manager moves the focus in z-order, so z-order is tab order.
  // Ties keep the design's order: the position is the last key.
  struct Place {
    int layer;
    int tab_index;
    std::size_t position;
    const ChildControl* control;
  };
  std::vector<Place> order;
  order.reserve(controls_.size());
  for (const auto& c : controls_) {
    order.push_back({TraitsOf(c->Design().kind).layer, c->Design().tab_index, order.size(), c.get()});
  }
  std::ranges::sort(order, [](const Place& a, const Place& b) {
    return std::tie(a.layer, a.tab_index, a.position) < std::tie(b.layer, b.tab_index, b.position);
  });
  HWND after = HWND_TOP;
  for (const Place& p : order) {
    ::SetWindowPos(p.control->Window(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = p.control->Window();
  }
}

void Win32Form::Show() {
  HWND over = ::GetActiveWindow();  // the window the user worked in
  Load();
  HWND w = window_.get();
  if (::IsWindowVisible(w) == FALSE) {
    Place(over);
    ::ShowWindow(w, SW_SHOW);
  }
  ::SetForegroundWindow(w);
  if (::GetActiveWindow() == w && (::GetFocus() == nullptr || ::GetFocus() == w)) {
    RestoreFocus();
  }
}

void Win32Form::Place(HWND over) const {
  HWND w = window_.get();
  RECT mine{};
  ::GetWindowRect(w, &mine);
  // Over the program's window the user worked in, on that window's monitor;
  // otherwise in the middle of the work area of the monitor that holds it.
  const bool over_owner = design_.start_up == StartUp::CenterOwner && over != nullptr && over != w &&
                          runtime_.FindByWindow(over) != nullptr;
  const RECT work = WorkAreaOf(over_owner ? over : w);
  RECT area = work;
  if (over_owner) {
    ::GetWindowRect(over, &area);
  }
  const POINT at = CentredInside(area, SIZE{mine.right - mine.left, mine.bottom - mine.top}, work);
  ::SetWindowPos(w, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Form::Unload() {
  if (!window_ || unloading_) {
    return;
  }
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{unloading_};
  unloading_ = true;
  events_->Form_Unload();  // a failure here leaves the window loaded
  if (::GetActiveWindow() == window_.get()) {
    // Hand the activation to the program's other window, not another program's.
    if (HWND next = runtime_.OtherActivatable(this)) {
      ::SetForegroundWindow(next);
    }
  }
  CloseSilently();
}

void Win32Form::CloseSilently() {
  // The window goes first and takes its controls with it. Destroying the
  // focused control moves the focus to the window, whose procedure then walks
  // the table: with window_ already empty it treats the window as none of ours.
  UniqueWindow closing = std::move(window_);
  closing.reset();
  by_id_.clear();
  controls_.clear();
  browsers_.clear();
  focus_ = FocusMemory{};
  own_fonts_.clear();  // after every window that drew with them
  default_font_.reset();
}

ChildControl* Win32Form::Find(std::wstring_view name) const {
  for (const auto& c : controls_) {
    if (c->Design().name == name) {
      return c.get();
    }
  }
  return nullptr;
}

ChildControl* Win32Form::FindById(int id) const {
  const int index = id - kFirstControlId;
  if (index < 0 || static_cast<std::size_t>(index) >= by_id_.size()) {
    return nullptr;
  }
  return by_id_[static_cast<std::size_t>(index)];
}

HWND Win32Form::ControlWindow(std::wstring_view name) const {
  const ChildControl* c = Find(name);
  return c != nullptr ? c->Window() : nullptr;
}

TextBox& Win32Form::TextBoxNamed(std::wstring_view name) {
  auto* box = dynamic_cast<TextBox*>(Find(name));
  if (box == nullptr) {
    throw Failure("Text box not found");
  }
  return *box;
}

Control& Win32Form::ControlNamed(std::wstring_view name) {
  ChildControl* c = Find(name);
  if (c == nullptr) {
    throw Failure("Control not found");
  }
  return c->AsControl();
}

void Win32Form::ShowHeldBackProgress(bool when_due) const {
  for (const auto& c : controls_) {
    if (auto* bar = dynamic_cast<ProgressControl*>(c.get())) {
      bar->ShowHeldBack(when_due);
    }
  }
}

ProgressBar& Win32Form::ProgressBarNamed(std::wstring_view name) {
  auto* bar = dynamic_cast<ProgressControl*>(Find(name));
  if (bar == nullptr) {
    throw Failure("Progress bar not found");
  }
  return *bar;
}

WebBrowser& Win32Form::WebBrowserNamed(std::wstring_view name) {
  for (auto& [n, browser] : browsers_) {
    if (n == name && browser) {
      return *browser;
    }
  }
  throw Failure("Browser control not found");
}

int Win32Form::DefaultId() const {
  // Enter presses the focused button, otherwise the stored default button.
  HWND focus = ::GetFocus();
  int fallback = 0;
  for (std::size_t i = 0; i < by_id_.size(); ++i) {
    const ChildControl* c = by_id_[i];
    if (c == nullptr || c->Design().kind != Kind::CommandButton) {
      continue;
    }
    const int id = kFirstControlId + static_cast<int>(i);
    if (focus != nullptr && c->Window() == focus) {
      return id;
    }
    if (c->Design().settings.default_button) {
      fallback = id;
    }
  }
  return fallback;
}

HWND Win32Form::FirstTabStop() const {
  const ChildControl* best = nullptr;
  for (const auto& c : controls_) {
    if (TraitsOf(c->Design().kind).takes_focus && ::IsWindowEnabled(c->Window()) != FALSE &&
        (best == nullptr || c->Design().tab_index < best->Design().tab_index)) {
      best = c.get();
    }
  }
  return best != nullptr ? best->Window() : nullptr;
}

void Win32Form::RestoreFocus() {
  HWND w = window_.get();
  if (w == nullptr || ::IsWindowEnabled(w) == FALSE) {
    return;
  }
  HWND target = focus_.control;
  if (target == nullptr || ::IsChild(w, target) == FALSE || ::IsWindowEnabled(target) == FALSE) {
    target = FirstTabStop();
  }
  if (target != nullptr) {
    ::SetFocus(target);
  }
}

void Win32Form::MarkDefaultButton(HWND focus) {
  const ChildControl* focused = nullptr;
  for (const auto& c : controls_) {
    if (c->Window() == focus && c->Design().kind == Kind::CommandButton) {
      focused = c.get();
    }
  }
  for (const auto& c : controls_) {
    if (c->Design().kind != Kind::CommandButton) {
      continue;
    }
    const bool is_default = focused != nullptr ? c.get() == focused : c->Design().settings.default_button;
    const auto style = static_cast<DWORD>(::GetWindowLongW(c->Window(), GWL_STYLE));
    const DWORD type = is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if ((style & BS_TYPEMASK) != type) {
      ::SendMessageW(c->Window(), BM_SETSTYLE, (style & ~static_cast<DWORD>(BS_TYPEMASK)) | type, TRUE);
    }
  }
}

void Win32Form::OnCommand(WPARAM wparam) {
  const ChildControl* c = FindById(LOWORD(wparam));
  if (c == nullptr) {
    return;  // IDCANCEL from Esc among them: there is no cancel button
  }
  const WORD code = HIWORD(wparam);
  if (const auto* button = dynamic_cast<const ButtonControl*>(c)) {
    if (code == BN_CLICKED && ::IsWindowEnabled(c->Window()) != FALSE && button->Click()) {
      const Handler click = button->Click();  // the button may go with the window
      runtime_.Dispatch(click);
    } else if (code == BN_SETFOCUS) {
      MarkDefaultButton(c->Window());
    }
  } else if (c->Design().kind == Kind::TextBox && code == EN_SETFOCUS) {
    MarkDefaultButton(c->Window());
  }
}

LRESULT CALLBACK Win32Form::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);  // NOLINT(performance-no-int-to-ptr)
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32Form*>(  // NOLINT(performance-no-int-to-ptr): set at WM_NCCREATE
      ::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  }
  if (self == nullptr || self->window_.get() != window) {
    return ::DefWindowProcW(window, message, wparam, lparam);
  }
  return self->Handle(message, wparam, lparam);
}

LRESULT Win32Form::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  HWND w = window_.get();
  switch (message) {
    case WM_COMMAND:
      OnCommand(wparam);
      return 0;
    case DM_GETDEFID: {
      // A plain window doesn't answer this itself; the dialog manager asks.
      const int id = DefaultId();
      return id != 0 ? MAKELRESULT(id, DC_HASDEFID) : 0;
    }
    case WM_CLOSE:
      runtime_.Dispatch([this] { Unload(); });
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus != nullptr && ::IsChild(w, focus) != FALSE) {
          focus_.control = focus;
        }
      } else {
        RestoreFocus();
      }
      return 0;
    case WM_SETFOCUS:
      if (!focus_.parking) {
        RestoreFocus();
      }
      return 0;
    default:
      return ::DefWindowProcW(w, message, wparam, lparam);
  }
}

}  // namespace brim::platform::win32
