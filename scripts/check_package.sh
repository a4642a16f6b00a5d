#!/bin/sh
# Builds the Debian package and checks it.
#
#   sh scripts/check_package.sh [--system] [build folder]   # default: build
#
# Always: builds tabulon_*.deb with CPack, shows its control data, unpacks it
# into a throwaway folder and validates the desktop entry and the AppStream
# metadata there.
# With --system (as root, on a machine that may change, such as a fresh
# Debian 12 or CI): installs the package with apt, starts the browser from
# its desktop entry with an address on a virtual display, then removes the
# package and checks that none of its files are left.
set -eu
cd "$(dirname "$0")/.."
system=no
if [ "${1:-}" = "--system" ]; then
  system=yes
  shift
fi
build="${1:-build}"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

scripts/setup.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
deb="$(ls -t "$build"/tabulon_*.deb | head -n1)"
dpkg-deb -I "$deb"
dpkg-deb -f "$deb" Depends | grep -q 'libwebkit2gtk-4.1-0' || fail "Depends lacks WebKitGTK"
dpkg-deb -f "$deb" Depends | grep -q 'libgtkmm-3.0-1v5' || fail "Depends lacks gtkmm"

work="$(mktemp -d)"
pids=""
cleanup() {
  for pid in $pids; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT INT TERM
dpkg -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/tabulon.desktop"
appstreamcli validate-tree --no-net "$work/root"
echo "unpacked and validated: $deb"
[ "$system" = yes ] || exit 0

[ "$(id -u)" -eq 0 ] || fail "--system installs packages: run it as root"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$(realpath "$deb")"
[ -x /usr/bin/tabulon ] || fail "/usr/bin/tabulon is not installed"

display=":$((250 + $$ % 50))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids="$!"
sleep 1
printf '<!DOCTYPE html><meta charset="utf-8"><title>パッケージ確認</title>ok\n' >"$work/page.html"
mkdir -p "$work/home"
DISPLAY="$display" HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" \
  XDG_DATA_HOME="$work/home/data" XDG_CACHE_HOME="$work/home/cache" \
  gtk-launch tabulon "file://$work/page.html"
window=""
for _ in $(seq 1 240); do
  window=$(DISPLAY="$display" LC_ALL=C.UTF-8 xdotool search --onlyvisible \
    --name '^パッケージ確認 - Tabulon - $' 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  sleep 0.25
done
[ -n "$window" ] || fail "the installed browser showed no window with the page"
kill "$(DISPLAY="$display" xdotool getwindowpid "$window")"
echo "started from its desktop entry: the page's window is there"

DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq tabulon
for file in $(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\.||'); do
  [ -d "$file" ] || [ ! -e "$file" ] || fail "$file is left after removal"
done
echo "installed, started and removed cleanly"
