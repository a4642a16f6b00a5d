#!/bin/sh
# Runs a command the way a fresh desktop login would, but with nothing of
# this machine's own session: a virtual X display of its own, a session bus
# of its own (and through it an accessibility bus of its own where
# at-spi2-core is installed, or none), and a home folder of its own. All of
# it ends and is removed with the command, so the next command cannot
# inherit a bus address that points into a folder that is gone.
#
#   hermetic.sh COMMAND [ARGUMENT...]
#
# The command's exit status is passed on.
set -eu

home="$(mktemp -d "${TMPDIR:-/tmp}/tabulon-session-XXXXXX")"
xvfb=""
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$home"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

# Xvfb picks a free display number and writes it once it takes connections.
mkdir -m 700 "$home/run"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
  3>"$home/display" >"$home/xvfb.log" 2>&1 &
xvfb=$!
display=""
for _ in $(seq 1 200); do
  display="$(cat "$home/display" 2>/dev/null || true)"
  [ -n "$display" ] && break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.05
done
if [ -z "$display" ]; then
  echo "hermetic.sh: the virtual display did not start:" >&2
  cat "$home/xvfb.log" >&2
  exit 1
fi

# What a desktop session would hand down is cleared, then set anew.
unset DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS WAYLAND_DISPLAY XAUTHORITY \
  WEBKIT_A11Y_BUS_ADDRESS NO_AT_BRIDGE GTK_MODULES SESSION_MANAGER
export DISPLAY=":$display"
export HOME="$home"
export XDG_RUNTIME_DIR="$home/run"
export XDG_CONFIG_HOME="$home/config"
export XDG_DATA_HOME="$home/data"
export XDG_CACHE_HOME="$home/cache"
export TABULON_HERMETIC=1
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"

status=0
dbus-run-session -- "$@" || status=$?
exit "$status"
