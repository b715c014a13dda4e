#!/usr/bin/env bash
# Two clean builds of the product and its console companion from the same
# sources must be byte-identical.
# Usage: reproducible.sh SOURCE_DIR WORK_DIR [TOOLCHAIN_FILE]
set -euo pipefail
src=$1
work=$2
toolchain=${3:-$src/cmake/toolchain-mingw-i686.cmake}
rm -rf "$work"
for side in a b; do
  cmake -S "$src" -B "$work/$side" --toolchain "$toolchain" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$work/$side" --target brimsweep brimsweep_cli -j2 >/dev/null
done
for exe in "src/app/Brimsweep 1.8.exe" src/app/brimsweep-cli.exe; do
  if cmp "$work/a/$exe" "$work/b/$exe"; then
    echo "reproducible: $(sha256sum "$work/a/$exe" | cut -d' ' -f1) $(basename "$exe")"
  else
    echo "reproducible: the two builds of $(basename "$exe") differ" >&2
    exit 1
  fi
done
rm -rf "$work"
