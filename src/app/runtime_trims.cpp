// GCC's C++ runtime ends an uncaught exception through a handler that prints
// the exception's demangled type on stderr; the demangler and the printf
// family it drags in were a sixth of the 32-bit exe. Nobody reads that line
// (the window has no console, and the console companion reports every
// failure itself), so this one only ends the program, as the standard's
// default does. Other compilers' runtimes keep their own.
#include <cstdlib>

#ifdef __GLIBCXX__
// The runtime's own hook, replaced by its reserved name.
#ifdef __clang__
#pragma clang diagnostic ignored "-Wreserved-identifier"
#endif
namespace __gnu_cxx {  // NOLINT(cert-dcl58-cpp)
[[noreturn]] void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
#endif
