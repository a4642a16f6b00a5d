#!/bin/sh
# Installs the build into a temporary prefix and checks it as a desktop
# would see it: the programs, the icon theme, a desktop entry and AppStream
# metadata that the freedesktop validators accept. Then it starts the
# installed browser from its desktop entry, with an address, as a menu or a
# link handler would, and checks that
#   - it finds its icons in the prefix (the source tree's are hidden), and
#   - with its folder read-only, it keeps its settings in a per-user copy
#     that starts as a copy of the file beside it.
# The start needs a display and a private mount namespace (root, or user
# namespaces); without them it exits 77, which ctest reports as skipped.
#
#   check_install.sh BUILD_FOLDER SOURCE_FOLDER
set -eu

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

if [ "${1:-}" = "--start" ]; then
  # In a mount namespace of our own: what is mounted here is gone with it.
  work="$2"
  source="$3"
  prefix="$work/prefix"
  mkdir -p "$work/empty"
  mount --bind "$work/empty" "$source/data"
  printf '[URL]\r\nURL1=http://shipped.example/\r\n' >"$prefix/bin/tabulon.ini"
  mount --bind "$prefix/bin" "$prefix/bin"
  mount -o remount,bind,ro "$prefix/bin"
  touch "$prefix/bin/probe" 2>/dev/null && fail "could not make the program folder read-only"

  printf '<!DOCTYPE html><meta charset="utf-8"><title>インストール確認</title>ok\n' \
    >"$work/page.html"
  mkdir -p "$work/home"
  env HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" \
    XDG_DATA_HOME="$work/home/data" XDG_CACHE_HOME="$work/home/cache" \
    XDG_DATA_DIRS="$prefix/share:/usr/share" PATH="$prefix/bin:$PATH" \
    gtk-launch tabulon "file://$work/page.html" >/dev/null 2>&1 ||
    fail "gtk-launch could not start the desktop entry"

  window=""
  for _ in $(seq 1 240); do
    # Outside a UTF-8 locale the pattern's Japanese would not match.
    window=$(LC_ALL=C.UTF-8 xdotool search --onlyvisible --name '^インストール確認 - Tabulon - $' \
      2>/dev/null | head -n1 || true)
    [ -n "$window" ] && break
    sleep 0.25
  done
  [ -n "$window" ] || fail "no browser window showing the page handed to the desktop entry"
  browser=$(xdotool getwindowpid "$window")
  icons=$(xprop -id "$window" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' || true)
  kill "$browser"
  # The toolkit hands the window manager the sizes up to 128 pixels.
  for size in 16 32 48 64 128; do
    echo "$icons" | grep -q "($size x $size)" || fail "the window has no ${size}-pixel icon"
  done
  cmp -s "$prefix/bin/tabulon.ini" "$work/home/config/Tabulon/tabulon.ini" ||
    fail "no per-user copy of the settings file beside the read-only program"
  echo "started from the desktop entry: icons from the prefix, settings in the per-user copy"
  exit 0
fi

build="$1"
source="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

for file in bin/tabulon bin/tabulon-options; do
  [ -x "$prefix/$file" ] || fail "$file is not installed"
done
for size in 16 32 48 64 128 256; do
  [ -f "$prefix/share/icons/hicolor/${size}x${size}/apps/tabulon.png" ] ||
    fail "no ${size}x${size} icon"
done
[ -f "$prefix/share/icons/hicolor/scalable/apps/tabulon.svg" ] || fail "no scalable icon"

desktop="$prefix/share/applications/tabulon.desktop"
[ -f "$desktop" ] || fail "no desktop entry"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
for line in 'Exec=tabulon %u' 'Icon=tabulon' 'Name=Tabulon' 'Name\[ja\]=.' \
  'Categories=.*Network;.*WebBrowser;' 'MimeType=.*text/html;' \
  'MimeType=.*x-scheme-handler/http;' 'MimeType=.*x-scheme-handler/https;'; do
  grep -q "^$line" "$desktop" || fail "the desktop entry has no line matching '$line'"
done

set -- "$prefix"/share/metainfo/*.metainfo.xml
[ -f "$1" ] || fail "no AppStream metainfo file"
metainfo="$1"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects $metainfo"
appstreamcli validate-tree --no-net "$prefix" || fail "appstreamcli rejects the installed tree"
grep -q '<launchable type="desktop-id">tabulon.desktop</launchable>' "$metainfo" ||
  fail "the metainfo does not launch tabulon.desktop"
# The pictures the metadata shows are the README's, published from the
# repository; each must be there.
shots=$(sed -n 's|.*<image>.*/\([^/<]*\)</image>.*|\1|p' "$metainfo")
[ -n "$shots" ] || fail "the metainfo shows no screenshot"
for shot in $shots; do
  [ -f "$source/docs/screenshots/$shot" ] || fail "docs/screenshots/$shot is missing"
done
echo "installed files in place; desktop-file-validate and appstreamcli accept them"

[ -n "${DISPLAY:-}" ] || { echo "no display: the installed browser was not started"; exit 77; }
unshare -m true 2>/dev/null || { echo "no mount namespace: not started"; exit 77; }
unshare -m "$0" --start "$work" "$source"
