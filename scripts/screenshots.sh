#!/usr/bin/env bash
# Screenshots of both windows at 96 dpi from a private X server, for the README.
# Usage: scripts/screenshots.sh [output dir]   (after the Windows build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/private-wine.sh"
build=${BRIM_BUILD_DIR:-$(brim_runnable_build "$root")}
exe="$build/src/app/Brimsweep 1.8.exe"
out=${1:-$root/docs}
[ -f "$exe" ] || { echo "screenshots: $exe is missing: build its preset first" >&2; exit 1; }
mkdir -p "$out"

wine_prefix "$build/screenshot-prefix"
# Wine's own Tahoma, MS Sans Serif and Marlett (package fonts-wine), which this
# Wine build doesn't pick up from its data folder by itself.
if [ -d /usr/share/wine/fonts ]; then
  cp -f /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
fi
# Wine draws the window frames itself (there is no window manager).
brim_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
wineserver -w

private_x

"$BRIM_WINE" "$exe" >/dev/null 2>&1 &
main=$(xdotool search --sync --onlyvisible --name '^Brimsweep 1\.8$' | head -n1)
sleep 1
import -window "$main" "$out/main-window.png"

# Focus starts in the user box: Tab, Tab reaches "About".
xdotool windowfocus --sync "$main"
xdotool key --delay 100 Tab Tab Return
about=$(xdotool search --sync --onlyvisible --name '^About$' | head -n1)
sleep 1
import -window "$about" "$out/about-window.png"
echo "screenshots: $out/main-window.png $out/about-window.png"
