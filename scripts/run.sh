#!/bin/sh
# Builds the browser and starts it, with an optional address. Without a
# display it runs on a virtual one, saves a screenshot once the first page is
# shown, prints the picture's path and exits.
set -e
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target tabulon
if [ -n "$DISPLAY" ]; then
  exec build/tabulon "$@"
fi

shots="$PWD/shots"
mkdir -p "$shots"
display=:$(( 90 + $$ % 100 ))
Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $browser $wm $xvfb 2>/dev/null || true' EXIT
export DISPLAY="$display"
sleep 1
openbox >/dev/null 2>&1 &
wm=$!
build/tabulon "$@" &
browser=$!
# The first page is shown when the caption carries a page title.
for _ in $(seq 1 120); do
  name=$(xdotool search --onlyvisible --name ' - Tabulon - $' getwindowname 2>/dev/null | head -n1 || true)
  if [ -n "$name" ] && [ "$name" != " - Tabulon - " ]; then break; fi
  kill -0 $browser 2>/dev/null || { echo "the browser stopped" >&2; exit 1; }
  sleep 0.25
done
sleep 1  # let the page paint
shot="$shots/tabulon-$(date +%Y%m%d-%H%M%S).png"
import -window root "$shot"
echo "window caption: $name"
echo "screenshot: $shot"
