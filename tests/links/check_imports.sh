#!/usr/bin/env bash
# The shell is bound by name when a link is first opened: shell32 must not be
# among the static imports of any of the given programs.
set -euo pipefail
status=0
for exe in "$@"; do
  imports=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print $3}')
  if grep -qix 'shell32.dll' <<<"$imports"; then
    echo "$exe imports SHELL32 statically" >&2
    status=1
  fi
done
exit "$status"
