// Starts the program and watches it from outside, the way a person sees the
// screen: which windows are up, what they say, where the focus is, how far
// the bar has gone. It can also deliver keys as posted keyboard messages.
//
// Usage: e2e_spy.exe PROGRAM.exe
// Reads one command per line on stdin and answers with one line on stdout
// (see Answer below). UTF-8 out; tabs and line breaks in texts are escaped.
#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>

#include "platform/win32/text.h"
#include "process_memory.h"
#include "window_finder.h"

namespace {

using brim::windows::ClassOf;

const brim::windows::StartedProgram* program = nullptr;

// A question to a window that a hung program can't make us wait on for long.
LRESULT Ask(HWND w, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
  DWORD_PTR result = 0;
  if (::SendMessageTimeoutW(w, message, wparam, lparam, SMTO_NORMAL, 2000, &result) == 0) {
    return -1;
  }
  return static_cast<LRESULT>(result);
}

std::wstring TextOf(HWND w) { return brim::windows::TextOf(w, 2000); }

std::string Utf8(const std::wstring& text) {
  std::wstring escaped;
  for (const wchar_t c : text) {
    if (c == L'\n') {
      escaped += L"\\n";
    } else if (c == L'\r') {
      escaped += L"\\r";
    } else if (c == L'\t') {
      escaped += L"\\t";
    } else if (c == L'\\') {
      escaped += L"\\\\";
    } else {
      escaped += c;
    }
  }
  return brim::platform::win32::NarrowUtf8(escaped);
}

// A visible top-level window of the program, by class.
HWND TopLevel(const std::wstring& cls) { return brim::windows::VisibleTopLevelOfClass(program->Id(), cls); }

template <typename F>
auto WaitFor(F&& probe, int ms, int step_ms = 20) {
  return brim::windows::WaitFor(std::forward<F>(probe), std::chrono::milliseconds(ms),
                                std::chrono::milliseconds(step_ms));
}

HWND Main() { return TopLevel(L"Brimsweep_S"); }

// A control of the main window by class and caption; the drive box is the
// edit control limited to one character.
HWND Control(const std::wstring& name) {
  HWND main = Main();
  if (main == nullptr) {
    return nullptr;
  }
  return brim::windows::Child(main, [&](HWND c) {
    const std::wstring cls = ClassOf(c);
    const bool edit = cls == L"Edit";
    const bool drive = edit && Ask(c, EM_GETLIMITTEXT) == 1;
    return (name == L"D" && drive) || (name == L"U" && edit && !drive) ||
           (name == L"PrB" && cls == L"msctls_progress32") || (cls == L"Button" && TextOf(c) == name);
  });
}

HWND Focus() {
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  return ::GetGUIThreadInfo(program->ThreadId(), &gui) != FALSE ? gui.hwndFocus : nullptr;
}

// The focused control as a person would name it: "D", "U", a button's caption.
std::wstring FocusName() {
  HWND f = Focus();
  if (f == nullptr) {
    return L"(none)";
  }
  if (f == Control(L"D")) {
    return L"D";
  }
  if (f == Control(L"U")) {
    return L"U";
  }
  const std::wstring root = ClassOf(::GetAncestor(f, GA_ROOT));
  return root + L":" + TextOf(f);
}

// The X11 window behind a top-level window, for screenshots.
unsigned long XWindow(HWND w) {
  return static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(::GetPropW(w, L"__wine_x11_whole_window")));
}

std::string Describe(HWND w) {
  RECT r{};
  ::GetWindowRect(w, &r);
  std::ostringstream out;
  out << "hwnd=" << reinterpret_cast<ULONG_PTR>(w) << "\txid=" << XWindow(w) << "\trect=" << r.left << ","
      << r.top << "," << (r.right - r.left) << "," << (r.bottom - r.top) << "\ttitle=" << Utf8(TextOf(w));
  return out.str();
}

