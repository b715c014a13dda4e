#!/usr/bin/env bash
# clang-format (check only) and clang-tidy over every C++ source of the repo.
# clang-tidy reads the windows64 build's compile commands, so it sees every
# file as the 64-bit build compiles it; the MinGW C++ headers are passed in.
# Usage: scripts/lint.sh   (quiet when clean; exit 1 on any finding)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=build/windows64
mapfile -t sources < <(git ls-files '*.cpp' '*.h')

clang-format --dry-run --Werror "${sources[@]}"

cmake --preset windows64 >/dev/null
args=(--quiet -p "$build" --warnings-as-errors='*' --extra-arg=--target=x86_64-w64-mingw32)
while read -r dir; do
  args+=("--extra-arg=-isystem$dir")
done < <(echo | x86_64-w64-mingw32-g++-posix -xc++ -E -v - 2>&1 |
  sed -n '/#include <...> search starts here/,/End of search/p' | sed -n 's/^ \(\/.*\)/\1/p' | grep -v -E '/include(-fixed)?$')

# Headers are checked through the files that include them (HeaderFilterRegex).
mapfile -t units < <(printf '%s\n' "${sources[@]}" | grep '\.cpp$')
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! printf '%s\n' "${units[@]}" | xargs -P 2 -n 4 clang-tidy "${args[@]}" >"$log" 2>&1; then
  grep -E 'warning:|error:' "$log" | sort -u >&2 || cat "$log" >&2
  echo "lint: clang-tidy found the above" >&2
  exit 1
fi
echo "lint: clang-format and clang-tidy quiet on ${#sources[@]} files"
