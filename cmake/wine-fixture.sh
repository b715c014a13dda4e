#!/usr/bin/env bash
# Set-up and clean-up of the Windows tests' shared pieces: a throwaway Wine
# prefix (never the user's own) and a private X server.
# Usage: wine-fixture.sh setup|teardown BUILD_DIR
set -euo pipefail
action=$1
build=$2
# No menu entries written to the desktop from the throwaway prefix.
export WINEPREFIX="$build/wineprefix"
. "$(dirname "$(readlink -f "$0")")/wine-env.sh"
display_file="$build/xvfb.display"
pid_file="$build/xvfb.pid"

stop_x() {
  if [ -s "$pid_file" ]; then kill "$(cat "$pid_file")" 2>/dev/null || true; fi
  rm -f "$pid_file" "$display_file"
}

case "$action" in
setup)
  wineserver -k 2>/dev/null || true
  stop_x
  rm -rf "$WINEPREFIX" "$build/testdrives"
  mkdir -p "$build/testdrives"
  # Fixed DPI and no desktop integration, so every run sees the same prefix.
  unset DISPLAY
  brim_wine wineboot -i >/dev/null 2>&1
  brim_wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
  # No window manager runs on the private X server: Wine must not wait for one
  # (hiding a managed window otherwise stalls for 2 s).
  brim_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  # A link that a test opens by accident goes to /bin/true, never to the
  # machine's real browser or mail program.
  brim_wine reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /t REG_SZ /d true /f >/dev/null 2>&1
  brim_wine reg add 'HKCU\Software\Wine\WineBrowser' /v Mailers /t REG_SZ /d true /f >/dev/null 2>&1
  wineserver -w
  exec 3> "$display_file.tmp"
  setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  echo $! > "$pid_file"
  exec 3>&-
  for _ in $(seq 50); do [ -s "$display_file.tmp" ] && break; sleep 0.1; done
  [ -s "$display_file.tmp" ] || { echo "wine-fixture: Xvfb did not start" >&2; exit 1; }
  tr -d '\n' < "$display_file.tmp" > "$display_file"
  rm -f "$display_file.tmp"
  ;;
teardown)
  wineserver -k 2>/dev/null || true
  stop_x
  ;;
*)
  echo "usage: $0 setup|teardown BUILD_DIR" >&2
  exit 2
  ;;
esac
