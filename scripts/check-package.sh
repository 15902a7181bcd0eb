#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian (no error and no warning allowed), installs it with apt into a fresh Debian 12 root made by
# debootstrap, starts the installed program there under Xvfb, types a query and takes a
# screenshot. Run as root on Debian 12 (it mounts, chroots and installs packages); it needs
# the network to reach a Debian mirror. See docs/packaging.md.
#
#   scripts/check-package.sh [SCREENSHOT.png]
#
# Environment: ZC_BUILD_DIR (default build), ZC_CHECK_DIR (default /var/tmp/zc-package-check),
# ZC_MIRROR (default: the mirror this machine's apt takes bookworm from, scripts/apt-mirror.sh),
# XDISP (X display number, default 87), ZC_KEEP_ROOT=1 to leave the root in place afterwards.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
src="$(cd "$here/.." && pwd)"
build="$(cd "$src" && realpath -m "${ZC_BUILD_DIR:-build}")"
work="${ZC_CHECK_DIR:-/var/tmp/zc-package-check}"
# No mirror is written into the project: the one this machine's apt uses, unless one is given.
if [ -n "${ZC_MIRROR:-}" ]; then
  mirror="$ZC_MIRROR"
else
  mirror="$("$here/apt-mirror.sh")" || exit 1
fi
display=":${XDISP:-87}"
shot="$(realpath -m "${1:-$work/screenshot.png}")"
root="$work/root"

[ "$(id -u)" -eq 0 ] || { echo "run as root (debootstrap, mount, chroot)" >&2; exit 1; }

step() { printf '\n== %s\n' "$*"; }

# What this check needs on the host beyond the project's own set-up.
need=()
for p in debootstrap xvfb xdotool imagemagick dpkg-dev lintian; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  step "installing on the host: ${need[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

step "building the package in $build"
"$here/setup-debian.sh"
ZC_BUILD_DIR="$build" "$here/build.sh"
(cd "$build" && rm -f zembrik-corvanth_*.deb && cpack -G DEB >/dev/null)
deb="$(ls "$build"/zembrik-corvanth_*.deb)"
dpkg-deb --field "$deb" Package Version Section Depends Recommends Installed-Size

step "lintian $(basename "$deb")"
# Root may run lintian; every tag of severity error or warning fails the check.
lintian --allow-root --fail-on error,warning --display-level '>=warning' "$deb"
echo "lintian: no error, no warning"

# Everything mounted into the root is undone on exit, whatever happens.
xvfb_pid=""
cleanup() {
  set +e
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  if [ -d "$root" ]; then
    chroot "$root" pkill -x zembrik-corvanth 2>/dev/null
    for m in tmp/.X11-unix dev/pts dev sys proc; do
      mountpoint -q "$root/$m" && umount -l "$root/$m"
    done
    [ "${ZC_KEEP_ROOT:-0}" = 1 ] || rm -rf --one-file-system "$root"
  fi
}
trap cleanup EXIT

step "a fresh Debian 12 root in $root (from $mirror)"
mkdir -p "$work"
if [ ! -f "$work/bookworm-minbase.tar" ]; then
  # The untouched result of debootstrap is kept as a tarball, so a repeated check starts
  # from the same clean root without fetching it again.
  rm -rf "$work/pristine"
  debootstrap --variant=minbase bookworm "$work/pristine" "$mirror"
  tar -C "$work/pristine" -cf "$work/bookworm-minbase.tar" .
  rm -rf "$work/pristine"
fi
rm -rf --one-file-system "$root"
mkdir -p "$root"
tar -C "$root" -xf "$work/bookworm-minbase.tar"
grep -q bookworm "$root/etc/os-release"

mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$deb" "$root/tmp/"

step "apt-get install ./$(basename "$deb") in the root"
chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
chroot "$root" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq "./tmp/$(basename "$deb")" >"$work/apt.log" 2>&1 ||
  { tail -30 "$work/apt.log"; exit 1; }
grep -E '^(Setting up|Unpacking) zembrik-corvanth' "$work/apt.log" || true
chroot "$root" dpkg-query -W -f='${Package} ${Version} ${Status}\n' zembrik-corvanth
chroot "$root" sh -c 'for c in zembrik-corvanth crvt-tool; do command -v "$c"; done;
  echo "launcher -> $(readlink -f "$(command -v zembrik-corvanth)")"'
chroot "$root" ls -l /usr/lib/zembrik-corvanth
# Every shared library the program needs resolves inside the root.
if chroot "$root" ldd /usr/lib/zembrik-corvanth/zembrik-corvanth | grep 'not found'; then
  echo "missing libraries in the root" >&2; exit 1
fi
# The store tool on the PATH reads the installed store.
answers="$(chroot "$root" crvt-tool query /usr/lib/zembrik-corvanth/crvt.dat sjb)"
[ -n "$answers" ] || { echo "crvt-tool found no answer for sjb" >&2; exit 1; }
echo "crvt-tool query sjb: $(printf '%s\n' "$answers" | wc -l) rows, the first: $(printf '%s\n' "$answers" | sed -n 1p)"

step "the installed program under Xvfb $display"
Xvfb "$display" -screen 0 1024x600x24 -nolisten tcp -ac >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -S "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
mkdir -p "$root/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
# Started by its name through the launcher on the PATH, as a desktop would. A chroot forbids
# the user namespaces Chromium's sandbox is made of, hence the sandbox is off here.
chroot "$root" env -i PATH=/usr/bin:/bin HOME=/root LANG=C.UTF-8 DISPLAY="$display" \
  QTWEBENGINE_DISABLE_SANDBOX=1 zembrik-corvanth >"$work/program.log" 2>&1 &
export DISPLAY="$display"
win="$(timeout 60 xdotool search --sync --onlyvisible --name 'ZembrikCorvanth多功能答题器' | sed -n 1p)"
[ -n "$win" ] || { cat "$work/program.log"; echo "no window" >&2; exit 1; }
sleep 2
xdotool windowmove "$win" 40 40
sleep 0.5
# A click into the query box Text1 (96, 69, 161 x 20 in the window), then a query: the list
# fills from the store beside the program's real folder, found through the launcher link.
xdotool mousemove --window "$win" 176 79 click 1
sleep 0.5
xdotool type --delay 150 sjb
sleep 2
mkdir -p "$(dirname "$shot")"
import -window root "$shot"
echo "screenshot: $shot"
# Page 2, the third tab: the instruction picture built into the installed program.
xdotool mousemove --window "$win" 290 16 click 1
sleep 1
import -window root "${shot%.png}-page2.png"
echo "screenshot: ${shot%.png}-page2.png"
echo "program output:"; head -20 "$work/program.log" | sed 's/^/  /'
