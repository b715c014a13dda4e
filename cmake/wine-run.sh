#!/usr/bin/env bash
# Runs one test program under Wine in the build tree's throwaway prefix
# (through brim-wine: it exits 77, skipped, where a 32-bit program can't run).
# Environment (set by CTest): WINEPREFIX; optionally BRIM_TEST_DRIVE (a letter
# to map to a fresh folder, exported as BRIM_TEST_DRIVE_DIR) and
# BRIM_NEEDS_DISPLAY (use the run's private X server); BRIM_WINE_ERRORS_FAIL=1
# fails the run on any "err:" line that Wine logs.
set -euo pipefail
: "${WINEPREFIX:?}"
here=$(dirname "$(readlink -f "$0")")
. "$here/wine-env.sh"
# Skipped before anything is set up where the program can't run.
brim_wine_loader "$1" >/dev/null || exit

if [ -n "${BRIM_TEST_DRIVE:-}" ]; then
  letter=$(printf '%s' "$BRIM_TEST_DRIVE" | tr 'A-Z' 'a-z')
  dir="$(dirname "$WINEPREFIX")/testdrives/$letter"
  chmod -R u+w "$dir" 2>/dev/null || true
  rm -rf "$dir"
  mkdir -p "$dir"
  ln -sfn "$dir" "$WINEPREFIX/dosdevices/$letter:"
  export BRIM_TEST_DRIVE_DIR="$dir"
fi
if [ -n "${BRIM_NEEDS_DISPLAY:-}" ]; then
  display_file="$(dirname "$WINEPREFIX")/xvfb.display"
  [ -s "$display_file" ] || { echo "wine-run: no X server (xvfb fixture did not run)" >&2; exit 1; }
  export DISPLAY=":$(cat "$display_file")"
else
  unset DISPLAY
fi
brim_wine="$here/brim-wine"
if [ "${BRIM_WINE_ERRORS_FAIL:-}" != 1 ]; then
  exec "$brim_wine" "$@"
fi
# A fault that Wine swallows (a window callback touching freed memory, under
# heap poisoning) shows only as an "err:" line in its log: that fails the test.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
code=0
"$brim_wine" "$@" 2>"$log" || code=$?
cat "$log" >&2
if [ "$code" -ne 77 ] && grep -qE '(^|:)err:' "$log"; then
  echo "wine-run: Wine logged errors (WINEDEBUG=$BRIM_WINEDEBUG); failing" >&2
  exit 1
fi
exit "$code"
