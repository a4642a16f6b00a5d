#!/bin/sh
# Only the GTK layer and the composition root may see the toolkit or the engine.
root="$1"
bad=$(grep -rlE '#[[:space:]]*include[[:space:]]*[<"](gtk|gtkmm|gdk|gdkmm|glib|glibmm|gio|giomm|webkit|webkit2|libsoup|JavaScriptCore|jsc|sigc\+\+|pango|cairo)' \
      "$root/src" "$root/tests/unit" "$root/tests/fakes" \
      | grep -v "^$root/src/platform/gtk/" | grep -v "^$root/src/main.cpp$")
if [ -n "$bad" ]; then
  echo "toolkit headers outside src/platform/gtk and src/main.cpp:"
  echo "$bad"
  exit 1
fi
echo "layering ok"
