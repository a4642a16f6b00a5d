#!/bin/sh
# Installs whatever the build, the browser and the tests need and is missing
# (Debian 12 packages, as root or through sudo). Packages named on the command
# line are installed too (CI adds clang for the fuzzer and clang-format).
# webext-ublock-origin-firefox is only read at build time: its EasyList and
# EasyPrivacy become the browser's blocking rules (without recommends, which
# would bring Firefox).
set -e
PACKAGES="build-essential cmake pkg-config libgtkmm-3.0-dev libwebkit2gtk-4.1-dev
libsoup-3.0-dev libgtest-dev libgmock-dev xvfb xauth xdotool imagemagick openbox
fonts-noto-cjk x11-utils x11-xkb-utils bubblewrap xdg-dbus-proxy libuchardet-dev
desktop-file-utils appstream libgtk-3-bin dpkg-dev file dbus-daemon dbus-x11 at-spi2-core
webext-ublock-origin-firefox libsqlite3-dev libpsl-dev zlib1g-dev $*"
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
