#!/usr/bin/env bash
# Runs a test of the 32-bit build, or skips it (exit 77) where 32-bit
# programs can't run on this machine (see wine-env.sh).
set -uo pipefail
here=$(dirname "$(readlink -f "$0")")
. "$here/wine-env.sh"
if ! brim_can_run_win32; then
  echo "skipped: a test of the 32-bit build, and $(brim_win32_reason)"
  exit "$BRIM_SKIP_CODE"
fi
exec "$@"
