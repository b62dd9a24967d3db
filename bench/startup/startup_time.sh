#!/usr/bin/env bash
# Time from process start to the main window shown, over several runs.
#   bench/startup/startup_time.sh [build-folder] [runs]
# Needs a display (starts Xvfb when DISPLAY is unset). Each run uses a private state and runtime
# folder, waits until the "Zentavista" window is mapped, then ends the program with SIGTERM.
set -euo pipefail
build=${1:-build/release}
runs=${2:-10}
exe="$build/src/zentavista"
[ -x "$exe" ] || { echo "no $exe; build first (make build)" >&2; exit 1; }

xvfb_pid=""
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 & xvfb_pid=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    if kill -0 "$xvfb_pid" 2>/dev/null; then export DISPLAY=":$n"; break; fi
    xvfb_pid=""
  done
  [ -n "${DISPLAY:-}" ] || { echo "could not start Xvfb" >&2; exit 1; }
fi

times=()
for i in $(seq "$runs"); do
  home=$(mktemp -d); rt=$(mktemp -d); chmod 700 "$rt"
  start=$(date +%s%N)
  ZENTAVISTA_HOME=$home ZENTAVISTA_RUNTIME_DIR=$rt "$exe" >/dev/null 2>&1 &
  pid=$!
  until xwininfo -root -tree 2>/dev/null | grep -q '"Zentavista"'; do
    kill -0 "$pid" 2>/dev/null || { echo "program ended early" >&2; exit 1; }
    sleep 0.005
  done
  end=$(date +%s%N)
  kill -TERM "$pid"; wait "$pid" || true
  rm -rf "$home" "$rt"
  times+=($(( (end - start) / 1000000 )))
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n)
echo "start to main window shown (ms), $runs runs: $(echo $sorted | tr '\n' ' ')"
echo "median: $(printf '%s\n' $sorted | sed -n "$(( (runs + 1) / 2 ))p") ms"
