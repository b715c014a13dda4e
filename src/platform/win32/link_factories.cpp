#include "platform/win32/factories.h"

namespace brim::platform::win32 {
namespace {
class NoShell : public Shell {
 public:
  void Execute(NativeWindow /*owner*/, std::wstring_view /*operation*/, std::wstring_view /*file*/,
               std::wstring_view /*parameters*/, std::wstring_view /*directory*/, int /*show*/) override {}
};
class NoBrowser : public WebBrowser {
 public:
  void Navigate(std::wstring_view /*url*/) override {}
};
}  // namespace

std::unique_ptr<Shell> MakeShell() { return std::make_unique<NoShell>(); }
std::unique_ptr<WebBrowser> MakeWebBrowser(Shell& /*shell*/) { return std::make_unique<NoBrowser>(); }

}  // namespace brim::platform::win32
