#!/bin/sh
# Takes the README's pictures under a virtual display: the main window with
# Japanese pages in several tabs, the find bar, the URL box's suggestions,
# the downloads window, the history window, the favourites dialog and the
# about box.
# They are saved as small PNG files under docs/screenshots/.
#
#   sh scripts/screenshots.sh [build folder]   # default: build
#
# The browser runs from a copy in a temporary folder with favourites,
# window placement and pages of its own, so nothing of the user's is read
# or changed and the pictures come out the same every time.
set -eu
cd "$(dirname "$0")/.."
repo="$PWD"
build="${1:-build}"
out="$repo/docs/screenshots"

if [ ! -x "$build/tabulon" ]; then
  scripts/setup.sh
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j"$(nproc)" --target tabulon tabulon-options
fi

work="$(mktemp -d)"
pids=""
cleanup() {
  for pid in $pids; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

mkdir -p "$work/app" "$work/pages" "$work/config/Tabulon" "$work/data" "$work/cache" \
  "$work/Downloads" "$out"
cp "$build/tabulon" "$build/tabulon-options" "$work/app/"

# page FILE TITLE COLOUR HEADING TEXT
page() {
  cat >"$work/pages/$1" <<EOF
<!DOCTYPE html>
<html lang="ja"><head><meta charset="utf-8"><title>$2</title>
<style>
body { margin: 0; font-family: "Noto Sans CJK JP", sans-serif; color: #222; }
header { background: $3; color: #fff; padding: 18px 28px; font-size: 26px; }
main { padding: 16px 28px; line-height: 1.7; font-size: 15px; }
li { margin: 4px 0; }
</style></head>
<body><header>$4</header><main>$5</main></body></html>
EOF
}
page news.html "今日のニュース" "#2b5797" "今日のニュース" \
  "<p>東京では朝から晴れ、最高気温は二十三度の見込みです。</p>
   <ul><li>新しい図書館が駅前に開館</li><li>桜の開花は来週の予想</li>
   <li>週末は各地でお祭り</li></ul>"
page weather.html "天気予報" "#00a300" "週間天気予報" \
  "<p>月曜日 晴れ / 火曜日 くもり / 水曜日 雨のち晴れ</p>
   <p>洗濯日和は月曜日と木曜日です。</p>"
page recipe.html "料理レシピ" "#da532c" "肉じゃがの作り方" \
  "<ol><li>じゃがいもと人参を切ります。</li><li>牛肉と玉ねぎを炒めます。</li>
   <li>だし、しょうゆ、みりん、砂糖で二十分煮ます。</li></ol>"
page travel.html "旅行ガイド" "#603cba" "京都の旅" \
  "<p>清水寺、金閣寺、嵐山の竹林をめぐる一日コース。</p>"

# Files to download: the engine shows neither, so each becomes a download.
head -c 350000 /dev/urandom >"$work/pages/photos-2026.zip"
head -c 120000 /dev/urandom >"$work/pages/report.tar.gz"

# Favourites as the program keeps them: code page 932, CR LF.
{
  printf '[URL]\r\n'
  i=1
  for f in news weather recipe travel; do
    printf 'URL%d=file://%s/pages/%s.html\r\n' "$i" "$work" "$f"
    i=$((i + 1))
  done
  printf '[TITLE]\r\nTITLE1=今日のニュース\r\nTITLE2=天気予報\r\nTITLE3=料理レシピ\r\nTITLE4=旅行ガイド\r\n'
  printf '[TABULON]\r\nMODE=1\r\n'
} | iconv -f UTF-8 -t CP932 >"$work/app/tabulon.ini"

# Placement in twips (15 a pixel): 860 x 600 pixels near the top left.
printf '[Settings]\nMainLeft=600\nMainTop=600\nMainWidth=12900\nMainHeight=9000\n' \
  >"$work/config/Tabulon/settings.conf"

display=":$((200 + $$ % 50))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids="$!"
export DISPLAY="$display"
sleep 1
openbox >/dev/null 2>&1 &
pids="$pids $!"
sleep 1

env HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
  XDG_CACHE_HOME="$work/cache" XDG_DOWNLOAD_DIR="$work/Downloads" \
  "$work/app/tabulon" "file://$work/pages/news.html" >/dev/null 2>&1 &
browser=$!
pids="$browser $pids"

# wait_window NAME: the id of the visible window whose name matches NAME.
wait_window() {
  for _ in $(seq 1 120); do
    # Outside a UTF-8 locale the pattern's Japanese would not match.
    id=$(LC_ALL=C.UTF-8 xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$browser" 2>/dev/null || { echo "the browser stopped" >&2; return 1; }
    sleep 0.25
  done
  echo "no window named '$1'" >&2
  return 1
}

# shot WINDOW NAME: the window with its frame, stripped of metadata.
shot() {
  import -frame -window "$1" "$work/shot.png"
  convert "$work/shot.png" -strip -colors 256 PNG8:"$out/$2"
  echo "$out/$2 ($(stat -c %s "$out/$2") bytes)"
}

main=$(wait_window '^今日のニュース - Tabulon - $')
# Keys go to the focused window, as a user's do: the toolkit ignores keys
# sent to a window directly.
xdotool windowactivate --sync "$main"
# Favourites 2 to 4 in background tabs, by their hot keys.
for n in 2 3 4; do
  xdotool key "ctrl+$n"
  sleep 0.5
done
sleep 2
shot "$main" main-window.png

# The find bar, from the URL box, below the page.
xdotool key alt+d
sleep 0.3
xdotool key ctrl+f
sleep 0.3
xdotool type --delay 50 "二十"
sleep 1
shot "$main" find-bar.png
xdotool key Escape
sleep 0.3

# The URL box's suggestions as the user types: here the other open tabs.
# The list is a window of its own over the main one: the screen is taken.
xdotool key alt+d
sleep 0.3
xdotool type --delay 80 "html"
sleep 1
geometry=$(xwininfo -id "$main" | awk '/Absolute upper-left X/ { x = $NF }
  /Absolute upper-left Y/ { y = $NF } /Width:/ { w = $NF } /Height:/ { h = $NF }
  END { printf "%dx%d+%d+%d", w, h, x, y }')
import -window root -crop "$geometry" "$work/shot.png"
convert "$work/shot.png" -strip -colors 256 PNG8:"$out/suggestions.png"
echo "$out/suggestions.png"
xdotool key Escape Escape
sleep 0.3

# The history window (Ctrl+H): the pages the tabs showed, by day.
xdotool windowactivate --sync "$main"
xdotool key ctrl+h
history=$(wait_window '^履歴$')
sleep 1
shot "$history" history.png
xdotool key Escape
sleep 0.5

# Two files downloaded through the save dialog, then the downloads window.
for f in photos-2026.zip report.tar.gz; do
  xdotool key alt+d
  sleep 0.3
  xdotool key ctrl+a
  xdotool type --delay 10 "file://$work/pages/$f"
  xdotool key Return
  save=$(wait_window '^名前を付けて保存$')
  sleep 1
  xdotool windowactivate --sync "$save" key Return
  sleep 1.5
done
xdotool windowactivate --sync "$main"
xdotool key ctrl+j
downloads=$(wait_window '^ダウンロード$')
sleep 1
shot "$downloads" downloads.png
xdotool key Escape
sleep 0.5

xdotool key ctrl+b
dialog=$(wait_window '^Tabulon 設定$')
sleep 1
shot "$dialog" favourites.png
# Closed by the window manager, as by the title bar's close button.
xdotool key alt+F4
sleep 1
if LC_ALL=C.UTF-8 xdotool search --onlyvisible --name '^Tabulon 設定$' >/dev/null 2>&1; then
  echo "the favourites dialog did not close" >&2
  exit 1
fi

# The about box, from the help menu.
xdotool windowactivate --sync "$main"
xdotool key alt+h
sleep 0.5
xdotool key Return
about=$(wait_window '^Tabulonについて$')
sleep 1
shot "$about" about.png