std::string State() {
  std::ostringstream out;
  HWND main = Main();
  if (main == nullptr) {
    return "none";
  }
  out << "D=" << Utf8(TextOf(Control(L"D"))) << "\tU=" << Utf8(TextOf(Control(L"U")))
      << "\tbar=" << Ask(Control(L"PrB"), PBM_GETPOS)
      << "\tmain_enabled=" << (::IsWindowEnabled(main) != FALSE ? 1 : 0) << "\tenabled=";
  for (const wchar_t* name : {L"Cleanup", L"About", L"Exit Program", L"D", L"U"}) {
    out << (::IsWindowEnabled(Control(name)) != FALSE ? 1 : 0);
  }
  out << "\tfocus=" << Utf8(FocusName());
  return out.str();
}

// The program's working set and its peak, in bytes ("0" each where the
// system can't tell).
std::string Memory() {
  PROCESS_MEMORY_COUNTERS counters{};
  if (!brim::windows::MemoryCounters(program->Process(), counters)) {
    return "peak_ws=0\tws=0";
  }
  return "peak_ws=" + std::to_string(counters.PeakWorkingSetSize) +
         "\tws=" + std::to_string(counters.WorkingSetSize);
}

void Post(UINT message, WPARAM wparam, LPARAM lparam) { ::PostMessageW(Focus(), message, wparam, lparam); }

HWND Kind(const std::string& kind) { return TopLevel(kind == "about" ? L"Brimsweep_Ab" : L"Brimsweep_S"); }

// A button of a top-level window by its caption.
HWND Button(HWND top, const std::wstring& caption) {
  return brim::windows::Child(top, [&](HWND c) { return ClassOf(c) == L"Button" && TextOf(c) == caption; });
}

// The inverse of Utf8's escapes.
std::wstring Unescaped(const std::wstring& text) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\\' && i + 1 < text.size()) {
      const wchar_t next = text[++i];
      out += next == L'n' ? L'\n' : next == L'r' ? L'\r' : next == L't' ? L'\t' : next;
    } else {
      out += text[i];
    }
  }
  return out;
}

// What a person copies before pasting it into a box.
bool PutOnClipboard(const std::wstring& text) {
  if (::OpenClipboard(nullptr) == FALSE) {
    return false;
  }
  bool put = false;
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (::EmptyClipboard() != FALSE) {
    if (HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes)) {
      if (void* p = ::GlobalLock(memory)) {
        std::memcpy(p, text.c_str(), bytes);
        ::GlobalUnlock(memory);
        put = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
      }
      if (!put) {
        ::GlobalFree(memory);  // the clipboard owns it only once it took it
      }
    }
  }
  ::CloseClipboard();
  return put;
}

// A message box as the "box" command describes it, with its text.
std::string BoxLine(HWND box) { return Describe(box) + "\ttext=" + Utf8(TextOf(::GetDlgItem(box, 0xFFFF))); }

// Keys VK and times until the message box shows, measured here rather than
// by whoever asks (no pipe round trips in the figure). Until the box's
// owner is disabled the poll is one cheap question every millisecond, so
// it neither loads the server a timed run needs nor adds a coarse step.
std::string Timed(int vk, int ms) {
  const HWND main = Main();
  LARGE_INTEGER frequency{};
  LARGE_INTEGER start{};
  LARGE_INTEGER end{};
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&start);
  Post(WM_KEYDOWN, static_cast<WPARAM>(vk), 1);
  Post(WM_KEYUP, static_cast<WPARAM>(vk), static_cast<LPARAM>(0xC0000001U));
  HWND box = WaitFor(
      [&]() -> HWND {
        if (main != nullptr && ::IsWindowEnabled(main)) {  // false too once it is gone
          return nullptr;
        }
        return TopLevel(L"#32770");
      },
      ms, /*step_ms=*/1);
  ::QueryPerformanceCounter(&end);
  if (box == nullptr) {
    return "none";
  }
  const double elapsed =
      static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
  return BoxLine(box) + "\tms=" + std::to_string(elapsed);
}

