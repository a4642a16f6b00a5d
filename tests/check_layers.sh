#!/bin/sh
# The folder rule: each folder of src/ is a layer and includes only its own
# headers and those of the layers below it. Fails naming every include that
# looks up (or sideways, between the windows), and every toolkit header
# outside the layers that may see one.
#
#   check_layers.sh SOURCE_FOLDER
root="$1"
cd "$root" || exit 2

# Layer of a folder under src/, lowest first. The windows share a
# layer and never include each other.
rank() {
  case "$1" in
    base) echo 0 ;;
    settings) echo 1 ;;
    platform) echo 2 ;;
    browsing) echo 3 ;;
    history) echo 4 ;;
    mainwindow | favourites | about | options | downloads) echo 5 ;;
    app) echo 6 ;;
    gtk) echo 7 ;;
    gtk/webkit) echo 8 ;;
    .) echo 9 ;; # main.cpp and options_main.cpp
    *) echo "" ;;
  esac
}

# The toolkit (GTK, GLib, X and their C++ faces) and the engine (WebKit,
# libsoup, JavaScriptCore). The unit tests and fakes see neither.
toolkit='(gtk|gtkmm|gdk|gdkmm|glib|glibmm|gio|giomm|sigc\+\+|pango|cairo|X11)/|(gtk|gdk|glib|gio|pango|cairo)[a-z]*\.h>'
engine='(webkit|webkit2|libsoup|JavaScriptCore|jsc)/'
found="${TMPDIR:-/tmp}/layers.$$"
trap 'rm -f "$found"' EXIT

for file in $(find src -name '*.cpp' -o -name '*.h' | sort); do
  folder=$(dirname "${file#src/}")
  own=$(rank "$folder")
  if [ -z "$own" ]; then
    echo "$file: the folder $folder is not a layer; name it in tests/check_layers.sh"
    continue
  fi
  grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" | while IFS= read -r line; do
    target=$(echo "$line" | sed -E 's/.*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/')
    target_folder=$(dirname "$target")
    [ "$target_folder" = "." ] && continue
    theirs=$(rank "$target_folder")
    if [ -z "$theirs" ]; then
      echo "$file:${line%%:*}: includes $target, outside the layers"
    elif [ "$theirs" -gt "$own" ]; then
      echo "$file:${line%%:*}: $folder includes $target from the higher layer $target_folder"
    elif [ "$theirs" -eq "$own" ] && [ "$target_folder" != "$folder" ]; then
      echo "$file:${line%%:*}: $folder includes $target from the window $target_folder"
    fi
  done
  case "$folder" in
    gtk/webkit | .) ;;
    gtk)
      grep -nHE "#[[:space:]]*include[[:space:]]*<($engine)" "$file" |
        sed 's/$/  (the engine only in gtk\/webkit)/'
      ;;
    *)
      grep -nHE "#[[:space:]]*include[[:space:]]*<($toolkit|$engine)" "$file" |
        sed 's/$/  (toolkit and engine only in gtk)/'
      ;;
  esac
done >"$found"

for file in $(find tests/unit tests/fakes -name '*.cpp' -o -name '*.h' | sort); do
  grep -nHE "#[[:space:]]*include[[:space:]]*(<($toolkit|$engine)|\"gtk/)" "$file" |
    sed 's/$/  (the unit tests run without the toolkit)/'
done >>"$found"

if [ -s "$found" ]; then
  echo "includes that break the layers:"
  cat "$found"
  exit 1
fi
echo "layers ok"
