# How this machine runs Windows programs: the one place that knows. Sourced by
# every script that starts Wine; `cmake/brim-wine` wraps it for Python and make.
#
# Some of our machines' kernels refuse 32-bit programs, so the 32-bit loader is
# tried rather than assumed. BRIM_NO_WIN32=1 forces the answer to "no".
# /usr/bin/wine always picks the 32-bit loader when it is installed, so the
# loaders are called directly, with WINELOADER naming the one in use.

export WINEDEBUG="${BRIM_WINEDEBUG:--all}"
# No Mono or Gecko prompts, and no desktop entries from throwaway prefixes.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"

# The same as a command that execs the loader (for programs run in the background).
BRIM_WINE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/brim-wine"
BRIM_WINE32_LOADER=/usr/lib/wine/wine
BRIM_WINE64_LOADER=/usr/lib/wine/wine64
# What a test prints and returns when it can't run here; CTest shows it as skipped.
BRIM_SKIP_CODE=77

# Succeeds when 32-bit Windows programs can run on this machine.
brim_can_run_win32() {
  [ "${BRIM_NO_WIN32:-}" != 1 ] && "$BRIM_WINE32_LOADER" --version >/dev/null 2>&1
}

# Why 32-bit programs don't run here, in one line.
brim_win32_reason() {
  if [ "${BRIM_NO_WIN32:-}" = 1 ]; then
    echo "BRIM_NO_WIN32=1 is set"
  elif [ ! -x "$BRIM_WINE32_LOADER" ]; then
    echo "$BRIM_WINE32_LOADER is not installed"
  else
    echo "this machine's kernel refuses 32-bit programs ($BRIM_WINE32_LOADER: Exec format error)"
  fi
}

# Prints 32 or 64: the architecture of a PE file (64 for anything else, such
# as Wine's own programs named without a path).
brim_pe_bits() {
  local offset machine
  if [ -f "$1" ] && offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null) && [ -n "${offset// /}" ]; then
    machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
    if [ "$machine" = 014c ]; then
      echo 32
      return
    fi
  fi
  echo 64
}

# Prints the loader that PROGRAM's architecture needs. Built-in programs
# (wineboot, reg, cscript, ...) run 64-bit, which every machine can. For a
# 32-bit program on a machine that can't run one, says so and returns
# BRIM_SKIP_CODE.
brim_wine_loader() {
  if [ "$(brim_pe_bits "$1")" = 32 ]; then
    if ! brim_can_run_win32; then
      echo "skipped: $(basename "$1") is a 32-bit program, and $(brim_win32_reason)" >&2
      return "$BRIM_SKIP_CODE"
    fi
    echo "$BRIM_WINE32_LOADER"
  else
    echo "$BRIM_WINE64_LOADER"
  fi
}

# Runs PROGRAM [ARGS...] under the loader it needs. In the background, use
# "$BRIM_WINE" instead, so that $! is the program's own process.
brim_wine() {
  local loader
  loader=$(brim_wine_loader "$1") || return
  WINELOADER="$loader" "$loader" "$@"
}

# Prints the build folder of the exe that this machine should run, under
# ROOT/build: the 32-bit product where it can, else the 64-bit one; says which
# and why on stderr, in one line.
brim_runnable_build() {
  if brim_can_run_win32; then
    echo "the 32-bit exe, the product, as this machine runs 32-bit programs" >&2
    echo "$1/build/windows"
  else
    echo "the 64-bit exe, as $(brim_win32_reason)" >&2
    echo "$1/build/windows64"
  fi
}
