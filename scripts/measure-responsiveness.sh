#!/usr/bin/env bash
# During a cleanup run over about 60,000 files, another process sends the main
# window WM_NULL again and again; prints the worst reply time (goal: 250 ms).
# Usage: scripts/measure-responsiveness.sh [file count]   (after the Windows build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/private-wine.sh"
build=${BRIM_BUILD_DIR:-$(brim_runnable_build "$root")}
exe="$build/src/app/Brimsweep 1.8.exe"
probe="$build/bench/responsiveness_probe.exe"
count=${1:-60000}
[ -f "$exe" ] && [ -f "$probe" ] || { echo "measure: build the preset of $build first" >&2; exit 1; }
wine_prefix "$build/measure-prefix"
brim_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
wineserver -w

# Drive H: holds the files in the first row's folder, 1000 to a subfolder.
drive="$build/measure-drive"
chmod -R u+w "$drive" 2>/dev/null || true
rm -rf "$drive"
target="$drive/WINDOWS/Offline Web Pages"
python3 - "$target" "$count" <<'PY'
import os, sys
root, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    d = os.path.join(root, "d%03d" % (i // 1000))
    if i % 1000 == 0:
        os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "f%05d.tmp" % i), "w") as f:
        f.write("x")
PY
ln -sfn "$drive" "$WINEPREFIX/dosdevices/h:"

private_x

"$BRIM_WINE" "$exe" >/dev/null 2>&1 &
status=0
brim_wine "$probe" H || status=$?
left=$(find "$drive" -type f | wc -l)
echo "files: $count made, $left left after the run"
exit "$status"