// Answers one command; see the file comment.
std::string Answer(const std::string& line) {
  std::istringstream in(line);
  std::string command;
  in >> command;
  int ms = 0;
  if (command == "main" || command == "about" || command == "box") {
    in >> ms;
    const std::wstring cls =
        command == "main" ? L"Brimsweep_S" : (command == "about" ? L"Brimsweep_Ab" : L"#32770");
    HWND found = WaitFor([&] { return TopLevel(cls); }, ms);
    if (found == nullptr) {
      return "none";
    }
    if (command != "box") {
      return Describe(found);
    }
    return BoxLine(found) + "\towner_is_main=" + (::GetWindow(found, GW_OWNER) == Main() ? "1" : "0");
  }
  if (command == "gone") {  // gone CLASS MS: waits until no such window is up
    std::string cls;
    in >> cls >> ms;
    return WaitFor([&] { return TopLevel(brim::platform::win32::WidenUtf8(cls)) == nullptr; }, ms) ? "ok"
                                                                                                   : "still";
  }
  if (command == "state") {
    return State();
  }
  if (command == "key") {  // key VK: down and up, to the focused control
    int vk = 0;
    in >> vk;
    Post(WM_KEYDOWN, static_cast<WPARAM>(vk), 1);
    Post(WM_KEYUP, static_cast<WPARAM>(vk), static_cast<LPARAM>(0xC0000001U));
    return "ok";
  }
  if (command == "timed") {  // timed VK MS: key VK, then the box as "box" gives it, and ms= from key to box
    int vk = 0;
    in >> vk >> ms;
    return Timed(vk, ms);
  }
  if (command == "char") {  // char CODE: one typed character
    int code = 0;
    in >> code;
    Post(WM_CHAR, static_cast<WPARAM>(code), 1);
    return "ok";
  }
  if (command == "clip") {  // clip TEXT (escaped as answers are): puts TEXT on the clipboard
    return PutOnClipboard(
               Unescaped(brim::platform::win32::WidenUtf8(line.size() > 5 ? line.substr(5) : std::string())))
               ? "ok"
               : "failed";
  }
  if (command == "length") {  // length D|U: the box's whole text length (state shows only its front)
    std::string name;
    in >> name;
    HWND box = Control(brim::platform::win32::WidenUtf8(name));
    return box != nullptr ? "length=" + std::to_string(Ask(box, WM_GETTEXTLENGTH)) : "none";
  }
  if (command == "press") {  // press main|about CAPTION: the button's click, the focus left where it is
    std::string kind;
    std::string caption;
    in >> kind;
    std::getline(in >> std::ws, caption);
    HWND top = Kind(kind);
    HWND button = top != nullptr ? Button(top, brim::platform::win32::WidenUtf8(caption)) : nullptr;
    if (button == nullptr) {
      return "none";
    }
    ::PostMessageW(top, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
    return "ok";
  }
  if (command == "closebox") {  // closebox main|about: as a click on the title bar's close box
    std::string kind;
    in >> kind;
    HWND top = Kind(kind);
    if (top == nullptr) {
      return "none";
    }
    ::PostMessageW(top, WM_SYSCOMMAND, SC_CLOSE, 0);
    return "ok";
  }
  if (command == "exit") {  // exit MS: waits for the program to end
    in >> ms;
    DWORD code = 0;
    if (!program->WaitExit(static_cast<DWORD>(ms), &code)) {
      return "running";
    }
    return "exit=" + std::to_string(code);
  }
  if (command == "memory") {
    return Memory();
  }
  if (command == "kill") {
    program->Kill(99);
    return "ok";
  }
  return "error=unknown command";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fwprintf(stderr, L"usage: e2e_spy PROGRAM.exe\n");
    return 2;
  }
  // Every answer is flushed: the driver waits for each line on the pipe.
  // Never leaves the program behind.
  const brim::windows::StartedProgram started(argv[1]);
  if (!started.Started()) {
    std::cout << "error=cannot start the program (" << started.StartError() << ")\n" << std::flush;
    return 1;
  }
  program = &started;
  std::cout << "started pid=" << started.Id() << '\n' << std::flush;
  for (std::string line; std::getline(std::cin, line);) {
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    if (line == "quit") {
      break;
    }
    std::cout << Answer(line) << '\n' << std::flush;
  }
  return 0;
}
