#!/usr/bin/env bash
# The windows and windows64 suites under Wine 10, a second implementation of
# Win32, from a Debian 13 chroot made here with debootstrap and kept outside
# the clone (reused by later runs and other clones).
#
# Usage: wine10.sh [ctest arguments...]   (run as root; `make test-wine10`)
#
# The host's build trees are used read-only: inside the chroot each one is an
# overlay whose writes (the Wine 10 prefix, test drives, CTest's records) go
# to a scratch folder beside the chroot, so the Wine 8 prefixes and build/
# stay as they are. The run has its own mount and network namespaces: its
# mounts vanish with it, also on failure, and its Xvfb's sockets (its own
# /tmp/.X11-unix, its own abstract names) are not the machine's.
set -euo pipefail

src=$(cd "$(dirname "$0")/.." && pwd)
cache=${BRIM_WINE10_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/brimsweep}
root=$cache/wine10-chroot
scratch=$cache/wine10-run
suite=trixie
# What the suites run besides the exes: Wine, an X server and the keyboard
# tools, Python and CTest, and objdump for the static checks.
packages="wine wine64 wine32:i386 fonts-wine xvfb xdotool x11-utils imagemagick python3 cmake e2fsprogs"
packages+=" binutils-mingw-w64-i686 binutils-mingw-w64-x86-64"

skip() {
  echo "test-wine10: skipped: $*"
  exit 0
}

[ "$(id -u)" -eq 0 ] || skip "making and entering the chroot needs root"

# The Debian archive this machine's apt already uses (never a name of our own).
mirror() {
  {
    grep -hs '^URIs:' /etc/apt/sources.list.d/*.sources | awk '{print $2}'
    grep -hs '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list | awk '{print $2}'
  } | grep -E '/debian/?$' | head -n1
}

bootstrap() {
  local url tmp=$root.new
  url=$(mirror || true)
  [ -n "$url" ] || skip "no Debian archive in this machine's apt sources"
  command -v debootstrap >/dev/null || skip "debootstrap is not installed (make setup installs it)"
  rm -rf "$tmp" "$root"
  mkdir -p "$cache"
  echo "test-wine10: making a Debian 13 chroot in $root (a few minutes, about 2.5 GB)"
  if ! debootstrap --variant=minbase "$suite" "$tmp" "$url" >"$cache/debootstrap.log" 2>&1; then
    rm -rf "$tmp"
    skip "debootstrap could not make a Debian 13 chroot from $url (see $cache/debootstrap.log)"
  fi
  mv "$tmp" "$root"
}

# Installs the package list when it differs from the one the chroot has.
install_packages() {
  [ "$(cat "$root/.brimsweep-packages" 2>/dev/null)" = "$packages" ] && return 0
  echo "test-wine10: installing Wine 10 and the test tools in the chroot"
  rm -f "$root/.brimsweep-packages"
  if ! unshare --mount --propagation private bash -euo pipefail -c '
      root=$1 packages=$2
      mount -t proc proc "$root/proc"
      mount --bind /dev "$root/dev"
      cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
      chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive \
        bash -euo pipefail -c "dpkg --add-architecture i386 && apt-get update -qq &&
          apt-get install -y -qq --no-install-recommends $packages >/dev/null && apt-get clean"
    ' _ "$root" "$packages" >>"$cache/debootstrap.log" 2>&1; then
    skip "the Wine 10 packages could not be installed in the chroot (see $cache/debootstrap.log)"
  fi
  echo "$packages" > "$root/.brimsweep-packages"
}

[ -x "$root/usr/bin/apt-get" ] || bootstrap
install_packages

for b in windows windows64; do
  [ -f "$src/build/$b/CTestTestfile.cmake" ] || { echo "test-wine10: build/$b is not built" >&2; exit 1; }
done

rm -rf "$scratch"
mkdir -p "$scratch"
echo "test-wine10: Wine $(chroot "$root" dpkg-query -W -f='${Version}' wine) from $root"

# CTest files name the Python that configured each build (perhaps a shim of
# the host's own): the chroot's Python answers to that name.
for b in windows windows64; do
  py=$(sed -n 's/^_\{0,1\}Python3_EXECUTABLE:[A-Z]*=//p' "$src/build/$b/CMakeCache.txt" | head -n1)
  if [ -n "$py" ] && [ ! -e "$root$py" ] && [ ! -L "$root$py" ]; then
    mkdir -p "$root$(dirname "$py")"
    ln -s /usr/bin/python3 "$root$py"
  fi
done

# Inside the namespaces: mounts, then each suite in the chroot. The static
# checks that rebuild or compile (reproducibility, the XP list against the
# compiler's headers) need the host's toolchain and no Wine: they ran in
# `make test` already.
exec unshare --mount --net --propagation private bash -euo pipefail -c '
  root=$1 src=$2 scratch=$3; shift 3
  # Afterwards, also on failure: whatever still runs in the chroot (a
  # wineserver, an Xvfb) is ended, and every mount is undone, innermost first.
  cleanup() {
    for p in /proc/[0-9]*; do
      [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && kill -9 "${p#/proc/}" 2>/dev/null
    done
    sleep 0.5
    for m in "$root$src/build/windows64" "$root$src/build/windows" "$root$src" "$root/tmp" "$root/dev/pts" \
        "$root/dev" "$root/sys" "$root/proc"; do
      mountpoint -q "$m" && { umount "$m" 2>/dev/null || umount -l "$m"; }
    done
    return 0
  }
  trap cleanup EXIT
  ip link set lo up 2>/dev/null || true
  mount -t proc proc "$root/proc"
  mount -t sysfs sys "$root/sys"
  mount --bind /dev "$root/dev"
  mount --bind /dev/pts "$root/dev/pts"
  mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
  mkdir -p "$root$src"
  mount --bind "$src" "$root$src"
  for b in windows windows64; do
    mkdir -p "$scratch/$b/upper" "$scratch/$b/work"
    mount -t overlay overlay -o "lowerdir=$src/build/$b,upperdir=$scratch/$b/upper,workdir=$scratch/$b/work" \
      "$root$src/build/$b"
  done
  status=0
  for b in windows windows64; do
    echo "test-wine10: the $b suite under Wine 10"
    chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
      bash -c "cd \"\$1\" && shift && ctest --test-dir \"build/$b\" --output-on-failure \
        -E \"^(release_reproducible|app_xp_list)\" \"\$@\"" _ "$src" "$@" || status=1
  done
  exit $status
' _ "$root" "$src" "$scratch" "$@"
