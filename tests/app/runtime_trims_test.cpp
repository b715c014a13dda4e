// The shipped exes' own throw helpers stand in for the C++ runtime's: a
// container's failure must still reach a catch of std::exception, with a
// text. No test framework here: it would bring the runtime's helpers back.
#include <array>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Case {
  const char* name;
  void (*fail)();
};

const std::array<Case, 4> kCases = {{
    {"index past the end", [] { std::printf("%d\n", std::vector<int>(3).at(3)); }},
    {"string longer than it can be", [] { std::wstring().reserve(std::wstring().max_size() + 1); }},
    {"vector longer than it can be",
     [] { std::vector<double>().reserve(std::vector<double>().max_size() + 1); }},
    {"array of a negative length",
     [] {
       volatile int length = -1;
       const std::unique_ptr<int[]> array(new int[length]);  // NOLINT(modernize-avoid-c-arrays)
     }},
}};

}  // namespace

int main() {
  int failed = 0;
  for (const Case& c : kCases) {
    const char* what = nullptr;
    try {
      c.fail();
    } catch (const std::exception& e) {
      what = e.what();
    }
    const bool ok = what != nullptr && *what != '\0';
    std::printf("%s: %s (%s)\n", ok ? "ok" : "FAILED", c.name, what != nullptr ? what : "nothing caught");
    failed += ok ? 0 : 1;
  }
  return failed == 0 ? 0 : 1;
}
