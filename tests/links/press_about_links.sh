#!/usr/bin/env bash
# Starts a program under Wine, presses the About window's three link buttons
# through about_driver.exe, and checks that link_catcher.exe (registered for
# http, https and mailto for the length of the run) receives each exact link.
# Usage: press_about_links.sh PROGRAM.exe [DRIVER_DIR]
#   DRIVER_DIR holds about_driver.exe and link_catcher.exe (default: beside this
#   build's tests/links). Needs WINEPREFIX and an X server (BRIM_NEEDS_DISPLAY
#   with BRIM_BUILD_DIR, as CTest gives it, or DISPLAY).
set -euo pipefail
program=$1
build=${BRIM_BUILD_DIR:?}
tools=${2:-$build/tests/links}
: "${WINEPREFIX:?}"
. "$(dirname "$(readlink -f "$0")")/../../cmake/wine-env.sh"
if [ -n "${BRIM_NEEDS_DISPLAY:-}" ]; then
  export DISPLAY=":$(cat "$build/xvfb.display")"
fi

winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }

work="$build/testdrives/press_about_links"
rm -rf "$work"
mkdir -p "$work"
catch_file="$work/caught.txt"

# Register the catcher, keeping what was there to put back afterwards.
schemes=(http https mailto)
for s in "${schemes[@]}"; do
  brim_wine reg export "HKCR\\$s\\shell\\open\\command" "$(winpath "$work/$s.reg")" /y >/dev/null 2>&1 || true
done
restore() {
  for s in "${schemes[@]}"; do
    if [ -s "$work/$s.reg" ]; then
      brim_wine reg import "$(winpath "$work/$s.reg")" >/dev/null 2>&1 || true
    fi
  done
}
trap restore EXIT
command="\"$(winpath "$tools/link_catcher.exe")\" \"%1\""
for s in "${schemes[@]}"; do
  brim_wine reg add "HKCR\\$s\\shell\\open\\command" /ve /d "$command" /f >/dev/null 2>&1
done

BRIM_LINK_CATCH_FILE="$(winpath "$catch_file")" "$BRIM_WINE" "$program" &
program_pid=$!
status=0
brim_wine "$tools/about_driver.exe" "$(winpath "$catch_file")" || status=$?
# The driver leaves the program running; end the one process started here.
kill "$program_pid" 2>/dev/null || true
wait "$program_pid" 2>/dev/null || true
exit "$status"
