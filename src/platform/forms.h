#pragma once
// The forms runtime as the program sees it: stored designs, windows with their
// events, one instance per window class, and ending the program.

#include <functional>
#include <memory>
#include <span>
#include <string_view>

#include "platform/controls.h"
#include "platform/shell.h"

namespace brim::platform {

inline constexpr std::wstring_view kApplicationTitle = L"Brimsweep 1.8";

// ---- Stored design: data read like a table of controls -------------------

enum class Kind { CommandButton, TextBox, Label, ProgressBar, WebBrowser };
enum class Dock { None, Bottom };
enum class StartUp { CenterScreen, CenterOwner };

struct FontDesign {
  std::wstring_view face;
  int centipoints;  // 975 = 9.75 pt
  int weight;
  bool italic;
  bool underline;
  bool strikeout;
  int charset;
};

// Settings beyond the common columns; only those a kind uses are read.
struct Settings {
  bool default_button = false;
  int max_length = 0;  // text box; 0 = no limit
  Dock dock = Dock::None;
  float min = 0.0F;  // progress bar
  float max = 0.0F;
  bool centred = false;  // label
  const FontDesign* font = nullptr;
};

struct ControlDesign {
  std::wstring_view name;
  Kind kind;
  std::wstring_view caption;
  int left, top, width, height;  // twips, from the client area's top left
  int tab_index;
  Settings settings;
};

struct FormDesign {
  std::wstring_view name;  // the window class, as the program addresses it
  std::wstring_view caption;
  int client_width, client_height;  // twips
  bool in_taskbar;
  StartUp start_up;
  std::span<const ControlDesign> controls;  // in creation order
};

// ---- Windows ---------------------------------------------------------------

using Handler = std::function<void()>;

// The handlers of one window class. Untrapped failures are thrown.
class FormEvents {
 public:
  virtual ~FormEvents() = default;
  virtual void Form_Load() {}
  virtual void Form_Unload() {}
  virtual void Form_Terminate() {}
  // What pressing a command button of the window runs; empty: nothing.
  // Asked once per button when the window is built.
  virtual Handler ClickHandler(std::wstring_view control) = 0;
};

// A window instance. It survives its unloads; Enabled of a window that
// isn't loaded is true and setting it changes nothing (the next load starts
// from the stored design, which never creates a window).
class Form : public Control, public HasNativeWindow {
 public:
  [[nodiscard]] virtual bool Loaded() const = 0;
  // Loads the window (running Form_Load) if it isn't loaded.
  virtual void Load() = 0;
  // Loads if needed, then shows it modeless and without owner.
  virtual void Show() = 0;
  // An open window runs Form_Unload and closes; a closed one stays closed.
  virtual void Unload() = 0;

  // The controls of the loaded window, by name; Failure if not there.
  virtual TextBox& TextBoxNamed(std::wstring_view name) = 0;
  virtual Control& ControlNamed(std::wstring_view name) = 0;
  virtual ProgressBar& ProgressBarNamed(std::wstring_view name) = 0;
  virtual WebBrowser& WebBrowserNamed(std::wstring_view name) = 0;
};

// A window class as the runtime learns it: its design and its handlers.
using MakeEvents = std::function<std::unique_ptr<FormEvents>(Form& self)>;
struct FormClass {
  const FormDesign* design;
  MakeEvents make_events;
};

class Forms {
 public:
  virtual ~Forms() = default;
  // The single instance of a window class, created on first reference.
  virtual Form& Instance(std::wstring_view name) = 0;
  // The instance if one exists; never creates one.
  virtual Form* Existing(std::wstring_view name) = 0;
  // Ends the program at once: no further handler runs, terminate included.
  virtual void End() = 0;
  // The modal message box; its title is the application title.
  virtual MsgBox& Box() = 0;
};

}  // namespace brim::platform
