// A bare main window and About window wired to the real link handlers and the
// real Win32 shell, so about_driver and press_about_links.sh can be proven
// before the program's own windows exist. Untrapped failures are reported as
// the program's forms runtime reports them.
#include <windows.h>

#include <exception>
#include <memory>
#include <string>

#include "links/outside_links.h"
#include "platform/win32/shell/factories.h"

namespace {

using namespace brim;

constexpr int kAbout = 1;
constexpr int kBlog = 2;
constexpr int kDonate = 3;
constexpr int kEmail = 4;
constexpr int kOk = 5;

HWND g_main = nullptr;

class Box : public platform::MsgBox {
 public:
  int Show(std::wstring_view prompt, unsigned flags) override {
    return ::MessageBoxW(nullptr, std::wstring(prompt).c_str(), L"Brimsweep 1.8", flags);
  }
};

class Window : public platform::HasNativeWindow {
 public:
  HWND hwnd = nullptr;
  [[nodiscard]] platform::NativeWindow hWnd() const override {
    return reinterpret_cast<platform::NativeWindow>(hwnd);
  }
};

struct About {
  Window window;
  std::unique_ptr<platform::Shell> shell = platform::win32::MakeShell();
  std::unique_ptr<platform::WebBrowser> browser = platform::win32::MakeWebBrowser(*shell);
  Box box;
  links::AboutContext context{window, *shell, *browser, box};
};
std::unique_ptr<About> g_about;

// NOLINTBEGIN(performance-no-int-to-ptr): Win32 passes ids and colours as handles
HMENU Id(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }
HBRUSH SystemBrush(int colour) { return reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(colour + 1)); }
// NOLINTEND(performance-no-int-to-ptr)

void Button(HWND parent, const wchar_t* caption, int id, int x) {
  CreateWindowExW(0, L"BUTTON", caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP, x, 94, 58, 25, parent, Id(id),
                  GetModuleHandleW(nullptr), nullptr);
}

LRESULT CALLBACK AboutProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_COMMAND && HIWORD(w) == BN_CLICKED && g_about) {
    try {
      switch (LOWORD(w)) {
        case kBlog:
          links::Blog_Click(g_about->context);
          break;
        case kDonate:
          links::Cmd4_Click(g_about->context);
          break;
        case kEmail:
          links::Cmd2_Click(g_about->context);
          break;
        case kOk:
          DestroyWindow(window);
          break;
        default:
          break;
      }
    } catch (const std::exception& failure) {
      const std::string what = failure.what();
      const std::wstring prompt = L"Run-time error: " + std::wstring(what.begin(), what.end());
      MessageBoxW(nullptr, prompt.c_str(), L"Brimsweep 1.8", MB_OK | MB_ICONERROR);
    }
    return 0;
  }
  if (message == WM_DESTROY) {
    EnableWindow(g_main, TRUE);
    g_about.reset();
  }
  return DefWindowProcW(window, message, w, l);
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_COMMAND && LOWORD(w) == kAbout && !g_about) {
    g_about = std::make_unique<About>();
    HWND about = CreateWindowExW(WS_EX_TOOLWINDOW, L"BrimStandInAbout", L"About", WS_CAPTION | WS_SYSMENU,
                                 120, 120, 230, 160, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    g_about->window.hwnd = about;
    Button(about, L"Blog", kBlog, 2);
    Button(about, L"Donate", kDonate, 56);
    Button(about, L"Email Me", kEmail, 112);
    Button(about, L"OK", kOk, 168);
    EnableWindow(g_main, FALSE);
    ShowWindow(about, SW_SHOW);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
  }
  return DefWindowProcW(window, message, w, l);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*command_line*/, int /*show*/) {
  WNDCLASSW main_class{};
  main_class.lpfnWndProc = MainProc;
  main_class.hInstance = instance;
  main_class.lpszClassName = L"BrimStandInMain";
  main_class.hbrBackground = SystemBrush(COLOR_BTNFACE);
  RegisterClassW(&main_class);
  WNDCLASSW about_class = main_class;
  about_class.lpfnWndProc = AboutProc;
  about_class.lpszClassName = L"BrimStandInAbout";
  RegisterClassW(&about_class);

  g_main = CreateWindowExW(0, L"BrimStandInMain", L"Brimsweep 1.8", WS_CAPTION | WS_SYSMENU, 100, 100, 320,
                           120, nullptr, nullptr, instance, nullptr);
  CreateWindowExW(0, L"BUTTON", L"About", WS_CHILD | WS_VISIBLE, 216, 28, 89, 23, g_main, Id(kAbout),
                  instance, nullptr);
  ShowWindow(g_main, SW_SHOW);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
