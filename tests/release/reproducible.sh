#!/usr/bin/env bash
# Two clean builds of the product from the same sources must be byte-identical.
# Usage: reproducible.sh SOURCE_DIR WORK_DIR [TOOLCHAIN_FILE]
set -euo pipefail
src=$1
work=$2
toolchain=${3:-$src/cmake/toolchain-mingw-i686.cmake}
rm -rf "$work"
for side in a b; do
  cmake -S "$src" -B "$work/$side" --toolchain "$toolchain" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$work/$side" --target brimsweep -j2 >/dev/null
done
exe="src/app/Brimsweep 1.8.exe"
if cmp "$work/a/$exe" "$work/b/$exe"; then
  echo "reproducible: $(sha256sum "$work/a/$exe" | cut -d' ' -f1)"
  rm -rf "$work"
else
  echo "reproducible: the two builds differ" >&2
  exit 1
fi
