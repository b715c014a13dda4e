# Sourced by the hand-run scripts: a throwaway Wine prefix of their own and a
# private X server, both gone when the script exits.
. "$(dirname "${BASH_SOURCE[0]}")/../cmake/wine-env.sh"

# wine_prefix DIR: use (and on first use create) the prefix at DIR, at 96 dpi.
wine_prefix() {
  export WINEPREFIX="$1"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    (unset DISPLAY; brim_wine wineboot -i >/dev/null 2>&1)
  fi
  brim_wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
}

# private_x: start Xvfb on a free display and export DISPLAY; on exit the
# display and the prefix's wineserver are stopped.
private_x() {
  local fifo display
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  private_x_pid=$!
  read -r display <"$fifo"
  rm -f "$fifo"
  trap 'wineserver -k 2>/dev/null || true; kill "$private_x_pid" 2>/dev/null || true' EXIT
  export DISPLAY=":$display"
}
