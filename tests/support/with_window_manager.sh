#!/usr/bin/env bash
# Runs a command on a private virtual display managed by a real window manager (openbox), so
# that tests see the stacking, focus and full-screen rules a desktop applies.
set -euo pipefail
# The server picks a free display itself and writes its number once it accepts clients.
numfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
xvfb=$!
wm=
cleanup() { kill $wm "$xvfb" 2>/dev/null || true; wait 2>/dev/null || true; rm -f "$numfile"; }
trap cleanup EXIT
for _ in $(seq 200); do [ -s "$numfile" ] && break; sleep 0.05; done
display=":$(head -n1 "$numfile")"
home=$(mktemp -d)
HOME="$home" DISPLAY="$display" openbox --sm-disable >"$home/openbox.log" 2>&1 &
wm=$!
# The manager announces itself on the root window once it manages the screen.
managed=
for _ in $(seq 400); do
  if xprop -display "$display" -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; then
    managed=1
    break
  fi
  sleep 0.05
done
[ -n "$managed" ] || { echo "with_window_manager: openbox did not start on $display" >&2; cat "$home/openbox.log" >&2; exit 1; }
DISPLAY="$display" ZV_WINDOW_MANAGER=openbox "$@"
