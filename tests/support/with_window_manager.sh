#!/usr/bin/env bash
# Runs a command on a private virtual display managed by a real window manager (openbox), so
# that tests see the stacking, focus and full-screen rules a desktop applies.
set -euo pipefail
for n in $(seq 140 199); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
done
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() { kill "$wm" "$xvfb" 2>/dev/null || true; wait 2>/dev/null || true; }
wm=
trap cleanup EXIT
for _ in $(seq 100); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.05; done
home=$(mktemp -d)
HOME="$home" DISPLAY="$display" openbox --sm-disable >/dev/null 2>&1 &
wm=$!
# The manager announces itself on the root window once it manages the screen.
for _ in $(seq 200); do
  xprop -display "$display" -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.05
done
DISPLAY="$display" "$@"
