// Linked into the test-only builds of the script-driven tools: puts the
// Windows-like layer in front of the NT table before main, as the
// environment (BRIM_WINDOWS_LIKE) asks.
#include "removal/windows_like/windows_like.h"

namespace {

const bool g_installed = [] {
  brim::testing::windows_like::InstallFromEnvironment();
  return true;
}();

}  // namespace
