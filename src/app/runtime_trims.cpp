// Two hooks of GCC's C++ runtime, replaced by their reserved names so the
// exe leaves out what the runtime's own versions drag in. Other compilers'
// runtimes keep their own.
//
// The handler that ends an uncaught exception prints the exception's
// demangled type on stderr; the demangler and the printf family it drags in
// were a sixth of the 32-bit exe. Nobody reads that line (the window has no
// console, and the console companion reports every failure itself), so this
// one only ends the program, as the standard's default does.
//
// The containers' throw helpers build std::length_error and its kin, which
// keep their text in the runtime's old string: that string, and the random
// device that shares its object file, were a quarter of the 32-bit exe.
// These throw the same kinds of failure (std::bad_alloc and
// std::bad_array_new_length as before, a std::exception with the runtime's
// text for the rest), and every catch in the program takes std::exception.
#include <cstdlib>
#include <exception>
#include <new>

#ifdef __GLIBCXX__
#ifdef __clang__
#pragma clang diagnostic ignored "-Wreserved-identifier"
#endif
namespace __gnu_cxx {  // NOLINT(cert-dcl58-cpp)
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace {
// A container asked for more than it can hold, or an index past its end.
class ContainerLimit final : public std::exception {
 public:
  explicit ContainerLimit(const char* what) noexcept : what_(what) {}
  [[nodiscard]] const char* what() const noexcept override { return what_; }

 private:
  const char* what_;
};
}  // namespace

// The runtime's own declarations, defined here in its place.
// NOLINTBEGIN(cert-dcl58-cpp,bugprone-std-namespace-modification)
namespace std {
[[noreturn]] void __throw_bad_alloc() { throw bad_alloc(); }
[[noreturn]] void __throw_bad_array_new_length() { throw bad_array_new_length(); }
[[noreturn]] void __throw_length_error(const char* what) { throw ContainerLimit(what); }
[[noreturn]] void __throw_logic_error(const char* what) { throw ContainerLimit(what); }
// The format's arguments are left out: the text names the container call.
// NOLINTNEXTLINE(modernize-avoid-variadic-functions): the runtime's signature
[[noreturn]] void __throw_out_of_range_fmt(const char* format, ...) { throw ContainerLimit(format); }
}  // namespace std
// NOLINTEND(cert-dcl58-cpp,bugprone-std-namespace-modification)
#endif
