#!/usr/bin/env bash
# clang-format (check only) and clang-tidy over every C++ source of the repo.
# clang-tidy reads the windows64 build's compile commands, so it sees every
# file as the 64-bit build compiles it; the MinGW C++ headers are passed in.
# Usage: scripts/lint.sh   (quiet when clean; exit 1 on any finding)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=build/windows64
# clang-tidy 22 leaves system headers out of its matching: twice as fast
# under windows.h as Debian's default 14.
tidy=${BRIM_CLANG_TIDY:-clang-tidy-22}
mapfile -t sources < <(git ls-files '*.cpp' '*.h')

clang-format --dry-run --Werror "${sources[@]}"

# Platform-free files are checked as the host build compiles them (no
# windows.h to parse: much faster); the rest as the 64-bit build does. The
# path-sensitive analyzer is slow under windows.h: BRIM_LINT_DEEP=1 adds it.
cmake --preset host >/dev/null
cmake --preset windows64 >/dev/null
# bugprone-reserved-identifier is replaced by the compiler's own warning: the
# check wrote some 26,000 findings inside windows.h per file only to drop them
# (a fifth of the time), the warning skips system headers at no cost.
checks=-bugprone-reserved-identifier
if [[ "${BRIM_LINT_DEEP:-0}" != 1 ]]; then
  checks+=,-clang-analyzer-*
fi
common=(--quiet --warnings-as-errors='*' "--checks=$checks" --extra-arg=-Wreserved-identifier
  --extra-arg=-Werror=reserved-identifier)
win_args=("${common[@]}" -p build/windows64 --extra-arg=--target=x86_64-w64-mingw32)
while read -r dir; do
  win_args+=("--extra-arg=-isystem$dir")
done < <(echo | x86_64-w64-mingw32-g++-posix -xc++ -E -v - 2>&1 |
  sed -n '/#include <...> search starts here/,/End of search/p' | sed -n 's/^ \(\/.*\)/\1/p' | grep -v -E '/include(-fixed)?$')

# Headers are checked through the files that include them (HeaderFilterRegex).
mapfile -t host_units < <(python3 -c '
import json, os, sys
root = sys.argv[1]
for e in json.load(open(os.path.join(root, "build/host/compile_commands.json"))):
    f = os.path.relpath(e["file"], root)
    if not f.startswith(".."):
        print(f)' "$root" | sort -u)
mapfile -t win_units < <(printf '%s\n' "${sources[@]}" | grep '\.cpp$' | grep -v -x -F -f <(printf '%s\n' "${host_units[@]}"))
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# One queue for both kinds, the slowest (tests, then the Win32 files) first,
# so that neither core idles at the end.
tidy_one() {
  case "$1" in
    host:*) "$tidy" "${common[@]}" -p build/host "${1#host:}" ;;
    win:*) "$tidy" "${win_args[@]}" "${1#win:}" ;;
  esac
}
status=0
{
  {
    printf 'win:%s\n' "${win_units[@]}" | sort -t: -k2 | grep '^win:tests/' || true
    printf 'host:%s\n' "${host_units[@]}" | grep '^host:tests/' || true
    printf 'win:%s\n' "${win_units[@]}" | grep -v '^win:tests/' || true
    printf 'host:%s\n' "${host_units[@]}" | grep -v '^host:tests/' || true
  } | while read -r unit; do printf '%s\0' "$unit"; done |
    xargs -0 -P 2 -n 1 bash -c "$(declare -p common win_args tidy); $(declare -f tidy_one); tidy_one \"\$0\"" || status=1
} >"$log" 2>&1
if [[ $status != 0 ]]; then
  grep -E 'warning:|error:' "$log" | sort -u >&2 || cat "$log" >&2
  echo "lint: clang-tidy found the above" >&2
  exit 1
fi
echo "lint: clang-format and clang-tidy quiet on ${#sources[@]} files (${#host_units[@]} as the host build compiles them)"
